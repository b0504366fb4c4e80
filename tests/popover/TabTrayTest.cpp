#include "core/NotificationCenter.h"
#include "platform/ProcessOpener.h"
#include "support/InertServices.h"
#include "popover/BottomAppTray.h"
#include "widgets/BottomTabBar.h"
#include "widgets/TabBarButton.h"
#include "widgets/TabSelection.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RecordingOpener final : public ProcessOpener {
public:
    void openApplication(const QString& bundlePath) override { calls << QStringLiteral("app ") + bundlePath; }
    void openFile(const QString& path) override { calls << QStringLiteral("file ") + path; }
    QStringList calls;
};

ProcessInfoData process(qint32 pid, const QString& path)
{
    ProcessInfoData p;
    p.id = pid;
    p.fullPath = path;
    p.name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return p;
}

class TabTrayTest : public ::testing::Test {
protected:
    std::unique_ptr<BottomAppTray> makeTray()
    {
        auto tray = std::make_unique<BottomAppTray>(&selection, s.processMonitor.get(), nullptr,
                                                    BottomAppTray::Services{&s.settings, &notifications, &opener});
        tray->resize(304, tray->sizeHint().height());
        tray->show();
        return tray;
    }

    void setProcesses(const QList<ProcessInfoData>& list)
    {
        s.processMonitor->setTopProcesses(list);
        QCoreApplication::processEvents(); // the tray refreshes once per burst
    }

    static QStringList toolTips(const BottomAppTray& tray)
    {
        QStringList tips;
        for (QAbstractButton* button : tray.processButtons())
            tips << button->accessibleName();
        return tips;
    }

    InertServices s;
    NotificationCenter notifications;
    RecordingOpener opener;
    TabSelection selection;
};

TEST_F(TabTrayTest, ShowsTheFirstFiveProcessesKeyedByPid)
{
    auto tray = makeTray();
    EXPECT_TRUE(tray->processButtons().isEmpty());
    EXPECT_EQ(tray->pageButtons().size(), 5);

    QList<ProcessInfoData> seven;
    for (int i = 1; i <= 7; ++i)
        seven << process(100 + i, QStringLiteral("/usr/bin/tool%1").arg(i));
    setProcesses(seven);
    EXPECT_EQ(toolTips(*tray), (QStringList{"Open tool1", "Open tool2", "Open tool3", "Open tool4", "Open tool5"}));
    QAbstractButton* second = tray->processButtons().at(1);

    setProcesses({process(102, QStringLiteral("/usr/bin/tool2")), process(999, QStringLiteral("/tmp/<i>x"))});
    EXPECT_EQ(toolTips(*tray), (QStringList{"Open tool2", "Open <i>x"}));
    EXPECT_EQ(tray->processButtons().at(0), second); // same process, same button
    EXPECT_EQ(tray->processButtons().at(1)->toolTip(), "<qt>Open &lt;i&gt;x</qt>"); // shown as typed

    setProcesses({});
    EXPECT_TRUE(tray->processButtons().isEmpty());
    EXPECT_EQ(tray->pageButtons().size(), 5);
}

TEST_F(TabTrayTest, OpensTheOuterBundleOrElseTheProgramFile)
{
    auto tray = makeTray();
    setProcesses({process(300, QStringLiteral("/Applications/Some Editor.app/Contents/MacOS/Some Editor"))});
    QTest::mouseClick(tray->processButtons().at(0), Qt::LeftButton);

    BottomAppTray::open(QStringLiteral("/opt/Outer.app/Contents/Helpers/Inner.app/Contents/MacOS/helper"), opener);
    BottomAppTray::open(QStringLiteral("/home/dev/.apple/bin/tool"), opener); // a plain text search
    BottomAppTray::open(QStringLiteral("/usr/sbin/cron"), opener);
    EXPECT_EQ(opener.calls, (QStringList{"app /Applications/Some Editor.app", "app /opt/Outer.app",
                                         "app /home/dev/.app", "file /usr/sbin/cron"}));
}

TEST_F(TabTrayTest, PageButtonsSelectAndOnlyTheSelectedOnePulsesAtTheTourStep)
{
    s.settings.setShowOnboardingTour(true);
    s.settings.setOnboardingTourStep(5);
    selection.setValue(2);
    auto tray = makeTray();
    const auto buttons = tray->pageButtons();
    const auto pulsing = [&] {
        QList<int> on;
        for (TabBarButton* b : buttons)
            if (b->pulsate())
                on << b->index();
        return on;
    };
    // Highlighted when first shown.
    EXPECT_EQ(pulsing(), QList<int>{2});
    EXPECT_DOUBLE_EQ(buttons[2]->overlayScale(), 1.08);
    EXPECT_DOUBLE_EQ(buttons[2]->overlayLineWidth(), 2.0);
    EXPECT_DOUBLE_EQ(buttons[0]->overlayScale(), 1.0);
    EXPECT_DOUBLE_EQ(buttons[0]->overlayLineWidth(), 0.0);

    QTest::mouseClick(buttons[4], Qt::LeftButton);
    EXPECT_EQ(selection.value(), 4);
    EXPECT_EQ(pulsing(), QList<int>{4});

    // Another step: the pulse stops and the outline goes.
    s.settings.setOnboardingTourStep(4);
    EXPECT_TRUE(pulsing().isEmpty());
    for (TabBarButton* b : buttons) {
        EXPECT_FALSE(b->isHighlightedInTour());
        EXPECT_DOUBLE_EQ(b->overlayScale(), 1.0);
    }
    // Back at the step the pulse starts again; switching the tour off ends
    // it with the outline, and shown again the popover breathes no more.
    s.settings.setOnboardingTourStep(5);
    EXPECT_EQ(pulsing(), QList<int>{4});
    s.settings.setShowOnboardingTour(false);
    EXPECT_TRUE(pulsing().isEmpty());
    EXPECT_DOUBLE_EQ(buttons[4]->overlayScale(), 1.0);
    tray->hide();
    tray->show();
    EXPECT_TRUE(pulsing().isEmpty());
}

TEST_F(TabTrayTest, FreeStandingBarSelectsItsOwnPages)
{
    TabSelection own;
    BottomTabBar bar(&own, nullptr, &s.settings);
    bar.show();
    QStringList icons;
    for (TabBarButton* b : bar.buttons())
        icons << b->icon();
    EXPECT_EQ(icons, (QStringList{"waveform.path.ecg", "exclamationmark.triangle.fill", "terminal", "server.rack",
                                  "speedometer"}));
    QTest::mouseClick(bar.buttons().at(3), Qt::LeftButton);
    EXPECT_EQ(own.value(), 3);
    EXPECT_TRUE(bar.buttons().at(3)->isSelected());
    EXPECT_FALSE(bar.buttons().at(0)->isSelected());
}

} // namespace
