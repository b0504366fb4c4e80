#include "core/Print.h"

#include "fakes/FakeClock.h"
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

namespace {

enum KindOf { a, b, c, kinds };

// Three places that print, each its own kind.
void printA(const QString& line) { kestrova::print(line); }
void printB(const QString& line) { kestrova::print(line); }
void printC(const QString& line) { kestrova::print(line); }

} // namespace

// Three kinds alternate for 3 s: one repeats its line, one varies its
// detail, one repeats through the others. Every line that goes out, notes
// included, counts against its kind; each second's count comes out as that
// second ends, and the counts add up to what was printed.
TEST(Print, AlternatingKindsStayWithinFiveLinesASecondAndOneCount)
{
    FakeClock clock;
    const Clock* previousClock = kestrova::setPrintClock(&clock);
    const qint64 start = clock.monotonicMs();
    struct Shown {
        qint64 at;
        QString line;
    };
    QList<Shown> shown;
    kestrova::PrintSink previous =
        kestrova::setPrintSink([&](const QString& line) { shown.append({clock.monotonicMs() - start, line}); });
    qint64 printed[kinds] = {};
    for (int step = 0; step < 300; ++step) { // one step every 10 ms
        printA(QStringLiteral("A failed"));
        printA(QStringLiteral("A failed"));
        printB(QStringLiteral("B: connection %1 refused").arg(step));
        printC(QStringLiteral("C timed out"));
        printed[a] += 2;
        ++printed[b];
        ++printed[c];
        clock.advance(10);
    }
    clock.advance(1000);
    kestrova::setPrintSink(std::move(previous)); // anything still held goes out here
    kestrova::setPrintClock(previousClock);

    const QRegularExpression count(QStringLiteral(R"(^\((\d+) more lines? like "(.)|^\(last line repeated (\d+))"));
    int perSecond[kinds][4] = {};
    int countsPerSecond[kinds][4] = {};
    qint64 accounted[kinds] = {};
    KindOf lastKind = a;
    for (const Shown& s : shown) {
        const QRegularExpressionMatch m = count.match(s.line);
        KindOf kind = lastKind; // a note belongs to the line it repeats
        if (!m.hasMatch() || m.capturedLength(2) > 0) {
            const QChar first = m.hasMatch() ? m.captured(2)[0] : s.line[0];
            kind = first == 'A' ? a : first == 'B' ? b : c;
        }
        if (!m.hasMatch())
            lastKind = kind;
        const int second = int(std::min<qint64>(s.at / 1000, 3));
        ++perSecond[kind][second];
        if (m.capturedLength(1) > 0)
            ++countsPerSecond[kind][second];
        accounted[kind] += m.hasMatch() ? (m.capturedLength(1) > 0 ? m.captured(1) : m.captured(3)).toLongLong() : 1;
    }
    for (int kind = a; kind < kinds; ++kind) {
        for (int second = 0; second < 3; ++second) {
            EXPECT_LE(perSecond[kind][second], 6) << "kind " << kind << ", second " << second;
            // The count of the second before comes out in this one, not at the end.
            EXPECT_EQ(countsPerSecond[kind][second], second == 0 ? 0 : 1) << "kind " << kind << ", second " << second;
        }
        EXPECT_EQ(accounted[kind], printed[kind]) << "kind " << kind << ": every line is shown or counted";
    }
}

// With nothing printed after it, a second's count still comes out when the
// second ends, whichever thread printed: the application's thread sends it.
TEST(Print, ACountComesOutWhenItsSecondEndsWithNothingPrintedAfter)
{
    for (const bool fromAnotherThread : {false, true}) {
        QStringList shown;
        kestrova::PrintSink previous = kestrova::setPrintSink([&shown](const QString& line) { shown << line; });
        const auto flood = [] {
            for (int i = 0; i < 8; ++i)
                kestrova::print(QStringLiteral("flood %1").arg(i));
        };
        if (fromAnotherThread)
            std::thread(flood).join();
        else
            flood();
        const bool counted = waitUntil([&] { return shown.size() == 6; }, std::chrono::seconds(10));
        kestrova::setPrintSink(std::move(previous));
        ASSERT_TRUE(counted) << "from another thread: " << fromAnotherThread;
        EXPECT_EQ(shown.last(), kestrova::heldBackLine(3, QStringLiteral("flood 4")));
    }
}
