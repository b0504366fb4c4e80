#include "app/DesktopShellPlatform.h"

#include "app/PopoverWindow.h"
#include "app/SystemTrayItem.h"

#include <QGuiApplication>

std::unique_ptr<TrayItem> DesktopShellPlatform::createTrayItem() { return std::make_unique<SystemTrayItem>(); }

std::unique_ptr<PopoverPresenter> DesktopShellPlatform::createPopover(QWidget* content)
{
    return std::make_unique<PopoverWindow>(content);
}

std::unique_ptr<QObject> DesktopShellPlatform::watchOutsideClicks(std::function<void()> handler)
{
    auto watch = std::make_unique<QObject>();
    // A click in another application or on the desktop takes the focus away
    // from us; clicks in our own windows and tray items do not.
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, watch.get(),
                     [handler = std::move(handler)](Qt::ApplicationState state) {
                         if (state != Qt::ApplicationActive)
                             handler();
                     });
    return watch;
}
