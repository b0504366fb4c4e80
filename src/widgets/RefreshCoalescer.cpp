#include "widgets/RefreshCoalescer.h"

RefreshCoalescer::RefreshCoalescer(std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh))
{
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
    if (m_refresh)
        m_refresh();
}

void RefreshCoalescer::run()
{
    // A flush() in between already did the work.
    if (!m_pending)
        return;
    flush();
}
