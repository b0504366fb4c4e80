#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// A thin horizontal progress bar: a faint rounded track across the width
// and, from the leading edge, a fill in the tint covering value / total.
class LinearProgressView : public QWidget {
    Q_OBJECT

public:
    LinearProgressView(double value, double total, const UiColor& tint, QWidget* parent = nullptr);

    // The filled share of the bar: value / total clamped to 0..1; nothing
    // for a total of 0 or figures that are not numbers.
    static double fraction(double value, double total);

    double value() const { return m_value; }
    double total() const { return m_total; }
    void setValue(double value, double total);
    UiColor tint() const { return m_tint; }
    void setTint(const UiColor& tint);
    // The bar's thickness (4 unless set).
    void setBarHeight(int height);
    double currentFraction() const { return fraction(m_value, m_total); }

    QSize sizeHint() const override { return {100, m_barHeight}; }
    QSize minimumSizeHint() const override { return {0, m_barHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value;
    double m_total;
    UiColor m_tint;
    int m_barHeight = 4;
};
