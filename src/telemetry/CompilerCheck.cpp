#include "telemetry/CompilerCheck.h"

#include <array>

namespace {

constexpr std::array<std::string_view, 6> kCompilerNames = {"swiftc", "rustc", "clang", "xcodebuild", "cargo", "gcc"};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool containsIgnoringCase(std::string_view text, std::string_view lowercaseNeedle)
{
    if (lowercaseNeedle.size() > text.size())
        return false;
    for (std::size_t start = 0; start + lowercaseNeedle.size() <= text.size(); ++start) {
        std::size_t i = 0;
        while (i < lowercaseNeedle.size() && lower(text[start + i]) == lowercaseNeedle[i])
            ++i;
        if (i == lowercaseNeedle.size())
            return true;
    }
    return false;
}

} // namespace

CompilerCheck::CompilerCheck(QString procRoot, std::function<bool()> demoMode)
    : m_scanner(std::move(procRoot)), m_demoMode(std::move(demoMode))
{
}

bool CompilerCheck::namesCompiler(std::string_view image)
{
    for (const std::string_view name : kCompilerNames)
        if (containsIgnoringCase(image, name))
            return true;
    return false;
}

bool CompilerCheck::isCompilerRunning()
{
    if (m_demoMode && m_demoMode())
        return false;
    return m_scanner.any(&CompilerCheck::namesCompiler);
}
