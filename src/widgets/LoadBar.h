#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// A thin load bar: a faint track in the accent and, from the leading edge,
// a fill that runs from the accent to pink and glows softly in the accent.
// The widget is a little taller than the bar to leave room for the glow.
class LoadBar : public QWidget {
    Q_OBJECT

public:
    explicit LoadBar(const UiColor& accent, QWidget* parent = nullptr);

    static constexpr int kBarHeight = 6;
    static constexpr int kGlow = 3;

    // The fill's width for a percentage on a bar `width` wide: clamped to
    // the bar, nothing for negative or non-numeric loads.
    static double fillWidth(double percent, double width);

    double percent() const { return m_percent; }
    void setPercent(double percent);
    void setAccent(const UiColor& accent);
    // The fill's width at the bar's current width.
    double currentFillWidth() const { return fillWidth(m_percent, width()); }

    QSize sizeHint() const override { return {100, kBarHeight + 2 * kGlow}; }
    QSize minimumSizeHint() const override { return {0, kBarHeight + 2 * kGlow}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiColor m_accent;
    double m_percent = 0;
};
