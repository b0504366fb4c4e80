#include "platform/DesktopEntryQuoting.h"

#include <gtest/gtest.h>

using kestrova::desktopExecValue;

TEST(DesktopEntryQuoting, PlainPathStaysBare)
{
    EXPECT_EQ(desktopExecValue({"/usr/bin/kestrova"}), QStringLiteral("/usr/bin/kestrova"));
    EXPECT_EQ(desktopExecValue({"/opt/k-1.0/bin/kestrova", "--flag"}), QStringLiteral("/opt/k-1.0/bin/kestrova --flag"));
}

TEST(DesktopEntryQuoting, ReservedCharactersQuoteTheArgument)
{
    EXPECT_EQ(desktopExecValue({"/home/a b/My Apps/kestrova"}), QStringLiteral("\"/home/a b/My Apps/kestrova\""));
    for (const char* path : {"/x/it's", "/x/a>b", "/x/a<b", "/x/~k", "/x/a|b", "/x/a&b", "/x/a;b", "/x/a*b",
                             "/x/a?b", "/x/a#b", "/x/(k)"})
        EXPECT_EQ(desktopExecValue({QString::fromUtf8(path)}), u'"' + QString::fromUtf8(path) + u'"') << path;
    EXPECT_EQ(desktopExecValue({""}), QStringLiteral("\"\""));
}

TEST(DesktopEntryQuoting, EscapesInsideQuotesThenAsAStringValue)
{
    // Inside quotes: \" \` \$ ; then every backslash of the line is doubled.
    EXPECT_EQ(desktopExecValue({"/x/say \"hi\""}), QStringLiteral("\"/x/say \\\\\"hi\\\\\"\""));
    EXPECT_EQ(desktopExecValue({"/x/$HOME"}), QStringLiteral("\"/x/\\\\$HOME\""));
    EXPECT_EQ(desktopExecValue({"/x/`id`"}), QStringLiteral("\"/x/\\\\`id\\\\`\""));
    // A literal backslash takes four.
    EXPECT_EQ(desktopExecValue({"/x/a\\b"}), QStringLiteral("\"/x/a\\\\\\\\b\""));
    EXPECT_EQ(desktopExecValue({"/x/a\nb"}), QStringLiteral("\"/x/a\\nb\""));
    EXPECT_EQ(desktopExecValue({"/x/a\tb"}), QStringLiteral("\"/x/a\\tb\""));
}

TEST(DesktopEntryQuoting, PercentIsNeverAFieldCode)
{
    EXPECT_EQ(desktopExecValue({"/x/100%u"}), QStringLiteral("/x/100%%u"));
    EXPECT_EQ(desktopExecValue({"/x/50% off"}), QStringLiteral("\"/x/50%% off\""));
}
