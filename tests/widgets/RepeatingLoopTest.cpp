#include "widgets/Animations.h"
#include "widgets/RepeatingLoop.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

struct AnimationsOn {
    AnimationsOn() { Animations::setEnabled(true); }
    ~AnimationsOn() { Animations::setEnabled(false); }
};

// A loop wakes the event loop only while it is on and its view is shown,
// and its phase only takes the values of whole frames of the beat, so that
// a view draws a few looks over and over (and can keep them as sprites).
TEST(RepeatingLoop, TicksOnlyWhileOnAndShownThroughAFewWholeFrames)
{
    AnimationsOn on;
    const struct {
        bool on, shown, ticking;
    } rows[] = {{false, false, false}, {true, false, false}, {false, true, false}, {true, true, true}};
    for (const auto& row : rows) {
        RepeatingLoop loop(600, true);
        loop.setOn(row.on);
        loop.setShown(row.shown);
        EXPECT_EQ(loop.isTicking(), row.ticking) << row.on << row.shown;
    }

    RepeatingLoop breath(600, true);
    breath.setShown(true);
    breath.setOn(true);
    int frames = 0;
    QObject::connect(&breath, &RepeatingLoop::frame, [&] { ++frames; });
    std::set<double> looks;
    QElapsedTimer clock;
    clock.start();
    // 900 ms, or longer where a loaded machine has not yet let a frame through.
    while (clock.elapsed() < 900 || ((looks.size() < 2 || frames == 0) && clock.elapsed() < 10'000)) {
        looks.insert(breath.value());
        QTest::qWait(7);
    }
    // Out in six frames and back through the same ones.
    EXPECT_LE(looks.size(), size_t(600 / RepeatingLoop::kFrameMs + 1));
    EXPECT_GE(looks.size(), size_t(2));
    EXPECT_GT(frames, 0);

    breath.setOn(false);
    EXPECT_FALSE(breath.isTicking());
    EXPECT_EQ(breath.value(), 0.0);
    Animations::setEnabled(false);
    breath.setOn(true);
    EXPECT_FALSE(breath.isTicking());
    EXPECT_EQ(breath.value(), 1.0) << "without animations it rests at its end";
}

} // namespace
