// Kestrova as src/app/main.cpp starts it, plus a line reader on standard
// input that opens and closes the windows the way a user would, so that
// bench/idle_cost.sh can measure each state from outside. Keep the start-up
// in step with main.cpp.
//
//   pages               prints "popover <index> <name>" for each popover tab,
//                       "dashboard <title>" for each page the router builds
//                       and "tour <step> <name>" for each step of the tour
//   popover <index>     opens the popover on that tab
//   dashboard <title>   opens the dashboard on that page, the tour put away
//   tour <step>         opens the dashboard as it comes back at launch with
//                       the tour shown on that step
//   closed              closes the popover and the dashboard
//   processes           prints "process <pid> <cpu> <name>" for each row of
//                       the process list, busiest first
//   quit
//
// bench/idle_cost.sh seeds the settings with the tour done, so that every
// window opens without it unless asked.
//
// With IDLE_PAINT_CENSUS=FILE it also appends to FILE, every ten seconds,
// which widgets were painted how often (bench/idle/PaintCensus.h).

#include "app/DesktopShellPlatform.h"
#include "app/KestrovaApp.h"
#include "PaintCensus.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "platform/DescriptorBudget.h"
#include "platform/QuitSignalRouter.h"
#include "popover/PopoverView.h"
#include "telemetry/AIService.h"
#include "telemetry/PresetManager.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/ProcessRow.h"
#include "widgets/SymbolIcon.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

const char* const kPopoverTabs[] = {"CPU", "Network", "Disk", "Memory", "AI"};
const char* const kTourSteps[] = {"Welcome", "Personas", "Presets", "Caches", "Menus", "Popover"};

void reply(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void listPages()
{
    for (int tab = 0; tab < int(std::size(kPopoverTabs)); ++tab)
        reply(QStringLiteral("popover %1 %2").arg(tab).arg(QLatin1String(kPopoverTabs[tab])));
    const DashboardRouter& router = DashboardRouter::standard();
    for (int i = 0; i < kDashboardPageCount; ++i) {
        const auto page = DashboardPage(i);
        const QStringList titles = DashboardRouter::titles(page);
        if (router.hasFactory(page) && !titles.isEmpty())
            reply(QStringLiteral("dashboard ") + titles.first());
    }
    for (int step = 0; step < int(std::size(kTourSteps)); ++step)
        reply(QStringLiteral("tour %1 %2").arg(step).arg(QLatin1String(kTourSteps[step])));
}

} // namespace

int main(int argc, char* argv[])
{
    DescriptorBudget::raiseSoftLimit();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    SymbolIcon::loadFont();
    ProcessRow::setDefaultExplainer([](QString name) { return AIService::shared().explainProcess(std::move(name)); });
    OnboardingTourOverlay::install();
    QuitSignalRouter quitRouter;

    DesktopShellPlatform desktop;
    AppDelegate::Deps delegate = AppDelegate::Deps::live(desktop);
    QPointer<PopoverView> popoverView;
    delegate.popoverRoot = [&popoverView](SystemStatsProvider* stats, ProcessMonitor* monitor, PingService* ping,
                                          ThemeManager* theme) {
        auto* view = new PopoverView(stats, monitor, ping, theme);
        popoverView = view;
        return view;
    };
    KestrovaApp kestrova({&desktop, [] { return PresetBinding::of(PresetManager::shared()); }, std::move(delegate)});
    kestrova.launch();

    AppDelegate& shell = *kestrova.delegate();
    NotificationCenter& center = NotificationCenter::shared();
    SettingsStore& settings = SettingsStore::shared();
    auto closeDashboard = [&] {
        if (QWidget* dashboard = shell.dashboardWindow())
            dashboard->close();
    };
    auto obey = [&](const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        if (verb == u"pages") {
            listPages();
        } else if (verb == u"popover") {
            closeDashboard();
            center.post(QStringLiteral("OpenPopover"));
            if (popoverView)
                popoverView->setSelectedTab(argument.toInt());
        } else if (verb == u"dashboard") {
            closeDashboard();
            settings.setShowOnboardingTour(false);
            center.post(QStringLiteral("OpenDashboard"), {{QStringLiteral("tab"), argument}});
        } else if (verb == u"tour") {
            // As a relaunch finds it: the step and the shown flag stored.
            closeDashboard();
            center.post(QStringLiteral("ClosePopover"));
            settings.setOnboardingTourStep(argument.toInt());
            settings.setShowOnboardingTour(true);
            center.post(QStringLiteral("OpenDashboard"));
        } else if (verb == u"closed") {
            center.post(QStringLiteral("ClosePopover"));
            closeDashboard();
        } else if (verb == u"processes") {
            for (const ProcessInfoData& row : ProcessMonitor::shared().topProcesses())
                reply(QStringLiteral("process %1 %2 %3").arg(row.id).arg(row.cpuUsage, 0, 'f', 1).arg(row.name));
        } else if (verb == u"quit") {
            QCoreApplication::quit();
        }
        reply(QStringLiteral("ok ") + line);
    };
    std::unique_ptr<PaintCensus> census;
    if (const QString path = qEnvironmentVariable("IDLE_PAINT_CENSUS"); !path.isEmpty())
        census = std::make_unique<PaintCensus>(path);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // the writer went away; keep running
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!line.isEmpty())
                obey(line);
        }
    });

    return QApplication::exec();
}
