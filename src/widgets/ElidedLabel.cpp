#include "widgets/ElidedLabel.h"

#include "core/OneLineText.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QWidget(parent), m_text(oneLineText(text))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text)
{
    QString line = oneLineText(text);
    if (line == m_text)
        return;
    m_text = std::move(line);
    updateGeometry();
    refreshToolTip();
    update();
}

void ElidedLabel::setTextColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    m_mode = mode;
    refreshToolTip();
    update();
}

void ElidedLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void ElidedLabel::setFixedToolTip(const QString& toolTip)
{
    m_fixedToolTip = oneLineText(toolTip);
    refreshToolTip();
}

QString ElidedLabel::displayedText() const
{
    return fontMetrics().elidedText(m_text, m_mode, width());
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(m_text))) + 1, int(std::ceil(metrics.height()))};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal ellipsis = metrics.horizontalAdvance(QStringLiteral("\u2026"));
    const qreal full = metrics.horizontalAdvance(m_text);
    return {int(std::ceil(std::min(full, ellipsis * 3))), int(std::ceil(metrics.height()))};
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(m_color.resolve(this));
    painter.setFont(font());
    painter.drawText(rect(), int(m_alignment) | Qt::TextSingleLine, displayedText());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refreshToolTip();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        refreshToolTip();
    QWidget::changeEvent(event);
}

void ElidedLabel::refreshToolTip()
{
    // Tool tips guess whether text is rich; make it rich on purpose and
    // escape, so outside text always shows as typed.
    const QString shown = !m_fixedToolTip.isEmpty() ? m_fixedToolTip : isElided() ? m_text : QString();
    setToolTip(shown.isEmpty() ? QString() : QStringLiteral("<qt>%1</qt>").arg(shown.toHtmlEscaped()));
}
