#pragma once

#include "theme/UiColor.h"

#include <QLabel>

// A wrapped label for the program's own help texts with inline markup
// (see InlineMarkup). Never give it text from outside: use PlainLabel.
class MarkupLabel : public QLabel {
    Q_OBJECT

public:
    MarkupLabel(const QString& markup, const QFont& font, const UiColor& color, QWidget* parent = nullptr);

    QString markup() const { return m_markup; }
    UiColor textColor() const { return m_color; }
    void setTextColor(const UiColor& color);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();

    QString m_markup;
    UiColor m_color;
    bool m_applying = false;
};
