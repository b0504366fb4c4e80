#pragma once

#include "core/ObservableObject.h"

class LoginItem;

// The "Launch at Login" switch. Every store of isEnabled, equal or not,
// makes the registration match it; only a real change notifies. A register
// or unregister that fails prints one line and puts the switch back to what
// the registration really is, so it never shows a state that did not happen.
class LaunchAtLoginManager final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setIsEnabled NOTIFY isEnabledChanged)

public:
    // The application's instance, over the user's XDG autostart folder.
    static LaunchAtLoginManager& shared();

    // Reads the registration; creating never registers or unregisters.
    explicit LaunchAtLoginManager(LoginItem& item, QObject* parent = nullptr);

    bool isEnabled() const { return m_isEnabled; }
    void setIsEnabled(bool value);
    // Reads the registration again and stores it through the setter.
    void refreshStatus();

signals:
    void isEnabledChanged();

private:
    void updateLaunchAtLogin(bool enabled);

    LoginItem& m_item;
    bool m_isEnabled = false;
};
