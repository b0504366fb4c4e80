#include "telemetry/ProcessPathRules.h"

#include <gtest/gtest.h>

using namespace ProcessPathRules;

TEST(ProcessPathRules, CommandPathsLoseOuterBlanksAndKeepSingleInnerSpaces)
{
    EXPECT_EQ(normalizedCommandPath(QStringLiteral("  /opt/My  Tools/\tcode \n")), QStringLiteral("/opt/My Tools/ code"));
    EXPECT_EQ(normalizedCommandPath(QStringLiteral("/usr/bin/My App")), QStringLiteral("/usr/bin/My App"));
    EXPECT_EQ(normalizedCommandPath(QStringLiteral(" \t\n")), QString());
}

TEST(ProcessPathRules, LastPathComponent)
{
    EXPECT_EQ(lastPathComponent(QStringLiteral("/usr/bin/My App")), QStringLiteral("My App"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("/opt/tool/")), QStringLiteral("tool"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("bash")), QStringLiteral("bash"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("kworker/0:1-events")), QStringLiteral("0:1-events"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("//")), QStringLiteral("/"));
    EXPECT_EQ(lastPathComponent(QString()), QString());
}

TEST(ProcessPathRules, TheBundleIsCutAfterTheFirstDotApp)
{
    EXPECT_EQ(applicationBundlePath(QStringLiteral("/opt/Foo.app/Contents/Helpers/Bar.app/bin/foo helper")),
              QStringLiteral("/opt/Foo.app"));
    EXPECT_EQ(applicationBundlePath(QStringLiteral("/Applications/My Editor.app/Contents/MacOS/My Editor")),
              QStringLiteral("/Applications/My Editor.app"));
    EXPECT_EQ(applicationBundlePath(QStringLiteral("/usr/bin/python3")), QString());
}
