#include "widgets/ProcessIconView.h"

#include "widgets/SymbolIcon.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kIconPointSize = 13; // the body text size the symbol sits at
constexpr int kIconFrame = 20;
constexpr int kImageSide = 16;

} // namespace

ProcessIconView::ProcessIconView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProcessIconView::set(const QString& symbol, const QIcon& image, const UiColor& tint)
{
    m_symbol = symbol;
    m_image = image;
    m_tint = tint;
    update();
}

// One height for both kinds, so rows with and without an application image
// line up in a list.
QSize ProcessIconView::sizeHint() const
{
    const int symbolHeight = int(std::ceil(SymbolIcon::pixelSizeFor(kIconPointSize)));
    return {kIconFrame, std::max(kImageSide + 4, symbolHeight)};
}

void ProcessIconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (showsImage()) {
        const QRect box(2, (height() - kImageSide) / 2, kImageSide, kImageSide);
        m_image.paint(&painter, box, Qt::AlignCenter);
        return;
    }
    SymbolIcon::paint(painter, rect(), m_symbol, m_tint.resolve(this), SymbolIcon::pixelSizeFor(kIconPointSize));
}
