#include "widgets/ProcessIconView.h"


#include <QPainter>

#include <algorithm>

namespace {

constexpr qreal kIconPointSize = 13; // the body text size the symbol sits at
constexpr int kIconFrame = 20;
constexpr int kImageSide = 16;

} // namespace

ProcessIconView::ProcessIconView(QWidget* parent) : QWidget(parent), m_glyph(QString(), UiColor(), kIconPointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProcessIconView::set(const QString& symbol, const QIcon& image, const UiColor& tint)
{
    // Rows are refreshed with the same inputs every tick: only a change
    // repaints.
    const bool symbolChanged = m_glyph.setSymbol(symbol);
    const bool tintChanged = m_glyph.setTint(tint);
    const bool imageChanged = image.cacheKey() != m_image.cacheKey();
    m_image = image;
    if (symbolChanged || tintChanged || imageChanged)
        update();
}

// One height for both kinds, so rows with and without an application image
// line up in a list.
QSize ProcessIconView::sizeHint() const
{
    return {kIconFrame, std::max(kImageSide + 4, m_glyph.side())};
}

void ProcessIconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (showsImage()) {
        const QRect box(2, (height() - kImageSide) / 2, kImageSide, kImageSide);
        m_image.paint(&painter, box, Qt::AlignCenter);
        return;
    }
    m_glyph.paint(painter, rect(), this);
}
