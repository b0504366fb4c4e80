#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

// A figure keeps its size while it fits, shrinks no further than it must,
// never below the floor, is cut only below the floor, and is painted inside
// its own box wherever it is aligned.
TEST(FitLabel, ShrinksToTheFloorThenElidesAndStaysInside)
{
    const QString wide = QStringLiteral("9999999.9 KB/s");
    const QFont base = Fonts::system(20, QFont::DemiBold);
    const qreal full = QFontMetricsF(base).horizontalAdvance(wide);
    struct Case {
        int width;
        Qt::Alignment alignment;
        bool shrunk;
        bool cut;
    };
    const QList<Case> cases = {
        {int(full) + 2, Qt::AlignCenter, false, false},
        {int(full * 0.8), Qt::AlignLeft | Qt::AlignVCenter, true, false},
        {int(full * 0.62), Qt::AlignRight | Qt::AlignVCenter, true, false},
        {int(full * 0.4), Qt::AlignCenter, true, true},
        {0, Qt::AlignRight | Qt::AlignVCenter, true, true},
    };
    for (const Case& c : cases) {
        FitLabel label(wide, base, SystemColor::primary, 12);
        label.setAlignment(c.alignment);
        label.resize(c.width, label.sizeHint().height());
        const int size = label.fittedFont().pixelSize();
        EXPECT_EQ(label.text(), wide);
        EXPECT_EQ(size < 20, c.shrunk) << c.width;
        EXPECT_GE(size, 12) << c.width;
        EXPECT_EQ(label.displayedText() != wide, c.cut) << c.width;
        if (c.shrunk && !c.cut) {
            QFont larger = label.fittedFont();
            larger.setPixelSize(size + 1);
            EXPECT_GT(QFontMetricsF(larger).horizontalAdvance(wide), c.width) << "shrunk more than needed";
        }
        const QRectF box = label.textRect();
        EXPECT_GE(box.left(), 0) << c.width;
        EXPECT_LE(box.right(), c.width + 0.01) << c.width;
        const qreal expectedLeft = c.alignment & Qt::AlignRight ? c.width - box.width()
                                   : c.alignment & Qt::AlignLeft ? 0.0
                                                                 : (c.width - box.width()) / 2;
        EXPECT_NEAR(box.left(), expectedLeft, 0.01) << c.width;
    }
}
