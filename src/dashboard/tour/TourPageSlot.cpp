#include "dashboard/tour/TourPageSlot.h"

#include "dashboard/tour/TourCardFrame.h"
#include "widgets/Animations.h"

#include <QVariantAnimation>

TourPageSlot::TourPageSlot(QWidget* parent) : QWidget(parent), m_slide(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Filled with the card's colour, so a page's animation repaints only
    // the slot, never the card, the backdrop or the dashboard below.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, TourCardFrame::background());
    setPalette(p);
    m_slide->setStartValue(0.0);
    m_slide->setEndValue(1.0);
    m_slide->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { place(v.toDouble()); });
    connect(m_slide, &QVariantAnimation::finished, this, [this] {
        retire(m_leaving);
        m_leaving = nullptr;
        place(1.0);
    });
}

void TourPageSlot::retire(QWidget* page)
{
    // Gone from the screen now; deleted once the event loop is back.
    if (!page)
        return;
    page->hide();
    page->deleteLater();
}

int TourPageSlot::heightForWidth(int width) const
{
    if (!m_page)
        return 0;
    return m_page->hasHeightForWidth() ? m_page->heightForWidth(width) : m_page->sizeHint().height();
}

bool TourPageSlot::isSliding() const { return m_slide->state() == QAbstractAnimation::Running; }

void TourPageSlot::setPage(QWidget* page, bool animated)
{
    // A slide under way ends where it was going.
    if (isSliding())
        m_slide->stop();
    retire(m_leaving);
    m_leaving = m_page;
    m_page = page;
    updateGeometry();
    if (page) {
        page->setParent(this);
        page->show();
    }
    const int ms = animated ? Animations::duration(kSlideMs) : 0;
    if (ms == 0 || !m_leaving || !isVisible()) {
        retire(m_leaving);
        m_leaving = nullptr;
        place(1.0);
        return;
    }
    m_slide->setDuration(ms);
    place(0.0);
    m_slide->start();
}

void TourPageSlot::place(qreal progress)
{
    const int w = width();
    const int shift = qRound(progress * w);
    if (m_page)
        m_page->setGeometry(w - shift, 0, w, height());
    if (m_leaving)
        m_leaving->setGeometry(-shift, 0, w, height());
}

void TourPageSlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place(isSliding() ? m_slide->currentValue().toDouble() : 1.0);
}

void TourPageSlot::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Nobody sees it slide: the new page takes its place at once.
    if (isSliding()) {
        m_slide->stop();
        retire(m_leaving);
        m_leaving = nullptr;
        place(1.0);
    }
}
