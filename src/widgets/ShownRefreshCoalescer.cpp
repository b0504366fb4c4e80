#include "widgets/ShownRefreshCoalescer.h"

#include <QEvent>
#include <QWidget>

ShownRefreshCoalescer::ShownRefreshCoalescer(QWidget* view, std::function<void()> refresh)
    : RefreshCoalescer([this] { refreshIfShown(); }, view), m_view(view), m_refreshView(std::move(refresh))
{
    m_view->installEventFilter(this);
}

bool ShownRefreshCoalescer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::Show && m_stale)
        refreshNow();
    return RefreshCoalescer::eventFilter(watched, event);
}

void ShownRefreshCoalescer::refreshIfShown()
{
    if (m_view->isVisible())
        refreshNow();
    else
        m_stale = true;
}

void ShownRefreshCoalescer::refreshNow()
{
    m_stale = false;
    m_refreshView();
}
