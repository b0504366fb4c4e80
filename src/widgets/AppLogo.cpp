#include "widgets/AppLogo.h"

#include <QStandardPaths>

// Resources of a static library are registered by hand.
static void registerBuiltInResources() { Q_INIT_RESOURCE(resources); }

QStringList AppLogo::defaultPaths()
{
    static const bool registered = (registerBuiltInResources(), true);
    Q_UNUSED(registered);
    QStringList paths = QStandardPaths::locateAll(QStandardPaths::AppDataLocation, QStringLiteral("logo.png"));
    paths << QStringLiteral(":/kestrova/logo");
    return paths;
}

QImage AppLogo::find(const QStringList& paths)
{
    for (const QString& path : paths) {
        QImage image(path);
        if (!image.isNull())
            return image;
    }
    return {};
}
