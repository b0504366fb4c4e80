#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>

// The button of a destructive row action (eject, kill, delete): a red
// symbol on a faint red rounded square, with a tool tip saying what it does.
class DestructiveIconButton : public QAbstractButton {
    Q_OBJECT

public:
    DestructiveIconButton(const QString& symbol, const QString& toolTip, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    // Side of the square (22 by default) and point size of the symbol (10).
    void setMetrics(int side, qreal symbolPointSize, qreal cornerRadius = 6);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side = 22;
    qreal m_pointSize = 10;
    qreal m_radius = 6;
};
