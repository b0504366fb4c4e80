#pragma once

#include "app/ShellPlatform.h"

// The real desktop: QSystemTrayIcon items, the popover window, and the
// application's loss of focus as the sign of a click elsewhere.
class DesktopShellPlatform final : public ShellPlatform {
public:
    std::unique_ptr<TrayItem> createTrayItem() override;
    std::unique_ptr<PopoverPresenter> createPopover(QWidget* content) override;
    std::unique_ptr<QObject> watchOutsideClicks(std::function<void()> handler) override;
};
