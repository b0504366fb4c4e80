#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <cstdlib>

namespace {
std::unique_ptr<QTemporaryDir> g_root;
}

void TestEnvironment::install()
{
    g_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kestrova-test-XXXXXX"));
    const QString base = g_root->path();
    const auto setDir = [&](const char* variable, const QString& sub) {
        const QString path = base + QLatin1Char('/') + sub;
        QDir().mkpath(path);
        ::setenv(variable, QFile::encodeName(path).constData(), 1);
    };
    setDir("HOME", QStringLiteral("home"));
    setDir("XDG_CONFIG_HOME", QStringLiteral("home/.config"));
    setDir("XDG_CACHE_HOME", QStringLiteral("home/.cache"));
    setDir("XDG_DATA_HOME", QStringLiteral("home/.local/share"));
    setDir("XDG_RUNTIME_DIR", QStringLiteral("runtime"));
    setDir("TMPDIR", QStringLiteral("tmp"));
    ::chmod(QFile::encodeName(base + QStringLiteral("/runtime")).constData(), 0700);
}

QString TestEnvironment::root() { return g_root ? g_root->path() : QString(); }
QString TestEnvironment::home() { return root() + QStringLiteral("/home"); }
