#include "platform/QuitSignalRouter.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace {

qsizetype openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

} // namespace

// Signals are raised in this test process only, and only while the router
// catches them.
TEST(QuitSignalRouterTest, ABurstOfSignalsNeitherHangsNorDisturbsErrno)
{
    QuitSignalRouter router;
    // Nobody drains the pipe here, so it fills within a few hundred signals;
    // a blocking write would hang the handler, and a failed one must not
    // leak its errno into the interrupted code.
    for (int i = 0; i < 5000; ++i) {
        errno = EDOM;
        ASSERT_EQ(std::raise(SIGINT), 0);
        ASSERT_EQ(errno, EDOM) << "after signal " << i;
    }
}

// The quit goes on after the router is gone (the rest of main, the
// destructors of statics): a quit signal then is still caught, and changes
// nothing. Routers one after the other open no more descriptors.
TEST(QuitSignalRouterTest, KeepsTheSignalsCaughtOnceGone)
{
    QuitSignalRouter::catchSignals();
    const qsizetype before = openDescriptorCount();
    struct sigaction during = {};
    for (int i = 0; i < 3; ++i) {
        QuitSignalRouter router;
        EXPECT_EQ(openDescriptorCount(), before);
        ASSERT_EQ(::sigaction(SIGTERM, nullptr, &during), 0);
    }
    EXPECT_EQ(openDescriptorCount(), before);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction after = {};
        ASSERT_EQ(::sigaction(signal, nullptr, &after), 0);
        EXPECT_EQ(after.sa_handler, during.sa_handler) << signal;
    }
}

// A signal that comes while the start runs, before any event loop, is kept:
// the start can ask for it, and the router quits the loop through its quit
// path once it runs.
TEST(QuitSignalRouterTest, ASignalBeforeTheEventLoopQuitsItOnceItRuns)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        QuitSignalRouter::catchSignals();
        EXPECT_FALSE(QuitSignalRouter::quitAsked());
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_TRUE(QuitSignalRouter::quitAsked());

        QuitSignalRouter router;
        bool quitPath = false;
        const QMetaObject::Connection watch =
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [&quitPath] { quitPath = true; });
        QTimer neverQuit;
        neverQuit.callOnTimeout([] { QCoreApplication::exit(1); });
        neverQuit.start(60'000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_TRUE(quitPath);
        QObject::disconnect(watch);
    }
}
