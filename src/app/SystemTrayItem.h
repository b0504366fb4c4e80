#pragma once

#include "app/TrayItem.h"

class QSystemTrayIcon;

// A tray item over QSystemTrayIcon (XEmbed or StatusNotifierItem, whichever
// the desktop offers). Without a system tray it has no button.
class SystemTrayItem final : public TrayItem {
    Q_OBJECT

public:
    explicit SystemTrayItem(QObject* parent = nullptr);
    ~SystemTrayItem() override;

    bool hasButton() const override { return m_icon != nullptr; }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;
    QRect geometry() const override;
    void popUpMenu(QMenu* menu) override;

private:
    QSystemTrayIcon* m_icon = nullptr;
};
