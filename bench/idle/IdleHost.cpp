// Kestrova as src/app/main.cpp starts it (the same services, the same
// views), plus a line reader on standard input that opens and closes the
// windows the way a user would, with clicks, so that bench/idle_cost.sh can
// measure each state from outside. Keep the start-up in step with main.cpp.
//
//   pages               prints "popover <index> <name>" for each popover tab
//                       and "popover 4/<sub> AI <name>" for each AI sub-tab
//                       but the first, "dashboard <title>" for each page
//                       the router builds and "tour <step> <name>" for
//                       each step of the tour
//   popover <index>[/<sub>]
//                       opens the popover as a click on the status item
//                       does, the tour put away, then clicks the tray's
//                       button of that tab (and the AI page's pill of that
//                       sub-tab)
//   dashboard <title>   opens the dashboard as the tray's dashboard button
//                       does, the tour put away, then clicks the sidebar
//                       row of that page
//   tour <step>         opens the dashboard as it comes back at launch with
//                       the tour shown on that step
//   closed              closes the popover and the dashboard, the tour put
//                       away
//   content             prints what the page on screen holds: "content
//                       <where> texts=<n> leaves=<n>" (visible labels with
//                       text, visible widgets without visible children), on
//                       the AI page also "status=<word> sandbox=<on|off>
//                       models=<rows> processes=<rows>", and always
//                       "passes=<n>", the local-AI watcher's passes so far;
//                       "content none" when no window is shown
//   processes           prints "process <pid> <cpu> <name>" for each row of
//                       the process list, busiest first
//   quit
//
// A command it cannot carry out answers "error <why>" before its "ok".
//
// bench/idle_cost.sh seeds the settings with the tour done, so that every
// window opens without it unless asked.
//
// With IDLE_PAINT_CENSUS=FILE it also appends to FILE, every ten seconds,
// which widgets were painted how often (bench/idle/PaintCensus.h).

#include "app/DesktopShellPlatform.h"
#include "app/KestrovaApp.h"
#include "app/PopoverPresenter.h"
#include "PaintCensus.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/DashboardSidebar.h"
#include "dashboard/SettingsView.h"
#include "dashboard/SidebarButton.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "platform/DescriptorBudget.h"
#include "platform/QuitSignalRouter.h"
#include "localai/LocalAIService.h"
#include "popover/BottomAppTray.h"
#include "popover/PopoverView.h"
#include "popover/ai/AITabView.h"
#include "popover/ai/TelemetrySubTab.h"
#include "telemetry/AIService.h"
#include "telemetry/PresetManager.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/KeyedRowList.h"
#include "widgets/ModelServerStatusCapsule.h"
#include "widgets/ProcessRow.h"
#include "widgets/SubTabButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TabBarButton.h"
#include "widgets/ToggleSwitch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

const char* const kPopoverTabs[] = {"CPU", "Network", "Disk", "Memory", "AI"};
const char* const kAISubTabs[] = {"Telemetry", "Optimizer", "Caches", "Servers"};
const char* const kTourSteps[] = {"Welcome", "Personas", "Presets", "Caches", "Menus", "Popover"};
constexpr int kAITab = 4;

void reply(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void listPages()
{
    for (int tab = 0; tab < int(std::size(kPopoverTabs)); ++tab)
        reply(QStringLiteral("popover %1 %2").arg(tab).arg(QLatin1String(kPopoverTabs[tab])));
    for (int sub = 1; sub < int(std::size(kAISubTabs)); ++sub)
        reply(QStringLiteral("popover %1/%2 AI %3").arg(kAITab).arg(sub).arg(QLatin1String(kAISubTabs[sub])));
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

// What a page shows: its visible labels with text, and its visible widgets
// that hold no visible widget (what paints the page).
QString pageCensus(const QWidget* page)
{
    int texts = 0;
    int leaves = 0;
    for (const QWidget* widget : page->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->width() <= 0 || widget->height() <= 0)
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && !label->text().trimmed().isEmpty())
            ++texts;
        const QList<QWidget*> children = widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        if (std::none_of(children.begin(), children.end(), [](const QWidget* w) { return w->isVisible(); }))
            ++leaves;
    }
    return QStringLiteral("texts=%1 leaves=%2").arg(texts).arg(leaves);
}

int visibleRows(const KeyedRowList* list)
{
    return list && list->isVisible() ? list->count() : 0;
}

