#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A stand-in `docker` client (put folder() first on PATH) keeping each
// container's "<name> <state>" in a file across calls: ps --format, pause and
// unpause, refusing with status 1 what the real one refuses (a second pause).
class FakeDockerCommand {
public:
    FakeDockerCommand()
    {
        QDir(folder()).mkdir(QStringLiteral("c"));
        write(QStringLiteral("docker"), QByteArray(kScript).replace("@DIR@", folder().toLocal8Bit()));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("docker")), QFile::ReadOwner | QFile::ExeOwner);
    }
    QString folder() const { return m_dir.path(); }
    // `state` as docker reports it: "running" or "paused".
    void setContainer(const QString& id, const QByteArray& name, const QByteArray& state = "running") { write("c/" + id, name + ' ' + state + '\n'); }
    // Every container's state, in id order.
    QByteArray states() const
    {
        QByteArrayList all;
        for (const QString& id : QDir(m_dir.filePath(QStringLiteral("c"))).entryList(QDir::Files, QDir::Name))
            all.append(read("c/" + id).trimmed().split(' ').value(1));
        return all.join(' ');
    }
    // Each call's arguments, noted as it starts.
    QStringList calls() const { return QString::fromLocal8Bit(read(QStringLiteral("calls"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    // While hung, every call waits until its caller gives up.
    void setHung(bool hung) { hung ? write(QStringLiteral("hang"), {}) : void(QFile::remove(m_dir.filePath(QStringLiteral("hang")))); }

private:
    static constexpr char kScript[] = R"SH(#!/bin/sh
d='@DIR@'
echo "$*" >> "$d/calls"
while [ -e "$d/hang" ]; do sleep 0.05; done
cmd=$1; shift; rc=0
if [ "$cmd" = ps ]; then
    for f in "$d"/c/*; do read -r n s < "$f"; printf '%s\n' "$2" | sed "s#{{.ID}}#${f##*/}#;s#{{.Names}}#$n#;s#{{.Ports}}#0.0.0.0:8000->8000/tcp#;s#{{.State}}#$s#"; done; exit 0
fi
for id; do
    read -r n s < "$d/c/$id"
    case "$cmd:$s" in
    pause:running) echo "$n paused" > "$d/c/$id"; echo "$id" ;;
    unpause:paused) echo "$n running" > "$d/c/$id"; echo "$id" ;;
    *) echo "Error response from daemon: cannot $cmd container $id: it is ${s:-missing}" >&2; rc=1 ;;
    esac
done
exit $rc
)SH";
    QByteArray read(const QString& relative) const
    {
        QFile file(m_dir.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QString& relative, const QByteArray& data)
    {
        QFile file(m_dir.filePath(relative));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(data);
    }
    QTemporaryDir m_dir;
};
