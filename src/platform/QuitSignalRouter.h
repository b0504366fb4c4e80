#pragma once

#include <QObject>

class QSocketNotifier;

// Routes SIGTERM, SIGINT and SIGHUP to QCoreApplication::quit() through a
// self-pipe, so quitting runs the normal aboutToQuit clean-up instead of
// dying inside a signal handler. Also ignores SIGPIPE for the process. A
// quit signal the process was started ignoring (nohup) stays ignored; the
// others are caught until the process ends.
//
// The signals can be caught from the first lines of main, long before the
// event loop runs (catchSignals()): until a router exists, a quit signal is
// only recorded, and the start asks quitAsked() between its steps to leave
// early.
class QuitSignalRouter : public QObject {
    Q_OBJECT

public:
    // Catches the quit signals from now on; needs no QCoreApplication.
    static void catchSignals();
    // A quit signal has come since the signals were caught.
    static bool quitAsked();

    // From now on a quit signal quits the application; one that came
    // before quits it as soon as its event loop runs. Catches the signals if
    // that is not done yet. Needs a QCoreApplication.
    explicit QuitSignalRouter(QObject* parent = nullptr);
    // A quit signal from now on is still caught and changes nothing.
    ~QuitSignalRouter() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};
