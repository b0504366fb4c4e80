#include "widgets/WindowOutline.h"

#include "platform/CompositingManager.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

bool WindowOutline::apply(QWidget* window, const QPainterPath& outline)
{
    if (compositingManagerRunning()) {
        if (!window->mask().isEmpty())
            window->clearMask();
        return true;
    }
    const QRegion cut(outline.toFillPolygon().toPolygon(), Qt::WindingFill);
    if (window->mask() != cut)
        window->setMask(cut);
    return false;
}
