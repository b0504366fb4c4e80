#include "platform/ExitDuringRun.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

namespace {

std::function<void()>* g_giveBack = nullptr;
std::thread::id g_mainThread;

QtMessageHandler g_nextHandler = nullptr;

void onExit()
{
    // Taken first: whatever the give-back calls must not run it again.
    const std::unique_ptr<std::function<void()>> giveBack(std::exchange(g_giveBack, nullptr));
    if (giveBack && std::this_thread::get_id() == g_mainThread)
        (*giveBack)();
}

// Qt's X11 support says this just before it calls exit(1). Given back from
// here, before any exit handler has run, no global of Qt's or ours that a
// thread still uses is gone yet.
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    g_nextHandler(type, context, text);
    if (type == QtWarningMsg && text.startsWith(QLatin1String("The X11 connection broke")))
        onExit();
}

} // namespace

ExitDuringRun::ExitDuringRun(std::function<void()> giveBack)
{
    static const bool registered = [] {
        g_nextHandler = qInstallMessageHandler(onMessage);
        return std::atexit(onExit) == 0;
    }();
    if (registered) {
        g_mainThread = std::this_thread::get_id();
        g_giveBack = new std::function<void()>(std::move(giveBack));
    }
}

ExitDuringRun::~ExitDuringRun()
{
    delete std::exchange(g_giveBack, nullptr);
}

void ExitDuringRun::emitAboutToQuit()
{
    // The signal is private to the class; its meta-object still calls it.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, "aboutToQuit", Qt::DirectConnection);
}
