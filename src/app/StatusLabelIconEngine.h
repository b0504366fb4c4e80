#pragma once

#include "app/MenuBarView.h"
#include "theme/ColorScheme.h"

#include <QIconEngine>

// The status item's icon: asked for a wide area it draws the full label,
// asked for a square (what tray hosts give an item) the compact ring, so
// the label stays legible wherever the tray puts it.
class StatusLabelIconEngine final : public QIconEngine {
public:
    StatusLabelIconEngine(MenuBarView view, ColorScheme scheme);

    static QIcon icon(const MenuBarView& view, ColorScheme scheme);
    // Whether an area of this size gets the full label.
    static bool isWide(const QSizeF& size) { return size.width() >= 2 * size.height(); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    MenuBarView m_view;
    ColorScheme m_scheme;
};
