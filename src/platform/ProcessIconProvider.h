#pragma once

#include <QIcon>
#include <QString>

// Finds the icon that stands for a program: the desktop icon theme's icon
// for an executable, else the file's own (type) icon. A null icon when the
// path names no file.
class ProcessIconProvider {
public:
    virtual ~ProcessIconProvider() = default;
    virtual QIcon iconForPath(const QString& path) = 0;

    // The desktop's icons; needs a QGuiApplication, and gives null icons
    // without one.
    static ProcessIconProvider& system();
};
