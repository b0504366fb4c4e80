#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// A small /sys or /proc look-alike in a temp folder: empty, or a writable copy
// of a fixture tree under tests/data/telemetry, so tests can change files
// between ticks. Files are rewritten in place, as the kernel does, so readers
// that keep them open see the change.
class ScratchTree {
public:
    explicit ScratchTree(const QString& fixture = QString())
    {
        mkdir(QStringLiteral("proc"));
        mkdir(QStringLiteral("sys"));
        if (fixture.isEmpty())
            return;
        const QString source = QStringLiteral(KESTROVA_TEST_DATA "/telemetry/") + fixture;
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = m_dir.path() + from.mid(source.size());
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    QString proc() const { return path(QStringLiteral("proc")); }
    QString sys() const { return path(QStringLiteral("sys")); }

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
