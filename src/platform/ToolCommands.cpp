#include "platform/ToolCommands.h"

#include "platform/ToolPaths.h"

namespace ToolCommands {

ToolCommand buildToolCheck()
{
    // Every name fits the kernel's 15-byte process name, which pgrep matches.
    return {ToolPaths::pgrep(),
            {QStringLiteral("-x"), QStringLiteral("xcodebuild|swiftc|clang|swift-frontend|make|cmake")}};
}

ToolCommand dockerList()
{
    return {ToolPaths::docker(),
            {QStringLiteral("ps"), QStringLiteral("--format"), QStringLiteral("{{.ID}}|{{.Names}}|{{.Ports}}|{{.State}}")}};
}

ToolCommand dockerStop(const QString& containerId)
{
    return {ToolPaths::docker(), {QStringLiteral("stop"), containerId}};
}

ToolCommand dockerPause(const QString& containerId)
{
    return {ToolPaths::docker(), {QStringLiteral("pause"), containerId}};
}

ToolCommand dockerUnpause(const QStringList& containerIds)
{
    return {ToolPaths::docker(), QStringList{QStringLiteral("unpause")} + containerIds};
}

ToolCommand colimaStop()
{
    return {ToolPaths::colima(), {QStringLiteral("stop")}};
}

ToolCommand ping(const QString& host)
{
    return {ToolPaths::ping(),
            {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-w"), QStringLiteral("1"), host}};
}

ToolCommand whatis(const QString& name)
{
    return {ToolPaths::whatis(), {QStringLiteral("--"), name}};
}

} // namespace ToolCommands
