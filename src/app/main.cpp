#include "localai/LocalAIService.h"
#include "platform/QuitSignalRouter.h"
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

    QuitSignalRouter quitRouter;
    LocalAIService::shared();

    return QApplication::exec();
}
