#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// Per-process test sandbox: HOME, XDG folders and TMPDIR point into one
// temp folder, so no test touches the user's files. Set up by the test main
// before the QApplication exists.
class TestEnvironment {
public:
    static void install();
    static QString root();
    static QString home();
};
