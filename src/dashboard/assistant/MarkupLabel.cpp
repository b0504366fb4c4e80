#include "dashboard/assistant/MarkupLabel.h"

#include "dashboard/assistant/InlineMarkup.h"

#include <QEvent>

MarkupLabel::MarkupLabel(const QString& markup, const QFont& font, const UiColor& color, QWidget* parent)
    : QLabel(parent), m_markup(markup), m_color(color)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setOpenExternalLinks(false);
    setWordWrap(true);
    setFont(font);
    // Four points between lines: 12-point text on a 16-point line.
    setText(QStringLiteral("<div style=\"line-height:125%\">") + InlineMarkup::toHtml(markup)
            + QStringLiteral("</div>"));
    applyColor();
}

void MarkupLabel::setTextColor(const UiColor& color)
{
    m_color = color;
    applyColor();
}

void MarkupLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColor();
}

void MarkupLabel::applyColor()
{
    // Setting the palette raises another PaletteChange.
    if (m_applying)
        return;
    const QColor color = m_color.resolve(this);
    if (palette().color(QPalette::WindowText) == color && testAttribute(Qt::WA_SetPalette))
        return;
    m_applying = true;
    // Only the text roles are set, so the scheme keeps coming from the parent.
    QPalette own;
    own.setColor(QPalette::WindowText, color);
    own.setColor(QPalette::Text, color);
    setPalette(own);
    m_applying = false;
}
