#pragma once

#include <QRect>
#include <QString>

#include <functional>

class QPainter;
class QPixmap;

// Draws through a pixmap kept in the process-wide pixmap cache: what
// `paint` draws (with the origin at the target's top-left corner) is
// rendered once per key, size and pixel ratio and then only copied.
//
// Meant for what an animation repaints many times a second without change
// (a ring's track, a pulse's few looks, a fixed caption): the raster engine
// spreads every large antialiased fill over helper threads, and waking them
// costs more than the drawing itself, while copying a pixmap stays on the
// painting thread. A painter that scales or rotates draws directly.
namespace SpriteCache {

void draw(QPainter& painter, const QRect& target, const QString& key, const std::function<void(QPainter&)>& paint);

// The cached pixmap itself, of `size` logical pixels at `ratio`, for a
// caller that draws it under a transform of its own.
QPixmap sprite(const QSize& size, qreal ratio, const QString& key, const std::function<void(QPainter&)>& paint);

} // namespace SpriteCache
