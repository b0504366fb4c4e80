#pragma once

#include <QObject>

class QSocketNotifier;

// Routes SIGTERM and SIGINT to QCoreApplication::quit() through a
// self-pipe, so quitting runs the normal aboutToQuit clean-up instead of
// dying inside a signal handler. Also ignores SIGPIPE for the process.
class QuitSignalRouter : public QObject {
    Q_OBJECT

public:
    explicit QuitSignalRouter(QObject* parent = nullptr);
    ~QuitSignalRouter() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};
