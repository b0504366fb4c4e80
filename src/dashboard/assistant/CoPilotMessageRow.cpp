#include "dashboard/assistant/CoPilotMessageRow.h"

#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// A wrapped label that asks for the width of its longest line, so a short
// line gets a snug bubble and a long one as much of the row as there is. It
// breaks lines between words and, for a word longer than the bubble, inside
// it: nothing a user types is clipped.
class BubbleLabel final : public PlainLabel {
public:
    using PlainLabel::PlainLabel;

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        int width = 0;
        for (const QString& line : text().split(QLatin1Char('\n')))
            width = std::max(width, metrics.horizontalAdvance(line));
        return {width + 2, heightForWidth(width + 2)};
    }
    QSize minimumSizeHint() const override { return {40, QFontMetrics(font()).height()}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        const QMargins margins = contentsMargins();
        return layOut(width - margins.left() - margins.right(), nullptr) + margins.top() + margins.bottom();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        layOut(contentsRect().width(), &painter);
    }

private:
    // Lays the text out `width` wide, draws it when given a painter, and
    // returns its height.
    int layOut(int width, QPainter* painter) const
    {
        const QFontMetricsF metrics(font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        const QPointF origin = contentsRect().topLeft();
        qreal y = 0;
        for (const QString& paragraph : text().split(QLatin1Char('\n'))) {
            QTextLayout layout(paragraph, font());
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(std::max(1, width));
                line.setPosition({0, y});
                y += metrics.lineSpacing();
            }
            layout.endLayout();
            if (painter)
                layout.draw(painter, origin);
        }
        return int(std::ceil(y));
    }
};

// On the light background a 60 % accent leaves white text too faint, so the
// user's bubble is stronger there.
UiColor bubbleFill(bool isUser, const AppTheme& theme)
{
    if (!isUser)
        return UiColor(SystemColor::contrast).opacity(0.06);
    return theme.accentColor().opacity(theme.isLight() ? 0.85 : 0.6);
}

} // namespace

CoPilotMessageRow::CoPilotMessageRow(const QString& role, const QString& text, const AppTheme& theme,
                                     QWidget* parent)
    : QWidget(parent), m_isUser(role == kUserRole)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    m_bubble = new CardFrame(bubbleFill(m_isUser, theme), 10);
    auto* inside = new QVBoxLayout(m_bubble);
    inside->setContentsMargins(12, 8, 12, 8);
    // The user's text sits on the accent colour, so it stays white in every
    // theme; the co-pilot's follows the window's label colour.
    m_label = new BubbleLabel(text, Fonts::system(12), m_isUser ? UiColor(SystemColor::white) : SystemColor::primary);
    m_label->setWordWrap(true);
    inside->addWidget(m_label);

    if (m_isUser) {
        row->addStretch(1);
        row->addWidget(m_bubble);
    } else {
        m_sparkles = new SymbolView(QStringLiteral("sparkles"), theme.accentColor(), 10);
        row->addWidget(m_sparkles, 0, Qt::AlignTop);
        row->addWidget(m_bubble);
        row->addStretch(1);
    }
}

QString CoPilotMessageRow::text() const { return m_label->text(); }

void CoPilotMessageRow::setTheme(const AppTheme& theme)
{
    m_bubble->setFill(bubbleFill(m_isUser, theme));
    if (m_sparkles)
        m_sparkles->setTint(theme.accentColor());
}