// The popover's page; on the AI page, the shown sub-tab's content (the
// header and pills show whatever the page holds).
QString popoverContent(const PopoverView& popover)
{
    const QWidget* page = popover.currentPage();
    if (!page)
        return QStringLiteral("popover-nothing texts=0 leaves=0");
    const auto* ai = qobject_cast<const AITabView*>(page);
    if (!ai)
        return QStringLiteral("popover-") + QLatin1String(page->metaObject()->className()) + u' ' + pageCensus(page);
    const QWidget* content = ai->currentContent();
    QString line = QStringLiteral("popover-AI-") + QLatin1String(kAISubTabs[ai->shownSubTab()]) + u' ' +
                   (content ? pageCensus(content) : QStringLiteral("texts=0 leaves=0"));
    line += QStringLiteral(" status=") + ai->statusCapsule()->word();
    if (const auto* telemetry = qobject_cast<const TelemetrySubTab*>(content)) {
        line += QStringLiteral(" sandbox=") + (telemetry->sandboxSwitch()->isChecked() ? QStringLiteral("on") : QStringLiteral("off"));
        line += QStringLiteral(" models=%1").arg(visibleRows(telemetry->modelList()));
        line += QStringLiteral(" processes=%1")
                    .arg(visibleRows(telemetry->processList()) + (telemetry->sampleRow()->isVisible() ? 1 : 0));
    }
    return line;
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
    // The application's own popover root, with every service its pages
    // read; only noted here.
    QPointer<PopoverView> popoverView;
    delegate.popoverRoot = [&popoverView, live = delegate.popoverRoot](SystemStatsProvider* stats,
                                                                      ProcessMonitor* monitor, PingService* ping,
                                                                      ThemeManager* theme) {
        QWidget* root = live(stats, monitor, ping, theme);
        popoverView = qobject_cast<PopoverView*>(root);
        return root;
    };
    KestrovaApp kestrova({&desktop, [] { return PresetBinding::of(PresetManager::shared()); }, std::move(delegate)});
    kestrova.launch();

    AppDelegate& shell = *kestrova.delegate();
    NotificationCenter& center = NotificationCenter::shared();
    SettingsStore& settings = SettingsStore::shared();
    qint64 passes = 0;
    QObject::connect(&LocalAIService::shared(), &LocalAIService::passEnded, &app, [&passes] { ++passes; });
    auto closeDashboard = [&] {
        if (QWidget* dashboard = shell.dashboardWindow())
            dashboard->close();
    };
    // What a click on the status item does, when the popover is closed.
    auto openPopover = [&] {
        if (!shell.popover()->isShown())
            shell.handleStatusItemAction(Qt::LeftButton);
        return shell.popover()->isShown() && popoverView;
    };
    auto content = [&]() -> QString {
        const QString passed = QStringLiteral(" passes=%1").arg(passes);
        if (shell.popover()->isShown() && popoverView)
            return popoverContent(*popoverView) + passed;
        if (auto* dashboard = qobject_cast<SettingsView*>(shell.dashboardRoot()); dashboard && dashboard->isVisible())
            return QStringLiteral("dashboard-") + dashboard->selectedSidebarItem().replace(u' ', u'-') + u' ' +
                   (dashboard->contentView() ? pageCensus(dashboard->contentView())
                                             : QStringLiteral("texts=0 leaves=0")) +
                   passed;
        return QStringLiteral("none") + passed;
    };
    auto obey = [&](const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        if (verb == u"pages") {
            listPages();
        } else if (verb == u"popover") {
            // A tour left on its popover step makes the selected tab breathe
            // in any popover: put away, as for the dashboard's pages.
            closeDashboard();
            settings.setShowOnboardingTour(false);
            const int tab = argument.section(u'/', 0, 0).toInt();
            const int sub = argument.section(u'/', 1).toInt();
            TabBarButton* tabButton = openPopover() ? popoverView->tray()->pageButtons().value(tab) : nullptr;
            if (tabButton)
                tabButton->click();
            auto* ai = popoverView ? qobject_cast<AITabView*>(popoverView->currentPage()) : nullptr;
            if (!tabButton)
                reply(QStringLiteral("error the popover did not open on tab ") + argument);
            else if (sub > 0 && !(ai && ai->subTabButtons().value(sub)))
                reply(QStringLiteral("error no AI sub-tab ") + argument);
            else if (sub > 0)
                ai->subTabButtons().value(sub)->click();
        } else if (verb == u"dashboard") {
            closeDashboard();
            settings.setShowOnboardingTour(false);
            center.post(QStringLiteral("OpenDashboard"));
            auto* dashboard = qobject_cast<SettingsView*>(shell.dashboardRoot());
            SidebarButton* row = dashboard ? dashboard->sidebar()->button(argument) : nullptr;
            if (row)
                row->click();
            else
                reply(QStringLiteral("error no sidebar row ") + argument);
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
            settings.setShowOnboardingTour(false);
        } else if (verb == u"content") {
            reply(QStringLiteral("content ") + content());
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
