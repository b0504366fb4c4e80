#include "widgets/AppLogo.h"

#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

// Resources of a static library are registered by hand.
static void registerBuiltInResources() { Q_INIT_RESOURCE(resources); }

QStringList AppLogo::defaultPaths()
{
    static const bool registered = (registerBuiltInResources(), true);
    Q_UNUSED(registered);
    QStringList paths = QStandardPaths::locateAll(QStandardPaths::AppDataLocation, QStringLiteral("logo.png"));
    paths << QStringLiteral(":/kestrova/logo");
    return paths;
}

QImage AppLogo::find(const QStringList& paths)
{
    for (const QString& path : paths) {
        QImage image(path);
        if (!image.isNull())
            return image;
    }
    return {};
}

void AppLogo::paint(QPainter& painter, const QRectF& box, const QImage& image, qreal cornerRadius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(box, cornerRadius, cornerRadius);
    painter.setClipPath(clip);
    const QSizeF fitted = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRectF(box.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), image);
    painter.restore();
}
