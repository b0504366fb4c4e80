#include "widgets/RefreshCoalescer.h"

#include <QEvent>
#include <QWidget>

RefreshCoalescer::RefreshCoalescer(std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh))
{
    if (auto* view = qobject_cast<QWidget*>(parent))
        view->installEventFilter(this);
}

void RefreshCoalescer::schedule()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &RefreshCoalescer::run, Qt::QueuedConnection);
}

void RefreshCoalescer::flush()
{
    m_pending = false;
    m_waitsForShow = false;
    if (m_refresh)
        m_refresh();
}

void RefreshCoalescer::run()
{
    // A flush() in between already did the work.
    if (!m_pending)
        return;
    if (isOutOfSight()) {
        m_pending = false;
        m_waitsForShow = true;
        return;
    }
    flush();
}

bool RefreshCoalescer::isOutOfSight() const
{
    // A view whose window is not on screen (built and not shown yet, or
    // closed) refreshes as its changes come.
    const auto* view = qobject_cast<const QWidget*>(parent());
    return view && !view->isVisible() && view->window()->isVisible();
}

bool RefreshCoalescer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && m_waitsForShow && watched == parent())
        flush();
    return QObject::eventFilter(watched, event);
}
