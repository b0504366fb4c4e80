#include "localai/LocalAIService.h"
#include "platform/QuitSignalRouter.h"
#include "telemetry/AIService.h"
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

    return QApplication::exec();
}
