#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// A writable copy of a fixture tree under tests/data/telemetry (or an empty
// tree), so tests can change /proc files between ticks. Files are rewritten
// in place, as the kernel does, so readers that keep them open see the change.
class FixtureTree {
public:
    explicit FixtureTree(const QString& fixture = QString())
    {
        QDir().mkpath(proc());
        QDir().mkpath(sys());
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
    QString proc() const { return m_dir.path() + QStringLiteral("/proc"); }
    QString sys() const { return m_dir.path() + QStringLiteral("/sys"); }

    void write(const QString& relative, const QByteArray& content) const
    {
        const QString path = m_dir.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    }

private:
    QTemporaryDir m_dir;
};
