#pragma once

#include "platform/LoginItem.h"

#include <QString>

// Launch at login through an XDG autostart entry: the desktop session starts
// every application that has a .desktop file in ~/.config/autostart. The
// entry counts as registered only while it starts this executable and the
// desktop has not switched it off (Hidden=true, X-GNOME-Autostart-enabled=false).
class XdgAutostartLoginItem final : public LoginItem {
public:
    static constexpr auto kFileName = "kestrova.desktop";

    // `autostartFolder` is usually $XDG_CONFIG_HOME/autostart; `executable`
    // is the absolute path the entry starts.
    XdgAutostartLoginItem(QString autostartFolder, QString executable);

    // The user's autostart folder.
    static QString userAutostartFolder();

    QString filePath() const;
    // The entry's text as registerItem() writes it.
    QString entryText() const;

    Status status() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    QString m_folder;
    QString m_executable;
};
