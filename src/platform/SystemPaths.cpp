#include "platform/SystemPaths.h"

#include <QDir>

SystemPaths SystemPaths::live()
{
    SystemPaths paths;
    paths.home = QDir::homePath();
    paths.temp = QDir::tempPath();
    return paths;
}
