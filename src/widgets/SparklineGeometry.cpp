#include "widgets/SparklineGeometry.h"

#include <algorithm>
#include <cmath>

QList<QPointF> SparklineGeometry::points(const QList<double>& values, const QSizeF& size)
{
    QList<QPointF> result;
    const qsizetype n = values.size();
    if (n < 2)
        return result;
    const double step = size.width() / double(n - 1);
    const double h = size.height();
    result.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const double v = values[i];
        if (!std::isfinite(v))
            continue;
        result.append(QPointF(double(i) * step, h + (v / -100.0) * h));
    }
    return result;
}

QPainterPath SparklineGeometry::path(const QList<double>& values, const QSizeF& size, const QPointF& origin)
{
    QPainterPath path;
    const QList<QPointF> pts = points(values, size);
    if (pts.size() < 2)
        return path;
    // Wild values (1e300) would overflow the rasteriser's fixed-point maths;
    // far outside the area they all look the same, so bound them there.
    const double limit = std::max(1.0, size.height()) * 1000.0;
    const auto bounded = [&](QPointF p) {
        p.setY(std::clamp(p.y(), -limit, limit));
        return origin + p;
    };
    path.moveTo(bounded(pts.first()));
    for (qsizetype i = 1; i < pts.size(); ++i)
        path.lineTo(bounded(pts[i]));
    return path;
}
