#pragma once

#include "theme/UiColor.h"

#include <QWidget>

#include <array>

// Unified memory as one bar of three shares, left to right: what the system
// uses (blue), what AI models hold (the accent) and what is free. Shares are
// taken of the total (at least 1 GB, so an empty total never divides by
// zero); each segment is drawn at least 2 points wide and whatever runs past
// the bar's end is cut off.
class MemoryShareBar : public QWidget {
    Q_OBJECT

public:
    explicit MemoryShareBar(const UiColor& accent, QWidget* parent = nullptr);

    static constexpr int kHeight = 10;
    static constexpr double kGap = 2;
    static constexpr double kMinSegment = 2;

    // Drawn widths of the system, AI and free segments on a bar `width` wide
    // (figures in GB).
    static std::array<double, 3> segmentWidths(double memoryUsed, double memoryTotal, double aiVramUsed,
                                               double width);

    void setFigures(double memoryUsed, double memoryTotal, double aiVramUsed);
    void setAccent(const UiColor& accent);
    std::array<double, 3> currentWidths() const;

    QSize sizeHint() const override { return {200, kHeight}; }
    QSize minimumSizeHint() const override { return {0, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiColor m_accent;
    double m_used = 0;
    double m_total = 0;
    double m_ai = 0;
};
