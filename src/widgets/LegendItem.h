#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class ElidedLabel;
class PlainLabel;

// One legend line: a coloured dot, a label, and a value at the far right.
class LegendItem : public QWidget {
    Q_OBJECT

public:
    LegendItem(const UiColor& color, const QString& label, const QString& value, QWidget* parent = nullptr);

    void setColor(const UiColor& color);
    void setLabel(const QString& label);
    void setValue(const QString& value);
    QString label() const;
    QString value() const;
    UiColor color() const { return m_color; }
    // An 8-point dot and a semibold monospaced value unless set otherwise.
    void setDotDiameter(int diameter);
    void setValueFont(const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiColor m_color;
    int m_dot;
    ElidedLabel* m_label;
    PlainLabel* m_value;
};
