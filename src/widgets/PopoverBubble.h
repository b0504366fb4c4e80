#pragma once

#include "theme/ColorScheme.h"

#include <QPointer>
#include <QWidget>

class QPainterPath;
class QVBoxLayout;

// A popover: a rounded bubble with an arrow that points at the widget it
// belongs to, shown below it (above it when the screen has no room below).
// A click outside closes it; a click on the anchor itself only closes it, so
// the anchor's own toggle does not reopen it at once. Lay the content out in
// contentLayout().
class PopoverBubble : public QWidget {
    Q_OBJECT

public:
    explicit PopoverBubble(QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return m_content; }

    // Shows the bubble pointing at `anchor`, in the anchor's colour scheme.
    void showFor(QWidget* anchor);
    QWidget* anchor() const { return m_anchor; }
    bool pointsUp() const { return m_pointsUp; }
    // Re-places an open bubble after its content changed size.
    void reposition();

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRectF bubbleRect() const;
    QPainterPath outline() const; // the bubble with its arrow, without the shadow

    QVBoxLayout* m_content;
    QPointer<QWidget> m_anchor;
    ColorScheme m_scheme = ColorScheme::dark;
    bool m_pointsUp = true;
    qreal m_arrowX = 0;
    bool m_translucent = true; // false: cut to the outline, nothing composites
};
