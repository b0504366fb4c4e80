#include "widgets/LineClampLabel.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

LineClampLabel::LineClampLabel(const QString& text, int maxLines, QWidget* parent)
    : QWidget(parent), m_text(text), m_maxLines(std::max(1, maxLines))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void LineClampLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void LineClampLabel::setTextColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

QStringList LineClampLabel::linesAt(int width) const
{
    QStringList lines;
    if (m_text.isEmpty() || width <= 0)
        return lines;
    QTextLayout layout(m_text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lastStart = 0;
    bool more = false;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == m_maxLines) {
            more = true;
            break;
        }
        lastStart = line.textStart();
        lines << m_text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (more) {
        // The last shown line takes the rest of the text, cut to fit.
        const QString rest = m_text.mid(lastStart).simplified();
        lines.last() = fontMetrics().elidedText(rest, Qt::ElideRight, width);
    }
    return lines;
}

bool LineClampLabel::isClamped() const
{
    const QStringList lines = linesAt(width());
    return !lines.isEmpty() && lines.last().endsWith(QChar(0x2026));
}

int LineClampLabel::heightForWidth(int width) const
{
    const int count = std::max<qsizetype>(1, linesAt(width).size());
    return int(std::ceil(count * QFontMetricsF(font()).lineSpacing()));
}

QSize LineClampLabel::sizeHint() const
{
    const int width = int(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_text))) + 1;
    return {std::min(width, 240), heightForWidth(std::min(width, 240))};
}

QSize LineClampLabel::minimumSizeHint() const { return {10, int(std::ceil(QFontMetricsF(font()).lineSpacing()))}; }

void LineClampLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(m_color.resolve(this));
    painter.setFont(font());
    const qreal spacing = QFontMetricsF(font()).lineSpacing();
    qreal y = 0;
    for (const QString& line : linesAt(width())) {
        painter.drawText(QRectF(0, y, width(), spacing), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += spacing;
    }
}

void LineClampLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}
