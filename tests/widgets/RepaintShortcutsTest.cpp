#include "widgets/CardFrame.h"
#include "widgets/SpriteCache.h"

#include <QImage>
#include <QPainter>
#include <QPixmapCache>

#include <gtest/gtest.h>

namespace {

// Largest difference of any channel between two images over `area`.
int largestDifference(const QImage& a, const QImage& b, const QRect& area)
{
    int largest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

QImage canvas(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(30, 60, 90));
    return image;
}

} // namespace

// A card repainting only part of itself (a child animating inside it) must
// leave exactly the pixels a whole repaint gives, inside and at the corners.
TEST(RepaintShortcuts, CardPartialRepaintsMatchAWholeRepaint)
{
    struct Look {
        const char* name;
        bool gradient;
        bool stroke;
    };
    for (const Look& look : {Look{"plain", false, false}, Look{"gradient", true, false}, Look{"stroked", true, true}}) {
        CardFrame card(UiColor(QColor(40, 40, 50, 200)), 14);
        if (look.gradient)
            card.setGradient(UiColor(QColor(255, 0, 0, 60)), UiColor(QColor(0, 0, 255, 60)));
        if (look.stroke)
            card.setStroke(UiColor(QColor(255, 255, 255, 90)), 1.5);
        card.resize(300, 120);
        QImage whole = canvas(card.size());
        card.render(&whole, QPoint(), QRegion(), QWidget::DrawChildren);
        for (const QRect& dirty : {QRect(200, 40, 46, 46), QRect(250, 2, 46, 46), QRect(0, 50, 20, 20),
                                   QRect(120, 100, 40, 20)}) {
            QImage part = canvas(card.size());
            card.render(&part, dirty.topLeft(), QRegion(dirty), QWidget::DrawChildren);
            // Gradients round by one level differently under any clip, shortcut or not.
            EXPECT_LE(largestDifference(whole, part, dirty), look.gradient ? 1 : 0) << look.name << " at " << dirty.x() << "," << dirty.y();
        }
    }
}

// A sprite is drawn once per key and looks like drawing directly (to the
// rounding of compositing twice).
TEST(RepaintShortcuts, SpritesAreDrawnOnceAndLookLikeDirectDrawing)
{
    QPixmapCache::clear();
    const auto disc = [](QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 200, 120, 180), 4));
        painter.setBrush(QColor(255, 200, 0, 90));
        painter.drawEllipse(QRectF(3.5, 3.5, 37, 37));
    };
    QImage direct = canvas({60, 60});
    {
        QPainter painter(&direct);
        painter.translate(8, 6);
        disc(painter);
    }
    int drawn = 0;
    QImage cached = canvas({60, 60});
    for (int i = 0; i < 3; ++i) {
        QPainter painter(&cached);
        SpriteCache::draw(painter, QRect(8, 6, 46, 46), QStringLiteral("test-disc"), [&](QPainter& sprite) {
            ++drawn;
            disc(sprite);
        });
    }
    EXPECT_EQ(drawn, 1);
    cached = canvas({60, 60});
    {
        QPainter painter(&cached);
        SpriteCache::draw(painter, QRect(8, 6, 46, 46), QStringLiteral("test-disc"), disc);
    }
    EXPECT_LE(largestDifference(direct, cached, direct.rect()), 2);

    // A scaling painter draws directly, at the scale asked for.
    QImage scaled = canvas({120, 120});
    {
        QPainter painter(&scaled);
        painter.scale(2, 2);
        SpriteCache::draw(painter, QRect(8, 6, 46, 46), QStringLiteral("test-disc"), [&](QPainter& sprite) {
            ++drawn;
            disc(sprite);
        });
    }
    EXPECT_EQ(drawn, 2);
    EXPECT_NE(scaled.pixelColor(2 * 8 + 2 * 22, 2 * 6 + 2 * 22), QColor(30, 60, 90)) << "the disc's centre is painted";
}
