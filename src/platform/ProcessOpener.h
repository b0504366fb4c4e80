#pragma once

#include <QString>

// Opens what a process row stands for. Both requests only start the work
// and report nothing: a path that no longer exists or an application that
// cannot start leaves the system as it was.
class ProcessOpener {
public:
    virtual ~ProcessOpener() = default;

    // The application bundle a process's program lies in (a path ending in
    // ".app").
    virtual void openApplication(const QString& bundlePath) = 0;
    // A process's program itself. A program file is never handed to a
    // default handler, which could run it or open it as text.
    virtual void openFile(const QString& path) = 0;

    // The desktop's: launch the program's application entry, else show the
    // file in the file manager.
    static ProcessOpener& system();
};
