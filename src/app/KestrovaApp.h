#pragma once

#include "app/AppDelegate.h"
#include "app/PresetBinding.h"

#include <QObject>

#include <functional>
#include <memory>

class PresetMenuView;
class RefreshCoalescer;

// The application object: its one scene is the presets tray item, a menu
// titled "Performance Presets" whose icon follows the active preset, and it
// installs the application delegate that does the rest of the start-up.
class KestrovaApp final : public QObject {
    Q_OBJECT

public:
    // Printed once the start is over and the event loop runs: from then on
    // the app answers a later launch and a quit signal ends it normally.
    static constexpr auto kUpLine = "Kestrova is running.";

    struct Deps {
        ShellPlatform* platform = nullptr;
        std::function<PresetBinding()> presetManager; // taken at launch
        AppDelegate::Deps delegate;
    };

    explicit KestrovaApp(Deps deps, QObject* parent = nullptr);
    ~KestrovaApp() override;

    // Builds the presets item, then runs the delegate's start-up.
    void launch();

    AppDelegate* delegate() const { return m_delegate; }
    TrayItem* presetsItem() const { return m_presetsItem.get(); }
    PresetMenuView* presetMenu() const { return m_presetMenu.get(); }
    // The symbol the presets item shows now.
    QString presetsSymbol() const { return m_presetsSymbol; }

    // A symbol drawn for the tray, readable on a dark or a light panel.
    static QIcon trayIcon(const QString& symbol);

private:
    // Menu, tool tip and icon of the presets item, once it has a button.
    void attachPresetsItem();
    void updatePresetsIcon();

    Deps m_deps;
    PresetBinding m_presetManager;
    AppDelegate* m_delegate = nullptr;
    std::unique_ptr<TrayItem> m_presetsItem;
    std::unique_ptr<PresetMenuView> m_presetMenu;
    RefreshCoalescer* m_iconRefresh = nullptr;
    QString m_presetsSymbol;
};
