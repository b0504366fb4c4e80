#pragma once

#include "core/OwnedTempDir.h"
#include "platform/AbstractSocketNote.h"
#include "support/LaunchedApp.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// How a launched copy started and ended, and what it left in its folders, as a test looks at it.
namespace LaunchState {

// The pid on the first line of a lock or owner file.
inline qint64 pidIn(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

// The private settings copies in `folders` that `pid` owns (`owned`) or not.
inline int settingsCopies(const QStringList& folders, qint64 pid, bool owned)
{
    int count = 0;
    for (const QString& folder : folders)
        for (const QString& copy : QDir(folder).entryList({QStringLiteral("kestrova-settings-*")}, QDir::Dirs))
            count += int((pidIn(folder + QLatin1Char('/') + copy + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)) == pid) == owned);
    return count;
}

// What runs left in the runtime and temp folders under `root` (its "run"
// and "tmp"): launch sockets and locks, settings copies, hold records.
inline QStringList leftIn(const QString& root)
{
    QStringList left;
    for (const char* folder : {"/run", "/tmp"})
        left += QDir(root + QLatin1String(folder)).entryList({QStringLiteral("kestrova*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
    return left;
}

// `pid` holds the launch lock beside `socket` and takes connections there
// (or on the abstract socket noted there, when the path is too long for one).
inline bool isUp(qint64 pid, const QString& socket)
{
    QLocalSocket probe;
    if (AbstractSocketNote::pathFits(socket)) {
        probe.connectToServer(socket);
    } else {
        probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        probe.connectToServer(AbstractSocketNote::read(socket));
    }
    return pidIn(socket + QStringLiteral(".lock")) == pid && probe.waitForConnected(1000);
}

// `app`, ended with SIGTERM (unless it left already), leaves with 0; `output` gets all it printed.
inline ::testing::AssertionResult leavesWithZero(LaunchedApp& app, QString* output = nullptr)
{
    const LaunchedApp::Ending ending = app.terminate(std::chrono::seconds(30));
    if (output)
        *output = ending.output;
    return ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure() << ending.output.toStdString();
}

} // namespace LaunchState
