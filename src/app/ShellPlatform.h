#pragma once

#include <QObject>

#include <functional>
#include <memory>

class PopoverPresenter;
class QWidget;
class TrayItem;

// What the shell asks of the desktop: tray items, the popover window and a
// watch for the user turning to another application. DesktopShellPlatform
// is the real desktop; tests record what the shell does.
class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;

    virtual std::unique_ptr<TrayItem> createTrayItem() = 0;
    // Takes ownership of `content`.
    virtual std::unique_ptr<PopoverPresenter> createPopover(QWidget* content) = 0;
    // Calls `handler` when the user turns to another application (a click
    // elsewhere). Destroying the returned object removes the watch; nothing
    // is returned when the desktop cannot tell.
    virtual std::unique_ptr<QObject> watchOutsideClicks(std::function<void()> handler) = 0;
};
