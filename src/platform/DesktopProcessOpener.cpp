#include "platform/DesktopProcessOpener.h"

#include "platform/DesktopEntryCatalog.h"
#include "platform/FileManagerReveal.h"
#include "platform/FileWorker.h"

#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

namespace {

struct Lookup {
    std::optional<DesktopEntry> entry;
    bool exists = false;
};

// Starts an entry's command without a shell, in the user's own environment
// (a launched application must not inherit our tools' C locale).
bool launchDetached(const DesktopEntry& entry)
{
    QStringList arguments = entry.command;
    const QString first = arguments.takeFirst();
    const QString program = QDir::isAbsolutePath(first) ? first : QStandardPaths::findExecutable(first);
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!entry.workingDirectory.isEmpty() && QFileInfo(entry.workingDirectory).isDir())
        process.setWorkingDirectory(entry.workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

DesktopProcessOpener::Deps DesktopProcessOpener::live()
{
    Deps deps;
    deps.applicationDirs = DesktopEntryCatalog::standardDirs();
    deps.launch = launchDetached;
    deps.reveal = [](const QString& path) { FileManagerReveal::showItem(path); };
    return deps;
}

DesktopProcessOpener::DesktopProcessOpener(Deps deps) : m_deps(std::move(deps)) {}

void DesktopProcessOpener::openApplication(const QString& bundlePath) { open(bundlePath, Match::inside); }

void DesktopProcessOpener::openFile(const QString& path) { open(path, Match::program); }

// The inner task is held in a local, not awaited as a temporary (GCC 12
// mishandles temporaries that live across a co_await).
QCoro::Task<> DesktopProcessOpener::openApplicationAsync(QString bundlePath)
{
    QCoro::Task<> opening = open(std::move(bundlePath), Match::inside);
    co_await std::move(opening);
}

QCoro::Task<> DesktopProcessOpener::openFileAsync(QString path)
{
    QCoro::Task<> opening = open(std::move(path), Match::program);
    co_await std::move(opening);
}

QCoro::Task<> DesktopProcessOpener::open(QString path, Match match)
{
    // A bare command name (a kernel thread, an unreadable program) names no
    // file we could open.
    if (!QDir::isAbsolutePath(path))
        co_return;
    const QStringList dirs = m_deps.applicationDirs;
    QFuture<Lookup> future = FileWorker::shared().run([dirs, path, match] {
        const DesktopEntryCatalog catalog(dirs);
        Lookup lookup;
        lookup.exists = QFileInfo::exists(path);
        if (lookup.exists)
            lookup.entry = match == Match::program ? catalog.entryForProgram(path) : catalog.entryInside(path);
        return lookup;
    });
    const Lookup lookup = co_await future;
    if (lookup.entry && m_deps.launch && m_deps.launch(*lookup.entry))
        co_return;
    if (lookup.exists && m_deps.reveal)
        m_deps.reveal(path);
}

ProcessOpener& ProcessOpener::system()
{
    static DesktopProcessOpener opener(DesktopProcessOpener::live());
    return opener;
}
