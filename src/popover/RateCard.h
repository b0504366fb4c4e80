#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class ColorDot;
class PlainLabel;

// A rate figure of the disk and network pages: the figure in large rounded
// type, centred over a coloured dot and a small label.
class RateCard : public QWidget {
    Q_OBJECT

public:
    RateCard(const UiColor& color, const QString& label, QWidget* parent = nullptr);

    void setValue(const QString& value);
    QString value() const;
    QString label() const;
    UiColor color() const;

private:
    PlainLabel* m_value;
    ColorDot* m_dot;
    PlainLabel* m_label;
};
