#pragma once

#include "theme/UiColor.h"
#include "widgets/ArcAnimation.h"

#include <QFont>
#include <QWidget>

// A round gauge for one percentage: a faint track, an arc that starts at
// twelve o'clock and runs clockwise, and in its centre a large figure
// (`title`) over a small caption (`label`). A new percentage swings the arc
// to its place with a slightly underdamped spring; the texts change at once.
class RingChart : public QWidget {
    Q_OBJECT

public:
    RingChart(double percentage, const QString& label, const UiColor& color, const QString& title,
              QWidget* parent = nullptr);

    double percentage() const { return m_percentage; }
    void setPercentage(double percentage);
    QString label() const { return m_label; }
    void setLabel(const QString& label);
    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);
    QString title() const { return m_title; }
    void setTitle(const QString& title);

    // The fraction of the circle the arc covers for a percentage: capped at
    // a full circle, and nothing for 0, negative or non-finite values.
    static double trimEnd(double percentage);
    // The fraction drawn right now (moves towards trimEnd while animating).
    double displayedTrim() const { return m_arc.displayed(); }

    // Paints a track and an arc of `trim` in `circle`, for every ring of the
    // app (this gauge, the status label's CPU ring).
    static void paintRing(QPainter& painter, const QRectF& circle, double trim, const QColor& arc,
                          const QColor& track, qreal lineWidth, Qt::PenCapStyle arcCap = Qt::RoundCap);

    QSize sizeHint() const override { return {100, 100}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_percentage;
    QString m_label;
    UiColor m_color;
    QString m_title;
    QFont m_titleFont; // built once, not per frame
    QFont m_labelFont;
    ArcAnimation m_arc;
};
