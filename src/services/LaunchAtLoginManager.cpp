#include "services/LaunchAtLoginManager.h"

#include "core/Print.h"
#include "platform/XdgAutostartLoginItem.h"

#include <QCoreApplication>

LaunchAtLoginManager& LaunchAtLoginManager::shared()
{
    static XdgAutostartLoginItem item(XdgAutostartLoginItem::userAutostartFolder(),
                                      QCoreApplication::applicationFilePath());
    static auto* manager = new LaunchAtLoginManager(item, QCoreApplication::instance());
    return *manager;
}

LaunchAtLoginManager::LaunchAtLoginManager(LoginItem& item, QObject* parent) : ObservableObject(parent), m_item(item)
{
    refreshStatus();
}

void LaunchAtLoginManager::setIsEnabled(bool value)
{
    assign(m_isEnabled, value, &LaunchAtLoginManager::isEnabledChanged);
    updateLaunchAtLogin(value);
}

void LaunchAtLoginManager::refreshStatus()
{
    setIsEnabled(m_item.status() == LoginItem::Status::enabled);
}

void LaunchAtLoginManager::updateLaunchAtLogin(bool enabled)
{
    const bool registered = m_item.status() == LoginItem::Status::enabled;
    if (enabled == registered)
        return;
    const std::optional<QString> error = enabled ? m_item.registerItem() : m_item.unregisterItem();
    if (!error) {
        kestrova::print(enabled ? QStringLiteral("Successfully registered Launch at Login")
                                : QStringLiteral("Successfully unregistered Launch at Login"));
        return;
    }
    kestrova::print((enabled ? QStringLiteral("Failed to register Launch at Login: ")
                             : QStringLiteral("Failed to unregister Launch at Login: ")) + *error);
    // Show what the registration really is, not what was asked for.
    assign(m_isEnabled, m_item.status() == LoginItem::Status::enabled, &LaunchAtLoginManager::isEnabledChanged);
}
