#include "app/SystemTrayItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

SystemTrayItem::SystemTrayItem(QObject* parent) : TrayItem(parent)
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        createIcon();
        return;
    }
    m_trayCheck = new QTimer(this);
    m_trayCheck->setInterval(kTrayCheckMs);
    connect(m_trayCheck, &QTimer::timeout, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return;
        m_trayCheck->stop();
        m_trayCheck->deleteLater();
        m_trayCheck = nullptr;
        createIcon();
        if (!m_pendingToolTip.isEmpty())
            m_icon->setToolTip(m_pendingToolTip);
        if (!m_pendingIcon.isNull())
            setIcon(m_pendingIcon);
        emit buttonAppeared();
    });
    m_trayCheck->start();
}

void SystemTrayItem::createIcon()
{
    m_icon = new QSystemTrayIcon(this);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit clicked(Qt::LeftButton);
        else if (reason == QSystemTrayIcon::Context)
            emit clicked(Qt::RightButton);
    });
}

SystemTrayItem::~SystemTrayItem() = default;

void SystemTrayItem::setIcon(const QIcon& icon)
{
    if (!m_icon) {
        m_pendingIcon = icon;
        return;
    }
    m_icon->setIcon(icon);
    // Shown with its first icon: the tray would otherwise hold an empty slot.
    if (!m_icon->isVisible()) {
        m_icon->show();
        watchForPlace();
    }
}

void SystemTrayItem::watchForPlace()
{
    if (m_placed || m_placeCheck)
        return;
    // Where the icon window sits before the tray has taken it in.
    m_unplaced = m_icon->geometry();
    m_placeCheck = new QTimer(this);
    m_placeCheck->setInterval(kPlaceCheckMs);
    connect(m_placeCheck, &QTimer::timeout, this, [this] {
        const QRect now = m_icon->geometry();
        const bool moved = !now.isEmpty() && now != m_unplaced;
        if (moved || ++m_placeChecks * kPlaceCheckMs >= kPlaceWaitMs)
            settle();
    });
    m_placeCheck->start();
}

void SystemTrayItem::settle()
{
    m_placeCheck->stop();
    m_placeCheck->deleteLater();
    m_placeCheck = nullptr;
    m_placed = true;
    emit placed();
}

void SystemTrayItem::setToolTip(const QString& text)
{
    if (m_icon)
        m_icon->setToolTip(text);
    else
        m_pendingToolTip = text;
}

QRect SystemTrayItem::geometry() const { return m_icon ? m_icon->geometry() : QRect(); }

void SystemTrayItem::popUpMenu(QMenu* menu)
{
    const QRect item = geometry();
    if (item.isEmpty()) {
        menu->popup(QCursor::pos());
        return;
    }
    // Under the item, or over it when the tray sits at the bottom of the screen.
    const QScreen* screen = QGuiApplication::screenAt(item.center());
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int height = menu->sizeHint().height();
    QPoint at(item.left(), item.bottom() + 1);
    if (!room.isEmpty() && at.y() + height > room.bottom() && item.top() - height >= room.top())
        at.setY(item.top() - height);
    menu->popup(at);
}
