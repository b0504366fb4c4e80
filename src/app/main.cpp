#include "app/DesktopShellPlatform.h"
#include "app/HeldLeftovers.h"
#include "app/KestrovaApp.h"
#include "core/OneLineText.h"
#include "core/Print.h"
#include "core/SettingsStore.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "platform/DescriptorBudget.h"
#include "platform/DisplayCheck.h"
#include "platform/ExitDuringRun.h"
#include "platform/LeftoverFolders.h"
#include "platform/QuitSignalRouter.h"
#include "platform/SessionProcessGuard.h"
#include "platform/SingleInstance.h"
#include "platform/StandardDescriptors.h"
#include "platform/TrayOwnerTracker.h"
#include "telemetry/AIService.h"
#include "telemetry/PresetManager.h"
#include "widgets/ProcessRow.h"
#include "widgets/SymbolIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTimer>

#include <memory>
#include <optional>

int main(int argc, char* argv[])
{
    // Standard input, output and error get their numbers back before the
    // quit pipe below opens, or it would take them.
    StandardDescriptors::openClosedOnNull();
    // A quit signal (SIGTERM at logout, SIGINT, SIGHUP) may come at any
    // moment of the start: from here on it is caught, and the start leaves
    // with 0 at its next step, or through the quit path once it runs.
    QuitSignalRouter::catchSignals();
    // Kept /proc files, proxy sockets and directory walks all need
    // descriptors; the default soft limit (1024) is far below the hard one.
    DescriptorBudget::raiseSoftLimit();
    if (const QString why = DisplayCheck::whyNoDisplay(argc, argv); !why.isEmpty()) {
        kestrova::print(why);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));
    // The application lives in the tray; closing the dashboard does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QuitSignalRouter::quitAsked())
        return 0;
    // Built once the start is over, destroyed after everything it started.
    std::optional<QuitSignalRouter> quitRouter;

    // One copy per session: a later launch asks this one for its dashboard
    // and leaves.
    SingleInstance instance(QDBusConnection::sessionBus(), SingleInstance::defaultSocketPath(),
                            SingleInstance::fallbackSocketPath());
    const SingleInstance::Role role = QCoro::waitFor(instance.claim());
    if (QuitSignalRouter::quitAsked())
        return 0;
    switch (role) {
    case SingleInstance::Role::first:
        break;
    case SingleInstance::Role::handedOver:
        return 0;
    case SingleInstance::Role::otherNotAnswering:
        kestrova::print(QStringLiteral("Kestrova is already running but did not answer."));
        return 1;
    }

    // The private settings copies of runs that were killed go now.
    DeletionLeftovers left;
    for (const QString& folder : SettingsStore::copyFolders())
        left.add(LeftoverFolders::removeIn(folder, QLatin1String(SettingsStore::kCopyFolderPrefix)));
    if (left.any())
        kestrova::print(QStringLiteral("⚠️ A settings copy left by an earlier run stays in place: ") + oneLineText(left.firstPath));

    // What runs that died holding it left frozen or paused is given back.
    HeldLeftovers::giveBack();

    // The panel hosting the tray is never frozen.
    TrayOwnerTracker trayOwners(SessionProcessGuard::system(), QDBusConnection::sessionBus());
    trayOwners.start();

    SymbolIcon::loadFont();
    // Process rows ask the co-pilot what a process is.
    ProcessRow::setDefaultExplainer([](QString name) { return AIService::shared().explainProcess(std::move(name)); });

    // Every dashboard window shows the onboarding tour while it is on.
    OnboardingTourOverlay::install();
    if (QuitSignalRouter::quitAsked())
        return 0;

    DesktopShellPlatform desktop;
    KestrovaApp kestrova(
        {&desktop, [] { return PresetBinding::of(PresetManager::shared()); }, AppDelegate::Deps::live(desktop)});
    kestrova.launch();
    QObject::connect(&instance, &SingleInstance::activationRequested, &kestrova,
                     [&kestrova] { kestrova.delegate()->showSettings(); });

    // From here a quit signal ends in a normal quit, so aboutToQuit resumes
    // the processes we froze and stops the proxy thread.
    quitRouter.emplace();
    // A lost display ends the process from inside the event loop: what the
    // quit path gives back is given back on the way out.
    const ExitDuringRun displayLoss([&instance] {
        ExitDuringRun::emitAboutToQuit();
        // exit() never comes back here, nor destroys the application: these
        // are the only ends of the claim (its lock and socket go) and of the
        // settings (saved, their private copy removed).
        std::destroy_at(&instance);
        delete &SettingsStore::shared();
    });
    QTimer::singleShot(0, &kestrova, [] { kestrova::print(QString::fromLatin1(KestrovaApp::kUpLine)); });

    return QApplication::exec();
}
