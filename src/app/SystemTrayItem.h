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
    bool isPlaced() const override { return m_placed; }
    void popUpMenu(QMenu* menu) override;

    // How often a desktop without a tray is asked whether one appeared.
    static constexpr int kTrayCheckMs = 3000;
    // An XEmbed tray docks a new icon within a few event-loop turns, until
    // then the icon reports the spot it was made at; how often that is
    // looked at, and how long before whatever it says is taken as final (a
    // StatusNotifierItem host never says where its items are).
    static constexpr int kPlaceCheckMs = 25;
    static constexpr int kPlaceWaitMs = 2000;

private:
    void createIcon();
    void watchForPlace();
    void settle();

    QSystemTrayIcon* m_icon = nullptr;
    QTimer* m_trayCheck = nullptr;
    QTimer* m_placeCheck = nullptr;
    QRect m_unplaced;
    int m_placeChecks = 0;
    bool m_placed = false;
    QIcon m_pendingIcon;
    QString m_pendingToolTip;
};
