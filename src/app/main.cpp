#include "app/ThemeManager.h"
#include "dashboard/SettingsView.h"
#include "localai/LocalAIService.h"
#include "platform/QuitSignalRouter.h"
#include "telemetry/AIService.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/ProcessRow.h"
#include "widgets/SymbolIcon.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationName(QStringLiteral("Kestrova"));
    QApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    SymbolIcon::loadFont();
    // Process rows ask the co-pilot what a process is.
    ProcessRow::setDefaultExplainer([](QString name) { return AIService::shared().explainProcess(std::move(name)); });

    QuitSignalRouter quitRouter;
    LocalAIService::shared();

    // The dashboard opens on its default page at every launch.
    SettingsView dashboard(&ThemeManager::shared(), &ProcessMonitor::shared(), QStringLiteral("AI Hardware"));
    dashboard.setWindowTitle(QStringLiteral("Kestrova Dashboard"));
    dashboard.show();

    return QApplication::exec();
}
