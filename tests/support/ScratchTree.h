#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// A small /sys or /proc look-alike in a temp folder, for tests that need a
// tree the checked-in fixtures do not have (or one that changes).
class ScratchTree {
public:
    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    void write(const QString& relative, const QByteArray& content) const
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(content);
    }
    void mkdir(const QString& relative) const { QDir().mkpath(path(relative)); }
    void remove(const QString& relative) const { QDir(path(relative)).removeRecursively(); }

private:
    QTemporaryDir m_dir;
};

// The path of a checked-in fixture below tests/data.
inline QString testDataPath(const QString& relative) { return QStringLiteral(KESTROVA_TEST_DATA "/") + relative; }
