#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardSidebar.h"
#include "dashboard/SettingsView.h"
#include "dashboard/SidebarButton.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "dashboard/tour/TourButton.h"
#include "dashboard/tour/TourPageSlot.h"
#include "dashboard/tour/TourStepDots.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "theme/ThemeManager.h"
#include "widgets/Animations.h"
#include "widgets/RepeatingLoop.h"

#include <QGraphicsEffect>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeLine>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// What still moves under `root`: running timers (every repeating loop and
// timeline has one), animations and timelines under way. The overlay's own
// fade out, an opacity effect's animation, is its removal and not counted.
int movingParts(const QObject* root)
{
    if (!root)
        return 0;
    int moving = 0;
    for (const QTimer* timer : root->findChildren<QTimer*>())
        moving += timer->isActive();
    for (const QTimeLine* line : root->findChildren<QTimeLine*>())
        moving += line->state() == QTimeLine::Running;
    for (const QAbstractAnimation* animation : root->findChildren<QAbstractAnimation*>()) {
        const auto* property = qobject_cast<const QPropertyAnimation*>(animation);
        if (property && qobject_cast<QGraphicsEffect*>(property->targetObject()))
            continue;
        moving += animation->state() == QAbstractAnimation::Running;
    }
    return moving;
}

class OnboardingTourOverlayTest : public ::testing::Test {
protected:
    OnboardingTourOverlayTest()
    {
        OnboardingTourOverlay::install(&scheduler);
        root = makeRoot();
    }
    ~OnboardingTourOverlayTest() override { SettingsView::setOnboardingOverlayFactory({}); }

    std::unique_ptr<SettingsView> makeRoot()
    {
        SettingsView::Deps deps;
        deps.themeManager = &theme;
        deps.statsProvider = stats.get();
        deps.settings = &settings;
        deps.notifications = &notifications;
        deps.quit = [] {};
        return std::make_unique<SettingsView>(std::move(deps), QStringLiteral("AI Hardware"));
    }

    OnboardingTourOverlay* overlay() const { return qobject_cast<OnboardingTourOverlay*>(root->onboardingOverlay()); }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager theme{settings};
    NotificationCenter notifications;
    InertStatsProvider stats;
    ManualScheduler scheduler{false};
    std::unique_ptr<SettingsView> root;
};

