#pragma once

#include "platform/ProcessImageScanner.h"

#include <QString>

#include <functional>
#include <string_view>

// Tells whether a compiler or build tool is among the running processes, for
// the fan model's build-turbo rule. Any process whose image name contains
// "swiftc", "rustc", "clang", "xcodebuild", "cargo" or "gcc" (any case)
// counts, so a language server such as clangd counts too. In demo mode the
// answer is false and nothing is scanned.
class CompilerCheck {
public:
    CompilerCheck(QString procRoot, std::function<bool()> demoMode);

    bool isCompilerRunning();

    // Whether an image name contains one of the compiler names.
    static bool namesCompiler(std::string_view image);

private:
    ProcessImageScanner m_scanner;
    std::function<bool()> m_demoMode;
};
