#pragma once

#include "widgets/SymbolGlyph.h"

#include <QWidget>

// One symbol, tinted, at the size of text of a given point size. With a
// frame width it takes that width and centres the symbol in it.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent = nullptr);

    QString symbol() const { return m_glyph.symbol(); }
    void setSymbol(const QString& symbol);
    UiColor tint() const { return m_glyph.tint(); }
    void setTint(const UiColor& tint);
    qreal pointSize() const { return m_glyph.pointSize(); }
    void setPointSize(qreal pointSize);
    void setFrameWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolGlyph m_glyph;
    int m_frameWidth = 0;
};
