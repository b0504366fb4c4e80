#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A stand-in `docker` client: a shell script in a temp folder of its own
// (put the folder first on PATH) that keeps each container's state in files
// across calls and answers ps --format, pause and unpause the way the
// real client does, with its error lines and exit statuses.
class FakeDockerCommand {
public:
    FakeDockerCommand();

    QString folder() const { return m_dir.path(); }
    // `state` as docker reports it: "running" or "paused".
    void addContainer(const QString& id, const QString& name, const QByteArray& state = "running");
    QByteArray state(const QString& id) const;
    void setState(const QString& id, const QByteArray& state);
    // While hung, every call waits (until whoever started it gives up).
    void setHung(bool hung);

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    QTemporaryDir m_dir;
};
