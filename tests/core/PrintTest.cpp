#include "core/Print.h"

#include "fakes/FakeClock.h"
#include "support/PrintCapture.h"
#include "support/TaskRunner.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

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

// Three kinds alternate for 3 s (one repeats its line, one varies its detail, one repeats through the
// others): every line, notes included, counts against its kind; each second's count comes out as the next
// begins, not at exit; and what is shown or counted adds up to what was printed.
TEST(Print, AlternatingKindsStayWithinFiveLinesASecondAndOneCount)
{
    FakeClock clock;
    const Clock* previousClock = kestrova::setPrintClock(&clock);
    const qint64 start = clock.monotonicMs();
    QList<std::pair<qint64, QString>> shown;
    kestrova::PrintSink previous =
        kestrova::setPrintSink([&](const QString& line) { shown.append({clock.monotonicMs() - start, line}); });
    const auto printA = [](const QString& line) { kestrova::print(line); }; // a kind is the place that prints
    const auto printB = [](const QString& line) { kestrova::print(line); };
    const auto printC = [](const QString& line) { kestrova::print(line); };
    for (int step = 0; step < 300; ++step, clock.advance(10)) {
        printA(QStringLiteral("A failed"));
        printA(QStringLiteral("A failed"));
        printB(QStringLiteral("B: connection %1 refused").arg(step));
        printC(QStringLiteral("C timed out"));
    }
    clock.advance(1000);
    kestrova::setPrintSink(std::move(previous)); // anything still held goes out here
    kestrova::setPrintClock(previousClock);

    const QRegularExpression note(QStringLiteral(R"(^\((\d+) more lines? like "(.)|^\(last line repeated (\d+))"));
    const qint64 printed[3] = {600, 300, 300};
    int perSecond[3][4] = {}, countsPerSecond[3][4] = {}, lastKind = 0;
    qint64 accounted[3] = {};
    for (const auto& [at, line] : shown) {
        const QRegularExpressionMatch m = note.match(line);
        lastKind = m.hasMatch() ? lastKind : line[0].unicode() - 'A'; // a repeat note is its line's kind
        const int kind = m.hasCaptured(2) ? m.captured(2)[0].unicode() - 'A' : lastKind;
        const int second = int(std::min<qint64>(at / 1000, 3));
        ++perSecond[kind][second];
        countsPerSecond[kind][second] += m.hasCaptured(1);
        accounted[kind] += m.hasMatch() ? m.captured(m.hasCaptured(1) ? 1 : 3).toLongLong() : 1;
    }
    for (int kind = 0; kind < 3; ++kind) {
        for (int second = 0; second < 3; ++second) {
            EXPECT_LE(perSecond[kind][second], 6) << "kind " << kind << ", second " << second;
            EXPECT_EQ(countsPerSecond[kind][second], second > 0) << "kind " << kind << ", second " << second;
        }
        EXPECT_EQ(accounted[kind], printed[kind]) << "kind " << kind << ": every line is shown or counted";
    }
}

// With nothing printed after it, a second's count still comes out when the second ends, whichever thread
// printed: the application's thread sends it.
TEST(Print, ACountComesOutWhenItsSecondEndsWithNothingPrintedAfter)
{
    for (const bool fromAnotherThread : {false, true}) {
        PrintCapture printed;
        const auto flood = [] {
            for (int i = 0; i < 8; ++i)
                kestrova::print(QStringLiteral("flood %1").arg(i));
        };
        fromAnotherThread ? std::thread(flood).join() : flood();
        ASSERT_TRUE(waitUntil([&] { return printed.lines().size() == 6; }, std::chrono::seconds(10))) << fromAnotherThread;
        EXPECT_EQ(printed.lines().last(), kestrova::heldBackLine(3, QStringLiteral("flood 4")));
    }
}
