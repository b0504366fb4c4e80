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
    const QString fullKey =
        QStringLiteral("%1|%2x%3@%4").arg(key).arg(target.width()).arg(target.height()).arg(ratio);
    QPixmap sprite;
    if (!QPixmapCache::find(fullKey, &sprite)) {
        sprite = QPixmap((QSizeF(target.size()) * ratio).toSize());
        sprite.setDevicePixelRatio(ratio);
        sprite.fill(Qt::transparent);
        QPainter spritePainter(&sprite);
        spritePainter.setRenderHints(painter.renderHints());
        spritePainter.setFont(painter.font());
        paint(spritePainter);
        spritePainter.end();
        QPixmapCache::insert(fullKey, sprite);
    }
    painter.drawPixmap(target.topLeft(), sprite);
}

} // namespace SpriteCache
