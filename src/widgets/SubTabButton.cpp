#include "widgets/SubTabButton.h"

#include "theme/InkOnFill.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TabSelection.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr qreal kPointSize = 9;
constexpr int kGap = 4;
constexpr int kPadV = 5;
constexpr qreal kRadius = 6;
} // namespace

SubTabButton::SubTabButton(const QString& title, const QString& icon, int index, TabSelection* selectedIndex,
                           const UiColor& accentColor, QWidget* parent)
    : QAbstractButton(parent), m_icon(icon), m_index(index), m_selection(selectedIndex), m_accent(accentColor)
{
    setText(title);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_selection)
            m_selection->setValue(m_index);
    });
    if (m_selection)
        connect(m_selection, &TabSelection::valueChanged, this, qOverload<>(&QWidget::update));
}

bool SubTabButton::isSelected() const { return m_selection && m_selection->value() == m_index; }

void SubTabButton::setAccentColor(const UiColor& accent)
{
    m_accent = accent;
    update();
}

QFont SubTabButton::labelFont() const { return Fonts::system(kPointSize, isSelected() ? QFont::Bold : QFont::Normal); }

QColor SubTabButton::inkColor() const
{
    return isSelected() ? inkOnFill(m_accent.resolve(this)) : UiColor(SystemColor::secondary).resolve(this);
}

QSize SubTabButton::sizeHint() const
{
    const QFontMetricsF metrics(Fonts::system(kPointSize, QFont::Bold));
    const qreal symbol = SymbolIcon::pixelSizeFor(kPointSize);
    const qreal width = symbol + kGap + metrics.horizontalAdvance(text()) + 8;
    return {int(std::ceil(width)), int(std::ceil(std::max(metrics.height(), symbol))) + 2 * kPadV};
}

QSize SubTabButton::minimumSizeHint() const { return {sizeHint().width() - 8, sizeHint().height()}; }

void SubTabButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box(rect());
    QPainterPath pill;
    pill.addRoundedRect(box, kRadius, kRadius);
    if (isSelected())
        painter.fillPath(pill, m_accent.resolve(this));
    else if (showsHoverLook(this))
        painter.fillPath(pill, UiColor(SystemColor::contrast).opacity(0.06).resolve(this));

    const QColor ink = inkColor();
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    const qreal symbol = SymbolIcon::pixelSizeFor(kPointSize);
    const qreal textWidth = std::min(metrics.horizontalAdvance(text()), box.width() - symbol - kGap);
    qreal x = box.center().x() - (symbol + kGap + textWidth) / 2;
    SymbolIcon::paint(painter, QRectF(x, box.center().y() - symbol / 2, symbol, symbol), m_icon, ink, symbol);
    x += symbol + kGap;
    painter.setPen(ink);
    painter.setFont(font);
    painter.drawText(QRectF(x, box.top(), textWidth + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(), Qt::ElideRight, textWidth + 1));
}
