#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>

// A rounded button in one colour: an optional symbol and a short text.
// Tinted: coloured text on the colour at 15 % (the header's "Tour" button).
// Filled: text on the full colour (primary actions of cards), white unless
// the colour is too light for it (see inkOnFill).
class AccentPillButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Style { tinted, filled };

    AccentPillButton(const QString& symbol, const QString& text, const UiColor& color, Style style = Style::tinted,
                     QWidget* parent = nullptr);

    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    Style buttonStyle() const { return m_style; }
    // Room around the content and the corner radius; a negative radius
    // gives a capsule.
    void setPadding(int horizontal, int vertical);
    void setCornerRadius(qreal radius);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal symbolSide() const;

    QString m_symbol;
    UiColor m_color;
    Style m_style;
    int m_padH = 8;
    int m_padV = 3;
    qreal m_radius = 8;
};
