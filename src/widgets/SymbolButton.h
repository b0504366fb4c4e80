#pragma once

#include "widgets/SymbolGlyph.h"

#include <QAbstractButton>

// A borderless button that is only its tinted symbol; it brightens under
// the pointer and dims while pressed.
class SymbolButton : public QAbstractButton {
    Q_OBJECT

public:
    SymbolButton(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent = nullptr);

    QString symbol() const { return m_glyph.symbol(); }
    void setSymbol(const QString& symbol);
    UiColor tint() const { return m_glyph.tint(); }
    void setTint(const UiColor& tint);
    // Extra room around the symbol, which also widens the click target.
    void setPadding(int padding);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolGlyph m_glyph;
    int m_padding = 2;
};
