#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A settings file as a user keeps it: keys of ours and a section of the
// user's own, for tests that check it comes through byte for byte.
namespace UsersSettingsFile {

inline const QByteArray kBytes = "[General]\nappTheme=Nordic\nworkspacePersona=Gamer\ncpuAlertThreshold=80\n\n"
                                 "[Mine]\nnote=kept\n";

inline bool writeTo(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(kBytes) == kBytes.size();
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace UsersSettingsFile
