#include "widgets/PlainLabel.h"

#include <QEvent>

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setText(text);
    applyColor();
}

PlainLabel::PlainLabel(const QString& text, const QFont& font, const UiColor& color, QWidget* parent)
    : PlainLabel(text, parent)
{
    setFont(font);
    setTextColor(color);
}

void PlainLabel::setTextColor(const UiColor& color)
{
    m_color = color;
    applyColor();
}

QColor PlainLabel::resolvedTextColor() const { return palette().color(QPalette::WindowText); }

void PlainLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColor();
}

void PlainLabel::applyColor()
{
    if (m_applying)
        return;
    const QColor color = m_color.resolve(this);
    if (palette().color(QPalette::WindowText) == color && testAttribute(Qt::WA_SetPalette))
        return;
    m_applying = true;
    // Only the text role is set, so the window colour (and with it the
    // scheme) keeps coming from the parent.
    QPalette own;
    own.setColor(QPalette::WindowText, color);
    own.setColor(QPalette::Text, color);
    setPalette(own);
    m_applying = false;
}
