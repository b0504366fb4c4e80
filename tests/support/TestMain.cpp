#include "support/TestEnvironment.h"
#include "widgets/Animations.h"
#include "widgets/SymbolIcon.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestEnvironment::install();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Widgets jump to their end states; tests assert states, not frames.
    Animations::setEnabled(false);
    SymbolIcon::loadFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
