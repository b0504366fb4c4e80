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

void PlainLabel::setFigureText(const QString& text)
{
    if (text == this->text() && minimumSize() == maximumSize())
        return;
    // With the size fixed, QLabel's own geometry update leaves the parent's
    // layout alone; only a different size hint lays it out again.
    m_figure = true;
    setText(text);
    const QSize hint = sizeHint();
    if (minimumSize() != hint || maximumSize() != hint)
        setFixedSize(hint);
}

QColor PlainLabel::resolvedTextColor() const { return palette().color(QPalette::WindowText); }

int PlainLabel::heightForWidth(int width) const
{
    if (!wordWrap())
        return QLabel::heightForWidth(width);
    // A wrapped text is laid out afresh at each ask, and one layout pass asks
    // for the same few widths many times over (minimum, hint, each level of
    // nested layouts): the answers are kept until the text or its setting
    // changes.
    const WrapMeasure measure{text(), contentsMargins(), margin(), indent(), alignment()};
    if (!(measure == m_wrapMeasure)) {
        m_wrapMeasure = measure;
        m_wrapHeights.clear();
    }
    for (const WrapHeight& known : std::as_const(m_wrapHeights)) {
        if (known.width == width)
            return known.height;
    }
    const int height = QLabel::heightForWidth(width);
    constexpr qsizetype kWidthsKept = 4;
    if (m_wrapHeights.size() == kWidthsKept)
        m_wrapHeights.removeFirst();
    m_wrapHeights.append({width, height});
    return height;
}

void PlainLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_wrapHeights.clear();
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColor();
    if (event->type() == QEvent::FontChange && m_figure)
        setFixedSize(sizeHint());
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
