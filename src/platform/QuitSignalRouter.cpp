#include "platform/QuitSignalRouter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};
// Read by the start between its steps; set from the handler.
std::atomic<bool> g_quitAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

void onQuitSignal(int)
{
    // The handler may interrupt code that is about to read errno, and a
    // failed write (a full pipe, or no pipe) would overwrite it.
    const int savedErrno = errno;
    g_quitAsked.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void drain()
{
    char bytes[64];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

} // namespace

void QuitSignalRouter::catchSignals()
{
    [[maybe_unused]] static const bool piped = [] {
        std::signal(SIGPIPE, SIG_IGN);
        // Non-blocking: a burst of signals that fills the pipe must not hang
        // the handler; one byte waiting is enough to quit. Without a pipe the
        // flag still records the signal.
        return ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) == 0;
    }();
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kQuitSignals) {
        // Whoever started us ignoring it (nohup, `cmd &` in a script) meant
        // it to go by: it stays ignored.
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

bool QuitSignalRouter::quitAsked()
{
    return g_quitAsked.load();
}

QuitSignalRouter::QuitSignalRouter(QObject* parent) : QObject(parent)
{
    catchSignals();
    // Queued: a quit asked before reaches the event loop once it runs, so
    // aboutToQuit gives back what the start took.
    if (quitAsked())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    if (g_pipe[0] < 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        drain();
        QCoreApplication::quit();
    });
}

QuitSignalRouter::~QuitSignalRouter()
{
    // The handlers stay until the process ends: a quit signal during the
    // rest of the quit (a logout sends more than one) is taken and changes
    // nothing. What came meanwhile is not left for a later router.
    delete m_notifier;
    m_notifier = nullptr;
    drain();
    g_quitAsked.store(false);
}
