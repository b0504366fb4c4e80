#pragma once

#include <QString>

// Roots that readers and file actions work under. Production uses the real
// ones; tests point them at fixture trees and temp folders.
struct SystemPaths {
    QString procRoot = QStringLiteral("/proc");
    QString sysRoot = QStringLiteral("/sys");
    QString etcRoot = QStringLiteral("/etc");
    QString home;   // the user's home folder
    QString temp;   // the temporary folder

    QString proc(const QString& relative) const { return procRoot + QLatin1Char('/') + relative; }
    QString sys(const QString& relative) const { return sysRoot + QLatin1Char('/') + relative; }
    QString inHome(const QString& relative) const { return home + QLatin1Char('/') + relative; }

    // The real roots, with home and temp from the environment.
    static SystemPaths live();
};
