#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A stand-in `docker` client (put folder() first on PATH) keeping each
// container's "<name> <state>" in a file across calls: ps --format, pause and
// unpause, refusing with status 1 and the real one's words.
class FakeDockerCommand {
public:
    FakeDockerCommand()
    {
        for (const char* sub : {"c", "slow", "landing", "late"}) QDir(folder()).mkdir(QLatin1String(sub));
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
    void setHung(bool hung) { mark(QStringLiteral("hang"), hung); }
    // While down, every call answers that the engine cannot be reached.
    void setDown(bool down) { mark(QStringLiteral("down"), down); }
    // The next pause of `id` waits until its caller gives up and lands after the next list.
    void delayPause(const QString& id) { mark(QStringLiteral("slow/") + id, true); }
    // The next pause of `id` lands once an unpause of it was refused as "not paused".
    void landPauseAfterUnpause(const QString& id) { mark(QStringLiteral("late/") + id, true); }

private:
    static constexpr char kScript[] = R"SH(#!/bin/sh
d='@DIR@'
echo "$*" >> "$d/calls"
while [ -e "$d/hang" ]; do sleep 0.05; done
cmd=$1; shift; rc=0
if [ -e "$d/down" ]; then
    [ "$cmd" = ps ] && set -- list
    for id; do echo "Cannot connect to the Docker daemon at unix:///var/run/docker.sock. Is the docker daemon running?" >&2; done
    exit 1
fi
if [ "$cmd" = ps ]; then
    for f in "$d"/c/*; do read -r n s < "$f"; printf '%s\n' "$2" | sed "s#{{.ID}}#${f##*/}#;s#{{.Names}}#$n#;s#{{.Ports}}#0.0.0.0:8000->8000/tcp#;s#{{.State}}#$s#"; done
    for f in "$d"/landing/*; do [ -e "$f" ] || continue; read -r n s < "$d/c/${f##*/}"; echo "$n paused" > "$d/c/${f##*/}"; rm "$f"; done
    exit 0
fi
for id; do
    [ "$cmd" = pause ] && [ -e "$d/slow/$id" ] && { rm "$d/slow/$id"; : > "$d/landing/$id"; while :; do sleep 0.05; done; }
    [ "$cmd" = pause ] && [ -e "$d/late/$id" ] && { rm "$d/late/$id"; while [ ! -e "$d/late/$id.refused" ]; do sleep 0.05; done; }
    if [ ! -e "$d/c/$id" ]; then echo "Error response from daemon: No such container: $id" >&2; rc=1; continue; fi
    read -r n s < "$d/c/$id"
    case "$cmd:$s" in
    pause:running) echo "$n paused" > "$d/c/$id"; echo "$id" ;;
    unpause:paused) echo "$n running" > "$d/c/$id"; echo "$id" ;;
    pause:paused) echo "Error response from daemon: Container $id is already paused" >&2; rc=1 ;;
    *) [ "$cmd" = unpause ] && : > "$d/late/$id.refused"; echo "Error response from daemon: Container $id is not paused" >&2; rc=1 ;;
    esac
done
exit $rc
)SH";
    QByteArray read(const QString& relative) const
    {
        QFile file(m_dir.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void mark(const QString& relative, bool on) { on ? write(relative, {}) : void(QFile::remove(m_dir.filePath(relative))); }
    void write(const QString& relative, const QByteArray& data)
    {
        QFile file(m_dir.filePath(relative));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(data);
    }
    QTemporaryDir m_dir;
};
