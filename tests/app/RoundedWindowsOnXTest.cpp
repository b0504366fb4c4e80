#include "app/PopoverWindow.h"
#include "platform/CompositingManager.h"
#include "support/TaskRunner.h"
#include "widgets/PopoverBubble.h"
#include "widgets/VisualEffectView.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdlib>

// The popover and the insight bubble on a real X server (Xvfb), once with
// only the server and once with a compositing manager (xcompmgr): the
// desktop shows around their rounded outlines, never black. A copy of this
// binary draws them on the server's screen and reads the screen back.
namespace {

const char* const kCompositorVariable = "KESTROVA_TEST_EXPECT_COMPOSITOR";
const QColor kDesktop(200, 216, 232);

QString serverDisplay(QProcess& server)
{
    // -displayfd 1: the server prints its display number once it listens.
    if (!waitUntil([&] { return server.canReadLine() || server.state() == QProcess::NotRunning; },
                   std::chrono::seconds(10)))
        return {};
    const QByteArray number = server.readLine().trimmed();
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}

// A pixel of the screen, far from black whatever a shadow adds.
bool showsDesktop(const QColor& c) { return c.red() + c.green() + c.blue() > 400; }
bool near(const QColor& c, const QColor& expected)
{
    return std::abs(c.red() - expected.red()) + std::abs(c.green() - expected.green())
               + std::abs(c.blue() - expected.blue())
           < 30;
}

QColor screenPixel(const QPoint& global)
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(global);
}

} // namespace

TEST(RoundedWindowsOnX, NothingBlackAroundThePopoverOrTheBubbleWithOrWithoutACompositor)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
    if (xvfb.isEmpty() || xcompmgr.isEmpty())
        GTEST_SKIP() << "needs Xvfb and xcompmgr (scripts/install-deps installs them)";
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("800x600x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    const QString display = serverDisplay(server);
    ASSERT_FALSE(display.isEmpty()) << server.readAllStandardError().toStdString();

    for (const bool compositor : {false, true, false}) {
        SCOPED_TRACE(compositor ? "with xcompmgr" : "without a compositor");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        QProcess manager;
        if (compositor) {
            manager.setProcessEnvironment(environment);
            manager.start(xcompmgr, {});
            ASSERT_TRUE(manager.waitForStarted(5000));
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // No session bus: unset, libdbus would try to autolaunch one for this
        // X server (and leak when it cannot).
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        environment.insert(QString::fromLatin1(kCompositorVariable), compositor ? QStringLiteral("1") : QStringLiteral("0"));
        QProcess helper;
        helper.setProcessEnvironment(environment);
        helper.setProcessChannelMode(QProcess::MergedChannels);
        helper.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=RoundedWindowsOnXHelper.*")});
        ASSERT_TRUE(helper.waitForFinished(60000));
        const QByteArray output = helper.readAll();
        EXPECT_EQ(helper.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        if (compositor) {
            manager.terminate();
            manager.waitForFinished(5000);
        }
    }
    server.terminate();
    server.waitForFinished(5000);
}

// Runs only inside the copy started by the test above, on its X server.
TEST(RoundedWindowsOnXHelper, DrawsThemOverALightDesktop)
{
    const QByteArray expected = qgetenv(kCompositorVariable);
    if (expected.isEmpty())
        GTEST_SKIP() << "runs only as the child of RoundedWindowsOnX";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const bool compositor = expected == "1";
    // xcompmgr takes the selection a moment after it starts.
    ASSERT_TRUE(waitUntil([&] { return compositingManagerRunning() == compositor; }));

    QWidget desktop(nullptr, Qt::FramelessWindowHint);
    QPalette palette = desktop.palette();
    palette.setColor(QPalette::Window, kDesktop);
    desktop.setPalette(palette);
    desktop.setAutoFillBackground(true);
    desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    auto* anchor = new QWidget(&desktop);
    anchor->setGeometry(500, 100, 20, 20);
    QPalette dark = anchor->palette(); // the bubble takes its anchor's scheme
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    anchor->setPalette(dark);
    desktop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&desktop));

    PopoverWindow popover(new VisualEffectView(VisualEffectMaterial::popover,
                                               VisualEffectView::BlendingMode::behindWindow));
    popover.show(QRect(150, 10, 20, 20));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
    EXPECT_EQ(popover.isTranslucent(), compositor);

    PopoverBubble bubble(anchor);
    auto* content = new QWidget;
    content->setFixedSize(200, 60);
    bubble.contentLayout()->addWidget(content);
    bubble.showFor(anchor);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bubble));
    ASSERT_TRUE(bubble.pointsUp());
    EXPECT_EQ(bubble.isTranslucent(), compositor);
    QTest::qWait(500); // the compositor's repaint

    // Just inside each window's corner, outside its rounded outline.
    const QPoint popoverCorner = popover.geometry().topLeft() + QPoint(1, 1);
    const QColor popoverFill = VisualEffectView::tint(VisualEffectMaterial::popover, false);
    const QPoint bubbleCorner = bubble.geometry().topLeft() + QPoint(11, 19); // shadow 10, arrow 8
    const QRect bubbleBody = bubble.geometry().adjusted(10, 18, -10, -10);
    const QColor darkBubble(42, 42, 46);
    EXPECT_TRUE(showsDesktop(screenPixel(popoverCorner))) << screenPixel(popoverCorner).name().toStdString();
    if (!compositor) { // else its tint lets a little desktop through
        EXPECT_TRUE(near(screenPixel(popover.geometry().center()), popoverFill))
            << screenPixel(popover.geometry().center()).name().toStdString();
    }
    EXPECT_TRUE(showsDesktop(screenPixel(bubbleCorner))) << screenPixel(bubbleCorner).name().toStdString();
    EXPECT_TRUE(near(screenPixel(bubbleBody.center()), darkBubble))
        << screenPixel(bubbleBody.center()).name().toStdString();
}
