#include "core/OneLineText.h"

#include <gtest/gtest.h>

TEST(OneLineText, DropsBidiControlsAndFlattensLineBreaks)
{
    const struct {
        const char* name;
        QString text;
        QString shown;
    } cases[] = {
        {"a plain name stays", QStringLiteral("deepseek-coder:6.7b"), QStringLiteral("deepseek-coder:6.7b")},
        {"overrides and embeddings go", QStringLiteral("a\u202Ab\u202Bc\u202Cd\u202De\u202Ef"), QStringLiteral("abcdef")},
        {"isolates go", QStringLiteral("a\u2066b\u2067c\u2068d\u2069e"), QStringLiteral("abcde")},
        {"marks go", QStringLiteral("a\u200Eb\u200Fc\u061Cd"), QStringLiteral("abcd")},
        {"line breaks become spaces", QStringLiteral("a\nb\r\nc\u2028d\u2029e\u0085f"), QStringLiteral("a b  c d e f")},
        {"other controls become spaces", QStringLiteral("a\tb\x01" "c"), QStringLiteral("a b c")},
        {"right-to-left letters stay", QStringLiteral("\u05E9\u05DC\u05D5\u05DD"), QStringLiteral("\u05E9\u05DC\u05D5\u05DD")},
        {"a whole surrogate pair stays", QStringLiteral("a\U0001F680b"), QStringLiteral("a\U0001F680b")},
        {"half a pair becomes a replacement",
         QStringLiteral("a") + QChar(0xD800) + u'b' + QChar(0xDC00) + u'c' + QChar(0xD83D),
         QStringLiteral("a\uFFFDb\uFFFDc\uFFFD")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(oneLineText(c.text), c.shown) << c.name;
}
