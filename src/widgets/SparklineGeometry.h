#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>

// Where a sparkline's points lie in an area of a given size: value i at
// x = i * w / (n - 1) and y = h * (1 - v / 100), so 0 is on the bottom edge
// and 100 on the top. Values are not clamped. Non-finite values have no
// point; the line joins their neighbours. Fewer than two values give no line.
class SparklineGeometry {
public:
    static QList<QPointF> points(const QList<double>& values, const QSizeF& size);
    // One open path through the points, offset to `origin`; empty when there
    // is no line to draw. Points more than 1000 heights away are pulled in to
    // that distance, which looks the same and keeps the painter's maths sane.
    static QPainterPath path(const QList<double>& values, const QSizeF& size, const QPointF& origin = QPointF());
};
