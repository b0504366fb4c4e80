#include "dashboard/pages/PresetCard.h"

#include "dashboard/pages/PresetIconDisc.h"
#include "widgets/Fonts.h"
#include "widgets/LineClampLabel.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The empty ring an inactive card shows where the active one has its check.
class EmptyRing : public QWidget {
public:
    EmptyRing() { setFixedSize(12, 12); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(UiColor(SystemColor::primary).opacity(0.2).resolve(this), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(0.75, 0.75, 10.5, 10.5));
    }
};

} // namespace

PresetCard::PresetCard(PerformancePreset preset, const UiColor& color, QWidget* parent)
    : QAbstractButton(parent), m_preset(preset), m_color(color), m_disc(new PresetIconDisc(24, 11)),
      m_check(new SymbolView(QStringLiteral("checkmark.circle.fill"), color, 12)), m_ring(new EmptyRing),
      m_name(new PlainLabel(preset.rawValue(), Fonts::system(11, QFont::Bold), SystemColor::primary)),
      m_description(new LineClampLabel(preset.description(), 2))
{
    setObjectName(QStringLiteral("presetCard"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_check->setObjectName(QStringLiteral("check"));
    m_ring->setObjectName(QStringLiteral("emptyRing"));
    m_description->setFont(Fonts::system(8));
    m_description->setTextColor(SystemColor::secondary);
    // Room for both lines on every card, so cards in a row line up.
    m_description->setMinimumHeight(int(std::ceil(2 * QFontMetricsF(m_description->font()).lineSpacing())));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(6);
    auto* top = new QHBoxLayout;
    top->addWidget(m_disc, 0, Qt::AlignVCenter);
    top->addStretch(1);
    top->addWidget(m_check, 0, Qt::AlignVCenter);
    top->addWidget(m_ring, 0, Qt::AlignVCenter);
    column->addLayout(top);
    column->addWidget(m_name);
    column->addWidget(m_description);
    column->addStretch(1);
    for (QWidget* child : findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_active = true; // so that the call below applies the inactive look
    setActive(false);
}

void PresetCard::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    m_disc->set(m_preset.icon(), m_color, active ? 0.2 : 0.08);
    m_check->setVisible(active);
    m_ring->setVisible(!active);
    update();
}

UiColor PresetCard::fill() const
{
    return m_active ? m_color.opacity(0.08) : UiColor(SystemColor::primary).opacity(0.03);
}

UiColor PresetCard::outline() const
{
    return m_active ? m_color.opacity(0.4) : UiColor(SystemColor::primary).opacity(0.08);
}

QSize PresetCard::sizeHint() const { return layout()->sizeHint(); }

QSize PresetCard::minimumSizeHint() const { return layout()->minimumSize(); }

void PresetCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outline().resolve(this), 1));
    painter.setBrush(fill().resolve(this));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}
