#include "widgets/HoverPause.h"

#include "telemetry/ProcessMonitor.h"

#include <QEvent>
#include <QWidget>

HoverPause::HoverPause(QWidget* list, ProcessMonitor* monitor) : QObject(list), m_monitor(monitor)
{
    list->installEventFilter(this);
}

HoverPause::~HoverPause() { hold(false); }

bool HoverPause::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter:
        hold(true);
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        hold(false);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void HoverPause::hold(bool value)
{
    if (value == m_holding)
        return;
    m_holding = value;
    if (m_monitor)
        m_monitor->setIsPaused(value);
}
