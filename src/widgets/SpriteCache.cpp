#include "widgets/SpriteCache.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

namespace SpriteCache {

void draw(QPainter& painter, const QRect& target, const QString& key, const std::function<void(QPainter&)>& paint)
{
    if (target.isEmpty())
        return;
    if (painter.transform().type() > QTransform::TxTranslate) {
        painter.save();
        painter.translate(target.topLeft());
        paint(painter);
        painter.restore();
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap copy = sprite(target.size(), ratio, key, [&](QPainter& spritePainter) {
        spritePainter.setRenderHints(painter.renderHints());
        spritePainter.setFont(painter.font());
        paint(spritePainter);
    });
    painter.drawPixmap(target.topLeft(), copy);
}

QPixmap sprite(const QSize& size, qreal ratio, const QString& key, const std::function<void(QPainter&)>& paint)
{
    const QString fullKey = QStringLiteral("%1|%2x%3@%4").arg(key).arg(size.width()).arg(size.height()).arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(fullKey, &pixmap))
        return pixmap;
    pixmap = QPixmap((QSizeF(size) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter spritePainter(&pixmap);
    paint(spritePainter);
    spritePainter.end();
    QPixmapCache::insert(fullKey, pixmap);
    return pixmap;
}

} // namespace SpriteCache
