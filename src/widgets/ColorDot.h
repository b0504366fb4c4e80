#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// A filled circle of one colour, the marker in front of a figure's label.
class ColorDot : public QWidget {
    Q_OBJECT

public:
    ColorDot(const UiColor& color, int diameter, QWidget* parent = nullptr);

    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);

    QSize sizeHint() const override { return {m_diameter, m_diameter}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiColor m_color;
    int m_diameter;
};
