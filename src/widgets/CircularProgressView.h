#pragma once

#include "theme/UiColor.h"
#include "widgets/ArcAnimation.h"

#include <QFont>
#include <QWidget>

// A small ring gauge for a fraction: a faint track, an arc from twelve
// o'clock clockwise (full at 1.0 and beyond) and the whole percentage in the
// middle. A new fraction eases the arc to its place in half a second.
class CircularProgressView : public QWidget {
    Q_OBJECT

public:
    CircularProgressView(double progress, const UiColor& color, QWidget* parent = nullptr);

    double progress() const { return m_progress; }
    void setProgress(double progress);
    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);

    // The centre text: progress x 100 truncated toward zero ("37%" for
    // 0.379, "150%" for 1.5, "0%" when not a finite 64-bit figure).
    static QString percentText(double progress);
    // How much of the circle the arc covers: the progress up to 1, nothing
    // for non-finite or negative values.
    static double trimEnd(double progress);
    QString text() const { return percentText(m_progress); }
    double displayedTrim() const { return m_arc.displayed(); }

    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_progress;
    UiColor m_color;
    QFont m_textFont; // built once, not per frame
    ArcAnimation m_arc;
};
