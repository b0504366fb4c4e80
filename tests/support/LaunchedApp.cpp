#include "support/LaunchedApp.h"

#include "support/TaskRunner.h"

#include <QFile>

#include <csignal>

LaunchedApp::LaunchedApp(const QString& scratch) : environment(QProcessEnvironment::systemEnvironment()), m_scratch(scratch)
{
    QDir().mkpath(configFolder() + QStringLiteral("/Kestrova"));
    QDir().mkpath(scratch + QStringLiteral("/run"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch + QStringLiteral("/run"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + scratch + QStringLiteral("/nobus"));
    process.setProcessChannelMode(QProcess::MergedChannels);
}

LaunchedApp::~LaunchedApp()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
}

bool LaunchedApp::start(const QString& program, const QStringList& arguments)
{
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForStarted(5000);
}

bool LaunchedApp::keepsRunning(std::chrono::milliseconds wait)
{
    return !waitUntil([&] { return process.state() == QProcess::NotRunning; }, wait);
}

bool LaunchedApp::says(const QString& line, std::chrono::milliseconds wait)
{
    return waitUntil(
        [&] {
            m_output += QString::fromUtf8(process.readAll());
            return m_output.startsWith(line) || m_output.contains(QLatin1Char('\n') + line)
                || process.state() == QProcess::NotRunning;
        },
        wait)
        && (m_output.startsWith(line) || m_output.contains(QLatin1Char('\n') + line));
}

bool LaunchedApp::catches(int signal, std::chrono::milliseconds wait)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
    const auto caught = [&] {
        status.close();
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1) & 1) != 0;
        return false;
    };
    return waitUntil([&] { return caught() || process.state() == QProcess::NotRunning; }, wait) && caught();
}

QString LaunchedApp::ask(const QByteArray& line, const QString& reply, std::chrono::milliseconds wait)
{
    const qsizetype from = m_output.size();
    process.write(line + '\n');
    waitUntil(
        [&] {
            m_output += QString::fromUtf8(process.readAll());
            const QString fresh = m_output.mid(from);
            return fresh.startsWith(reply) || fresh.contains(QLatin1Char('\n') + reply);
        },
        wait);
    return m_output.mid(from);
}

LaunchedApp::Ending LaunchedApp::terminate(std::chrono::milliseconds wait)
{
    Ending ending;
    if (process.state() != QProcess::NotRunning && process.processId() > 0)
        ::kill(pid_t(process.processId()), SIGTERM);
    ending.finished = waitUntil([&] { return process.state() == QProcess::NotRunning; }, wait);
    if (!ending.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    ending.status = process.exitStatus();
    ending.exitCode = process.exitCode();
    m_output += QString::fromUtf8(process.readAll());
    ending.output = m_output;
    return ending;
}
