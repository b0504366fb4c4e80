#include "SampleTile.h"

#include "widgets/SymbolIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon sampleTile(const QColor& from, const QColor& to, const QString& symbol)
{
    QPixmap pm(96, 96);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 96, 96);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, 96, 96), 22, 22);
    p.fillPath(path, g);
    SymbolIcon::paint(p, QRectF(0, 0, 96, 96), symbol, Qt::white, 60);
    return QIcon(pm);
}
