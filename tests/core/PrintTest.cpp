#include "core/Print.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// What reaches a sink for `lines`, including the count that the hand-back of
// the sink flushes.
QStringList shownFor(const QStringList& lines)
{
    QStringList shown;
    kestrova::PrintSink previous = kestrova::setPrintSink([&shown](const QString& line) { shown << line; });
    for (const QString& line : lines)
        kestrova::print(line);
    kestrova::setPrintSink(std::move(previous));
    return shown;
}

} // namespace

TEST(Print, RepeatedLinesGoOutOnceThenAsACount)
{
    using kestrova::repeatedLine;
    QStringList flood(200, QStringLiteral("❌ refused"));
    flood << QStringLiteral("next");
    const struct {
        const char* name;
        QStringList printed;
        QStringList shown;
    } cases[] = {
        {"different lines all go out", {"a", "b", "a"}, {"a", "b", "a"}},
        {"a run is its line and a count", {"a", "a", "a", "b"}, {"a", repeatedLine(2), "b"}},
        {"one repeat is counted too", {"a", "a", "b", "b"}, {"a", repeatedLine(1), "b", repeatedLine(1)}},
        {"a count still held goes out with the sink", {"x", "x", "x"}, {"x", repeatedLine(2)}},
        {"two hundred equal lines are two", flood, {"❌ refused", repeatedLine(199), "next"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownFor(c.printed), c.shown) << c.name;
    EXPECT_EQ(repeatedLine(199), "(last line repeated 199 more times)");
    EXPECT_EQ(repeatedLine(1), "(last line repeated 1 more time)");
}