TEST_F(OnboardingTourOverlayTest, CardFooterAndClicksPerStep)
{
    root->show(); // the first appearance starts the tour
    OnboardingTourOverlay* o = overlay();
    ASSERT_NE(o, nullptr);
    EXPECT_TRUE(o->tour()->hasAppeared());
    const QPoint sidebarButton =
        root->sidebar()->button(QStringLiteral("AI Hardware"))->mapTo(root.get(), QPoint(20, 10));

    struct Row {
        int step;
        QSize card;
        QPoint centreShift;
        bool back, skip;
        QString primary;
        bool dashboardClickable;
    };
    const Row rows[] = {
        {0, {520, 380}, {0, 0}, false, true, "Next", false},
        {1, {520, 380}, {0, 0}, true, true, "Next", false},
        {2, {520, 380}, {0, 0}, true, true, "Next", false},
        {3, {520, 380}, {0, 0}, true, true, "Next", false},
        {4, {460, 340}, {240, 140}, true, true, "Next", true},
        {5, {460, 340}, {-240, 30}, true, false, "Get Started", true},
    };
    for (const Row& row : rows) {
        settings.setOnboardingTourStep(row.step);
        SCOPED_TRACE(row.step);
        // Never smaller than its size; taller only where a page needs it.
        EXPECT_EQ(o->card()->width(), row.card.width());
        EXPECT_GE(o->card()->height(), row.card.height());
        EXPECT_LE(o->card()->height(), row.card.height() + 40);
        const QRect card(o->card()->mapTo(root.get(), QPoint()), o->card()->size());
        EXPECT_LE((card.center() - root->rect().center() - row.centreShift).manhattanLength(), 1);
        EXPECT_EQ(o->dots()->current(), row.step);
        EXPECT_EQ(o->backButton()->isVisible(), row.back);
        EXPECT_EQ(o->skipButton()->isVisible(), row.skip);
        EXPECT_EQ(o->primaryButton()->text(), row.primary);
        EXPECT_NE(o->pageSlot()->page(), nullptr);
        EXPECT_DOUBLE_EQ(o->backdrop(), row.dashboardClickable ? 0.0 : 0.75);
        // What a click at the sidebar would reach: the overlay, or the row.
        QWidget* hit = root->childAt(sidebarButton);
        EXPECT_EQ(hit == o || o->isAncestorOf(hit), !row.dashboardClickable);
        EXPECT_TRUE(o->card()->geometry().contains(o->card()->geometry().center()));
    }
    // Step 4 and 5 keep Next off until their walks are done.
    EXPECT_FALSE(o->primaryButton()->isEnabled());
    // A hidden window runs no cycler; shown again, the step's own restarts.
    root->hide();
    EXPECT_FALSE(o->tour()->isCycling(OnboardingTourView::Cycler::popover));
    root->show();
    EXPECT_TRUE(o->tour()->isCycling(OnboardingTourView::Cycler::popover));

    // An outside write beyond the steps still shows the last card and its
    // way out.
    settings.setOnboardingTourStep(17);
    EXPECT_EQ(o->card()->width(), 460);
    QTest::mouseClick(o->backButton(), Qt::LeftButton);
    EXPECT_EQ(settings.onboardingTourStep(), 4);
    QTest::mouseClick(o->skipButton(), Qt::LeftButton);
    EXPECT_TRUE(settings.hasCompletedOnboardingTour());
    EXPECT_FALSE(settings.showOnboardingTour());
    EXPECT_FALSE(o->tour()->isCycling(OnboardingTourView::Cycler::tab));
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// While the card is drawn whole, an opaque sibling lies under it in the
// dashboard: the page's updates there paint nothing, elsewhere they still do.
TEST_F(OnboardingTourOverlayTest, PageUnderTheCardIsLeftOutOfRepaintsOnEveryStep)
{
    root->show();
    OnboardingTourOverlay* o = overlay();
    ASSERT_NE(o, nullptr);
    const auto cover = [&]() -> QWidget* {
        for (QWidget* child : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != o && child->testAttribute(Qt::WA_OpaquePaintEvent))
                return child;
        return nullptr;
    };
    // Not while the overlay fades in: the card is not opaque yet.
    EXPECT_TRUE(!cover() || !cover()->isVisible() || !o->graphicsEffect());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !o->graphicsEffect() && cover() && cover()->isVisible(); }));
    QWidget* page = root->contentView();
    PaintCounter counter(page);
    for (int step = 0; step <= OnboardingTourView::kLastStep; ++step) {
        SCOPED_TRACE(step);
        settings.setOnboardingTourStep(step);
        ASSERT_TRUE(cover()->isVisible());
        QTest::qWait(400); // the card settles
        const QRect card(o->card()->mapTo(root.get(), QPoint()), o->card()->size());
        EXPECT_TRUE(card.contains(cover()->geometry()));
        EXPECT_GT(cover()->width() * cover()->height(), card.width() * card.height() * 8 / 10);
        // Just under the overlay, above the panes.
        const QObjectList order = root->children();
        EXPECT_EQ(order.indexOf(cover()) + 1, order.indexOf(o));

        const QRect under = QRect(page->mapFrom(root.get(), cover()->geometry().center()), QSize(4, 4));
        counter.paints = 0;
        page->update(under);
        QTest::qWait(50);
        EXPECT_EQ(counter.paints, 0);
        const QRect beside(page->mapFrom(root.get(), QPoint(card.left() - 60, card.top() + 10)), QSize(4, 4));
        if (page->rect().contains(beside)) {
            page->update(beside);
            EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
        }
    }
    // Hidden, the tour's card is a still picture that fades: nothing covers.
    settings.setShowOnboardingTour(false);
    EXPECT_FALSE(cover()->isVisible());
}

