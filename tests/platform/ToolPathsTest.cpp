#include "platform/ProcessCommandRunner.h"
#include "platform/ToolPaths.h"
#include "support/ScopedEnv.h"
#include "support/TaskRunner.h"
#include "support/ToolTree.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(ToolPathsTest, FindsTheFirstExecutableInFolderOrder)
{
    ToolTree tree;
    const QString local = tree.add("usr/local/bin", "docker", "#!/bin/sh\n");
    tree.add("snap/bin", "docker", "#!/bin/sh\n");
    tree.add("usr/bin", "colima", "not a program", false);
    const QStringList debianOrder{tree.folder("usr/bin"), tree.folder("usr/local/bin"), tree.folder("snap/bin")};

    struct Case {
        const char* name;
        QString expected;
    };
    const Case cases[] = {
        {"docker", local},       // /usr/bin has none
        {"colima", QString()},   // not executable there, and nowhere else
        {"pgrep", QString()},    // nowhere
        {"../usr/bin/colima", QString()}, // a name, never a path
        {"", QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToolPaths::locate(QLatin1String(c.name), debianOrder), c.expected) << c.name;
}

TEST(ToolPathsTest, SearchesPathThenTheUsualFoldersButNeverARelativeEntry)
{
    ToolTree tree;
    ScopedEnv path("PATH", (QStringLiteral(".:bin::") + tree.folder("usr/bin") + QLatin1Char(':') + tree.folder("usr/local/bin")
                            + QLatin1Char(':') + tree.folder("usr/bin"))
                               .toLocal8Bit());
    EXPECT_EQ(ToolPaths::searchFolders(),
              (QStringList{tree.folder("usr/bin"), tree.folder("usr/local/bin"), "/usr/local/bin", "/usr/bin", "/snap/bin"}));

    // PATH without /usr/bin still finds what Debian installs there.
    ScopedEnv bare("PATH", tree.folder("snap/bin").toLocal8Bit());
    EXPECT_EQ(ToolPaths::tool(QStringLiteral("env")), QStringLiteral("/usr/bin/env"));
}

TEST(ToolPathsTest, AToolFoundNowhereFailsToStartSayingSo)
{
    ToolTree tree;
    ScopedEnv path("PATH", tree.folder("usr/bin").toLocal8Bit());
    const QString tool = ToolPaths::tool(QStringLiteral("kestrova-no-such-tool"));
    EXPECT_EQ(tool, QStringLiteral("kestrova-no-such-tool"));

    ProcessCommandRunner runner;
    const auto result = runTask(runner.run(tool, {}, 5s));
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->started);
    EXPECT_EQ(result->errorString, QStringLiteral("not installed: kestrova-no-such-tool"));
    EXPECT_FALSE(runner.startDetached(tool, {}, {}));
}
