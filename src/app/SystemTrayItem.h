#pragma once

#include "app/TrayItem.h"

class QSystemTrayIcon;
class QTimer;

// A tray item over QSystemTrayIcon (XEmbed or StatusNotifierItem, whichever
// the desktop offers). Without a system tray it has no button, and it looks
// for a tray now and then until one appears.
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

    // How often a desktop without a tray is asked whether one appeared.
    static constexpr int kTrayCheckMs = 3000;

private:
    void createIcon();

    QSystemTrayIcon* m_icon = nullptr;
    QTimer* m_trayCheck = nullptr;
    QIcon m_pendingIcon;
    QString m_pendingToolTip;
};
