#include "fakes/FakeDockerCommand.h"

#include <QDir>
#include <QFile>

namespace {

// $dir/containers/<id> holds "<name> <state>". The messages and exit
// statuses are those of docker 20.10 against a real engine.
const char kScript[] = R"SH(#!/bin/sh
dir='@DIR@'
while [ -e "$dir/hang" ]; do sleep 0.05; done
rc=0
cmd=$1
shift
case "$cmd" in
ps)
    [ "$1" = --format ] || { echo "stand-in: ps wants --format" >&2; rc=2; }
    for f in "$dir"/containers/*; do
        [ "$rc" = 0 ] && [ -f "$f" ] || continue
        read -r name state < "$f"
        printf '%s\n' "$2" | sed -e "s#{{.ID}}#${f##*/}#g" -e "s#{{.Names}}#$name#g" \
            -e "s#{{.Ports}}#0.0.0.0:8000->8000/tcp#g" -e "s#{{.State}}#$state#g"
    done ;;
pause|unpause)
    for id in "$@"; do
        f="$dir/containers/$id"
        if [ ! -f "$f" ]; then echo "Error response from daemon: No such container: $id" >&2; rc=1; continue; fi
        read -r name state < "$f"
        if [ "$cmd" = pause ] && [ "$state" = paused ]; then
            echo "Error response from daemon: Container $id is already paused" >&2; rc=1; continue
        fi
        if [ "$cmd" = unpause ] && [ "$state" != paused ]; then
            echo "Error response from daemon: Container $id is not paused" >&2; rc=1; continue
        fi
        if [ "$cmd" = pause ]; then echo "$name paused" > "$f"; else echo "$name running" > "$f"; fi
        echo "$id"
    done ;;
*)
    echo "docker: '$cmd' is not a docker command." >&2; rc=1 ;;
esac
exit $rc
)SH";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

} // namespace

FakeDockerCommand::FakeDockerCommand()
{
    QDir().mkpath(path(QStringLiteral("containers")));
    const QString script = path(QStringLiteral("docker"));
    writeAll(script, QByteArray(kScript).replace("@DIR@", m_dir.path().toLocal8Bit()));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FakeDockerCommand::addContainer(const QString& id, const QString& name, const QByteArray& state)
{
    writeAll(path(QStringLiteral("containers/") + id), name.toLocal8Bit() + ' ' + state + '\n');
}

QByteArray FakeDockerCommand::state(const QString& id) const
{
    return readAll(path(QStringLiteral("containers/") + id)).trimmed().split(' ').value(1);
}

void FakeDockerCommand::setState(const QString& id, const QByteArray& state)
{
    const QByteArray name = readAll(path(QStringLiteral("containers/") + id)).split(' ').value(0);
    addContainer(id, QString::fromLocal8Bit(name), state);
}

void FakeDockerCommand::setHung(bool hung)
{
    if (hung)
        writeAll(path(QStringLiteral("hang")), {});
    else
        QFile::remove(path(QStringLiteral("hang")));
}
