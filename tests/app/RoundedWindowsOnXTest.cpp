#include "app/PopoverWindow.h"
#include "platform/CompositingManager.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"
#include "support/XvfbServer.h"
#include "widgets/PopoverBubble.h"
#include "widgets/VisualEffectView.h"

#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

// In the copy of this binary started below, on its X server.
static void drawOverALightDesktop(bool compositor)
{
    ASSERT_TRUE(waitUntil([&] { return compositingManagerRunning() == compositor; })); // xcompmgr takes a moment
    const QColor light(200, 216, 232);
    QWidget desktop(nullptr, Qt::FramelessWindowHint);
    desktop.setPalette(QPalette(light));
    desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    QWidget anchor(&desktop);
    anchor.setGeometry(500, 100, 20, 20);
    anchor.setPalette(QPalette(QColor(30, 30, 32))); // the bubble takes its anchor's (dark) scheme
    desktop.show();
    PopoverWindow popover(new VisualEffectView(VisualEffectMaterial::popover, VisualEffectView::BlendingMode::behindWindow));
    popover.show(QRect(150, 10, 20, 20));
    PopoverBubble bubble(&anchor);
    bubble.contentLayout()->addStrut(200);
    bubble.contentLayout()->addSpacing(60);
    bubble.showFor(&anchor);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&desktop) && QTest::qWaitForWindowExposed(&popover)
                && QTest::qWaitForWindowExposed(&bubble) && bubble.pointsUp());
    QTest::qWait(500); // the compositor's repaint

    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const auto off = [&](QPoint at, QColor shown) {
        const QColor c = screen.pixelColor(at);
        return std::abs(c.red() - shown.red()) + std::abs(c.green() - shown.green()) + std::abs(c.blue() - shown.blue());
    };
    const QRect body = bubble.geometry().adjusted(10, 18, -10, -10); // shadow 10, arrow 8
    EXPECT_LT(off(popover.geometry().topLeft() + QPoint(1, 1), light), 100); // at most a shadow outside the corners
    EXPECT_LT(off(body.topLeft() + QPoint(1, 1), light), 100);
    EXPECT_LT(off(body.center(), QColor(42, 42, 46)), 30);
    EXPECT_LT(off(popover.geometry().center(), VisualEffectView::tint(VisualEffectMaterial::popover, false)), 45);
}

// On Xvfb, alone and with xcompmgr: the desktop shows around the popover's and the bubble's corners.
TEST(RoundedWindowsOnX, NothingBlackAroundThePopoverOrTheBubbleWithOrWithoutACompositor)
{
    if (const QByteArray expected = qgetenv("KESTROVA_TEST_EXPECT_COMPOSITOR"); !expected.isEmpty())
        return drawOverALightDesktop(expected == "1");
    const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() || xcompmgr.isEmpty())
        GTEST_SKIP() << "needs Xvfb and xcompmgr";
    const XvfbServer server;
    const QString display = server.display();
    ASSERT_FALSE(display.isEmpty());
    for (const bool compositor : {false, true}) {
        QProcess manager;
        if (compositor)
            manager.start(xcompmgr, {QStringLiteral("-d"), display});
        QTemporaryDir scratch;
        LaunchedApp helper(scratch.path());
        helper.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        helper.environment.insert(QStringLiteral("DISPLAY"), display);
        helper.environment.insert(QStringLiteral("KESTROVA_TEST_EXPECT_COMPOSITOR"), QString::number(compositor));
        helper.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RoundedWindowsOnX.*")});
        ASSERT_TRUE(helper.process.waitForFinished(60000));
        const QByteArray output = helper.process.readAll();
        EXPECT_TRUE(helper.process.exitCode() == 0 && output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        manager.terminate();
        manager.waitForFinished(5000);
    }
}

