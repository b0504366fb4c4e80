#include "app/PopoverWindow.h"

#include <QLabel>

#include <gtest/gtest.h>

TEST(PopoverWindow, PlacedUnderTheItemInsideTheScreen)
{
    const QRect screen(0, 0, 1280, 800);
    const QSize size(320, 620);
    // Centred under an item in the middle of a top panel.
    EXPECT_EQ(PopoverWindow::placement(QRect(600, 0, 22, 22), size, screen), QPoint(450, 26));
    // Pushed left at the right edge, right at the left edge.
    EXPECT_EQ(PopoverWindow::placement(QRect(1250, 0, 22, 22), size, screen), QPoint(960, 26));
    EXPECT_EQ(PopoverWindow::placement(QRect(2, 0, 22, 22), size, screen), QPoint(0, 26));
    // Over the item when the panel is at the bottom.
    EXPECT_EQ(PopoverWindow::placement(QRect(600, 778, 22, 22), size, screen), QPoint(450, 154));
    // A screen too small for it: its top-left corner stays visible.
    EXPECT_EQ(PopoverWindow::placement(QRect(100, 0, 22, 22), size, QRect(0, 0, 300, 500)), QPoint(0, 0));
}

TEST(PopoverWindow, FramelessToolWindowThatNeverGrabs)
{
    PopoverWindow popover(new QLabel(QStringLiteral("content")));
    EXPECT_EQ(popover.size(), QSize(320, 620));
    EXPECT_TRUE(popover.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(popover.windowType(), Qt::Tool);
    EXPECT_FALSE(popover.isShown());
    popover.show(QRect(10, 0, 22, 22));
    EXPECT_TRUE(popover.isShown());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    popover.close();
    EXPECT_FALSE(popover.isShown());
}
