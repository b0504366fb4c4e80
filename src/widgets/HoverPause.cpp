#include "widgets/HoverPause.h"

#include "telemetry/ProcessMonitor.h"

#include <QEvent>
#include <QWidget>

HoverPause::HoverPause(QWidget* list, ProcessMonitor* monitor) : QObject(list), m_monitor(monitor)
{
    list->installEventFilter(this);
}

HoverPause::~HoverPause()
{
    m_open.clear();
    m_hovered = false;
    applyHold();
}

void HoverPause::holdWhileOpen(QWidget* row, bool open)
{
    for (QWidget* w = row ? row->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* pause = w->findChild<HoverPause*>(QString(), Qt::FindDirectChildrenOnly)) {
            pause->setOpen(row, open);
            return;
        }
    }
}

void HoverPause::setOpen(QObject* row, bool open)
{
    if (open == m_open.contains(row))
        return;
    if (open) {
        // A row deleted with its bubble open holds nothing any more.
        m_open.insert(row, connect(row, &QObject::destroyed, this, [this, row] {
            m_open.remove(row);
            applyHold();
        }));
    } else {
        disconnect(m_open.take(row));
    }
    applyHold();
}

bool HoverPause::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter:
        m_hovered = true;
        applyHold();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        m_hovered = false;
        applyHold();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void HoverPause::applyHold()
{
    const bool hold = m_hovered || !m_open.isEmpty();
    if (hold == m_holding)
        return;
    m_holding = hold;
    if (m_monitor)
        m_monitor->setIsPaused(hold);
}
