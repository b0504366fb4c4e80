#include "core/Print.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

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

namespace {

// Two places that print: each is a kind of its own.
void printReset(int i) { kestrova::print(QStringLiteral("❌ Inbound connection read error: reset %1").arg(i % 2)); }
void printRefused() { kestrova::print(QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: refused")); }

} // namespace

TEST(Print, EachKindOfLineGoesOutAFewTimesASecondThenAsOneCount)
{
    using kestrova::heldBackLine;
    const QString reset0 = QStringLiteral("❌ Inbound connection read error: reset 0");
    const QString reset1 = QStringLiteral("❌ Inbound connection read error: reset 1");
    const QString refused = QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: refused");
    QStringList alternating;
    for (int i = 0; i < 5; ++i)
        alternating << (i % 2 ? reset1 : reset0) << refused;
    const struct {
        const char* name;
        std::function<void()> run;
        QStringList shown;
    } cases[] = {
        {"two kinds alternating 6,000 times: five of each, then a count of each",
         [] {
             for (int i = 0; i < 3000; ++i) {
                 printReset(i);
                 printRefused();
             }
         },
         alternating + QStringList{heldBackLine(2995, reset0), heldBackLine(2995, refused)}},
        {"one kind whose detail differs each time",
         [] {
             for (int i = 0; i < 40; ++i)
                 printReset(i);
         },
         {reset0, reset1, reset0, reset1, reset0, heldBackLine(35, reset0)}},
        {"the count goes out before the kind's first line of the next second",
         [] {
             for (int i = 0; i < 7; ++i)
                 printReset(i);
             std::this_thread::sleep_for(std::chrono::milliseconds(1050));
             printReset(1);
         },
         {reset0, reset1, reset0, reset1, reset0, heldBackLine(2, reset0), reset1}},
    };
    for (const auto& c : cases) {
        QStringList shown;
        kestrova::PrintSink previous = kestrova::setPrintSink([&shown](const QString& line) { shown << line; });
        c.run();
        kestrova::setPrintSink(std::move(previous));
        EXPECT_EQ(shown.join(QLatin1Char('\n')).toStdString(), c.shown.join(QLatin1Char('\n')).toStdString()) << c.name;
        // 6,000 lines print at most a few hundred bytes.
        EXPECT_LE(shown.join(QLatin1Char('\n')).toUtf8().size(), 1200) << c.name;
    }
    EXPECT_EQ(heldBackLine(1, QStringLiteral("x")), QStringLiteral("(1 more line like \"x\" left out)"));
    const QString longLine = QStringLiteral("❌ ") + QString(100, QLatin1Char('y'));
    EXPECT_EQ(heldBackLine(3, longLine), QStringLiteral("(3 more lines like \"%1…\" left out)").arg(longLine.left(79)));
}
