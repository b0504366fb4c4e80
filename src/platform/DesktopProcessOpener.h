#pragma once

#include "platform/DesktopEntry.h"
#include "platform/ProcessOpener.h"

#include <QCoroTask>
#include <QStringList>

#include <functional>

// Opens a process's application the Linux way: the application entry
// (.desktop file) that starts the process's program is launched; without
// one, the program is shown in the file manager. Entries are looked up on
// the file worker thread.
class DesktopProcessOpener final : public ProcessOpener {
public:
    struct Deps {
        QStringList applicationDirs;                          // searched in this order
        std::function<bool(const DesktopEntry&)> launch;      // starts an entry; false when it could not
        std::function<void(const QString& path)> reveal;      // shows a file in the file manager
    };

    // The installed entries, a detached start and the file manager.
    static Deps live();

    explicit DesktopProcessOpener(Deps deps);

    void openApplication(const QString& bundlePath) override;
    void openFile(const QString& path) override;

    // The same, for callers that wait for the outcome.
    QCoro::Task<> openApplicationAsync(QString bundlePath);
    QCoro::Task<> openFileAsync(QString path);

private:
    enum class Match { program, inside };
    QCoro::Task<> open(QString path, Match match);

    Deps m_deps;
};
