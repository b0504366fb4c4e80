#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// usr/local/bin, usr/bin and snap/bin under a temp folder, for tools
// planted where a search should or should not find them.
struct ToolTree {
    QTemporaryDir dir;
    ToolTree()
    {
        for (const char* folder : {"usr/local/bin", "usr/bin", "snap/bin"})
            QDir().mkpath(dir.filePath(QLatin1String(folder)));
    }
    QString folder(const char* relative) const { return dir.filePath(QLatin1String(relative)); }
    QString add(const char* folder, const char* name, const QByteArray& script, bool executable = true) const
    {
        QFile file(this->folder(folder) + QLatin1Char('/') + QLatin1String(name));
        file.open(QIODevice::WriteOnly);
        file.write(script);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permission()));
        return file.fileName();
    }
};
