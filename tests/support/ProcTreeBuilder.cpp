#include "support/ProcTreeBuilder.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

void writeInPlace(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

} // namespace

ProcTreeBuilder::ProcTreeBuilder()
{
    setUptime(10000.0);
}

void ProcTreeBuilder::setUptime(double seconds)
{
    writeInPlace(root() + QStringLiteral("/uptime"),
                 QByteArray::number(seconds, 'f', 2) + ' ' + QByteArray::number(seconds * 4, 'f', 2) + '\n');
}

QByteArray ProcTreeBuilder::statLine(const Process& p)
{
    // The 52 fields of a Linux 6 stat line; only a few matter to readers.
    QByteArray line = QByteArray::number(p.pid) + " (" + p.name + ") " + p.state + ' '
                      + QByteArray::number(p.parentPid) + ' ' + QByteArray::number(p.pid) + ' '
                      + QByteArray::number(p.pid) + " 0 -1 4194304 120 0 0 0 " + QByteArray::number(p.utime) + ' '
                      + QByteArray::number(p.stime) + " 0 0 20 0 1 0 " + QByteArray::number(p.startTime)
                      + " 10846208 1152 18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 3 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
    return line;
}

void ProcTreeBuilder::write(const Process& p)
{
    const QString dir = root() + QLatin1Char('/') + QString::number(p.pid);
    QDir().mkpath(dir);
    writeInPlace(dir + QStringLiteral("/stat"), statLine(p));
    writeInPlace(dir + QStringLiteral("/comm"), p.name + '\n');
    QByteArray commandLine;
    for (const QByteArray& argument : p.arguments)
        commandLine += argument + '\0';
    writeInPlace(dir + QStringLiteral("/cmdline"), commandLine);
    const QByteArray link = QFile::encodeName(dir + QStringLiteral("/exe"));
    ::unlink(link.constData());
    if (!p.exe.isEmpty() && ::symlink(p.exe.constData(), link.constData()) != 0)
        qWarning("cannot link %s", link.constData());
}

void ProcTreeBuilder::remove(qint32 pid)
{
    QDir(root() + QLatin1Char('/') + QString::number(pid)).removeRecursively();
}