// However the tour ends, on any step, nothing of the sidebar or the tour
// moves from that moment: no loop, spring, fade or slide, and no timer.
TEST_F(OnboardingTourOverlayTest, EndingTheTourStopsEveryAnimationAtOnce)
{
    struct AnimationsOn {
        AnimationsOn() { Animations::setEnabled(true); }
        ~AnimationsOn() { Animations::setEnabled(false); }
    } on;
    enum class End { skip, finish, hideFromOutside };
    struct Row {
        int step;
        End end;
        bool sidebarMovesBefore;
    };
    const Row rows[] = {{0, End::skip, false},   {1, End::skip, false},  {2, End::skip, false},
                        {3, End::skip, false},   {4, End::skip, true},   {4, End::hideFromOutside, true},
                        {5, End::finish, false}, {5, End::hideFromOutside, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "step " << row.step << " end " << int(row.end));
        // As a relaunch finds a tour left on this step.
        settings.setHasCompletedOnboardingTour(true);
        settings.setOnboardingTourStep(row.step);
        settings.setShowOnboardingTour(true);
        root = makeRoot();
        root->show();
        QPointer<OnboardingTourOverlay> o = overlay();
        ASSERT_NE(o, nullptr);
        ASSERT_EQ(o->tour()->currentStep(), row.step);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !o->graphicsEffect(); }, 5000)) << "faded in";
        EXPECT_GT(movingParts(o->card()), 0) << "the step's page animates";
        EXPECT_EQ(movingParts(root->sidebar()) > 0, row.sidebarMovesBefore);

        switch (row.end) {
        case End::skip: QTest::mouseClick(o->skipButton(), Qt::LeftButton); break;
        case End::finish: o->tour()->finish(); break;
        case End::hideFromOutside: settings.setShowOnboardingTour(false); break;
        }
        ASSERT_FALSE(o.isNull()) << "the overlay fades out";
        EXPECT_TRUE(o->isFrozen());
        EXPECT_EQ(movingParts(o), 0);
        EXPECT_EQ(movingParts(root->sidebar()), 0);
        for (const SidebarButton* button : root->sidebar()->buttons())
            EXPECT_FALSE(button->pulsate()) << button->item().title.toStdString();

        // Nothing starts again once the overlay has gone.
        EXPECT_TRUE(QTest::qWaitFor([&] { return o.isNull(); }, 5000));
        QTest::qWait(2 * RepeatingLoop::kFrameMs);
        EXPECT_EQ(movingParts(root->sidebar()), 0);
    }
}

// However the walk down the too-short sidebar ends (skip, next), it is back at its top.
TEST_F(OnboardingTourOverlayTest, TheSidebarWalkEndsWithTheSidebarAtItsTop)
{
    settings.setHasCompletedOnboardingTour(true); // a relaunch resumes the tour on its step
    for (const bool skip : {true, false}) {
        settings.setOnboardingTourStep(OnboardingTourView::kMenusStep);
        settings.setShowOnboardingTour(true);
        root = makeRoot();
        root->show();
        OnboardingTourOverlay* o = overlay();
        ASSERT_NE(o, nullptr);
        const QScrollBar* bar = root->sidebar()->scrollArea()->verticalScrollBar();
        for (int tick = 0; tick < 5; ++tick) // down to "Settings"
            scheduler.advance(OnboardingTourView::kTabInterval);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() > 0; }, 10000)); // however slow the machine
        QTest::mouseClick(skip ? o->skipButton() : o->primaryButton(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 0; }, 10000)) << skip;
    }
}

} // namespace
