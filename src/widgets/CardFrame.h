#pragma once

#include "theme/UiColor.h"

#include <QWidget>

#include <optional>

// The rounded plate that groups a page's content: a fill, an optional
// hairline stroke and an optional diagonal gradient over the fill. Lay the
// content out in it like in any widget (the pages pad their cards by 12).
class CardFrame : public QWidget {
    Q_OBJECT

public:
    explicit CardFrame(QWidget* parent = nullptr);
    CardFrame(const UiColor& fill, qreal cornerRadius, QWidget* parent = nullptr);

    UiColor fill() const { return m_fill; }
    void setFill(const UiColor& fill);
    qreal cornerRadius() const { return m_radius; }
    void setCornerRadius(qreal radius);
    void setStroke(const UiColor& color, qreal width = 1.0);
    void clearStroke();
    // A gradient from the top-leading corner to the bottom-trailing one,
    // painted over the fill.
    void setGradient(const UiColor& from, const UiColor& to);
    void clearGradient();

    // True when `dirty` lies inside a plate's `box`, clear of its stroke
    // (`edge` wide, antialiasing included) and of its rounded corners: a
    // child repainting there gets the plate's pixels from plain rectangles,
    // without rasterising the whole plate.
    static bool liesClearOfEdge(const QRectF& box, qreal radius, qreal edge, const QRect& dirty);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiColor m_fill = UiColor(SystemColor::white).opacity(0.05);
    qreal m_radius = 12;
    std::optional<UiColor> m_stroke;
    qreal m_strokeWidth = 1.0;
    std::optional<std::pair<UiColor, UiColor>> m_gradient;
};
