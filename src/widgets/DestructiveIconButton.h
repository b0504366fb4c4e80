#pragma once

#include "widgets/SymbolGlyph.h"

#include <QAbstractButton>

// The button of a destructive row action (eject, kill, delete): a red
// symbol on a faint red rounded square, with a tool tip saying what it does.
class DestructiveIconButton : public QAbstractButton {
    Q_OBJECT

public:
    DestructiveIconButton(const QString& symbol, const QString& toolTip, QWidget* parent = nullptr);

    QString symbol() const { return m_glyph.symbol(); }
    // Side of the square (22 by default) and point size of the symbol (10).
    void setMetrics(int side, qreal symbolPointSize, qreal cornerRadius = 6);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolGlyph m_glyph;
    int m_side = 22;
    qreal m_radius = 6;
};
