#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class ColorDot;
class FitLabel;
class PlainLabel;
class QLayout;

// A rate figure of the disk and network pages: the figure in large rounded
// type, centred over a coloured dot and a small label. A figure too wide for
// the card shrinks rather than leaving it.
class RateCard : public QWidget {
    Q_OBJECT

public:
    RateCard(const UiColor& color, const QString& label, QWidget* parent = nullptr);

    // The row of two cards: the first at the leading edge, the second at the
    // trailing one. When both do not fit, a card that needs more than half
    // the row gets what the other leaves, so the two never meet.
    static QLayout* pair(RateCard* leading, RateCard* trailing);

    void setValue(const QString& value);
    QString value() const;
    FitLabel* valueLabel() const { return m_value; }
    QString label() const;
    UiColor color() const;

private:
    FitLabel* m_value;
    ColorDot* m_dot;
    PlainLabel* m_label;
};
