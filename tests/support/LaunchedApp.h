#pragma once

#include <QDir>
#include <QProcess>
#include <QString>

#include <chrono>

// A built executable started by a test, offscreen, with no session bus and
// with its settings and runtime folder under `scratch`; ended with SIGTERM as
// a desktop session ends it.
class LaunchedApp {
public:
    explicit LaunchedApp(const QString& scratch);
    ~LaunchedApp();

    // Set before start().
    QProcessEnvironment environment;
    QString configFolder() const { return m_scratch + QStringLiteral("/config"); }

    bool start(const QString& program, const QStringList& arguments = {});
    // Still running after `wait`?
    bool keepsRunning(std::chrono::milliseconds wait);
    // What the app prints once its start is over and its event loop runs.
    static constexpr auto kUpLine = "Kestrova is running.";
    bool saysItIsUp(std::chrono::milliseconds wait = std::chrono::seconds(120)) { return says(QString::fromLatin1(kUpLine), wait); }
    // Waits until its output has a line that starts with `line` (the line
    // that says it is up, or one a test checks before ending it).
    bool says(const QString& line, std::chrono::milliseconds wait = std::chrono::seconds(120));
    // Waits until the process catches `signal` (its handler is in place):
    // before that, the dynamic loader still runs and the signal's default
    // action applies, as to any program.
    bool catches(int signal, std::chrono::milliseconds wait = std::chrono::seconds(60));
    // Sends a line to its standard input and waits for a line of output
    // that starts with `reply`; returns the output read meanwhile.
    QString ask(const QByteArray& line, const QString& reply, std::chrono::milliseconds wait);

    struct Ending {
        bool finished = false;
        QProcess::ExitStatus status = QProcess::CrashExit;
        int exitCode = -1;
        QString output;
    };
    // SIGTERM unless it has ended already, then waits for the end (killing
    // it after `wait`).
    Ending terminate(std::chrono::milliseconds wait = std::chrono::seconds(10));

    QProcess process;

private:
    QString m_scratch;
    QString m_output;
};
