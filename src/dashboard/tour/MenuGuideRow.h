#pragma once

#include "theme/AppTheme.h"

#include <QWidget>

#include <functional>

class QTimeLine;
class QPainter;
class RepeatingLoop;

// One line of the tour's guide on the menus and popover steps: a symbol, a
// bold title and a description of up to two lines. While the part it
// describes is on show the row is outlined in its colour, a little larger
// (1.03, with a spring) and its symbol breathes between 0.95 and 1.2.
class MenuGuideRow : public QWidget {
    Q_OBJECT

public:
    static constexpr double kHighlightScale = 1.03;
    static constexpr double kPulseLow = 0.95;
    static constexpr double kPulseHigh = 1.2;

    MenuGuideRow(const QString& icon, const UiColor& color, const QString& title, const QString& desc,
                 bool isHighlighted, AppTheme theme, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    bool isHighlighted() const { return m_isHighlighted; }
    void setHighlighted(bool highlighted);
    bool isPulsing() const;
    double rowScale() const { return m_rowScale; }
    double iconScale() const;
    // What a breath of the symbol repaints.
    QRect iconBounds() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRectF box() const;
    qreal descHeight(qreal textWidth) const;
    // The symbol where the row stands highlighted, drawn through a sprite
    // with the painter untransformed.
    void paintSettledIcon(QPainter& p, const QColor& color) const;
    // The title and description in `area` (row coordinates, untransformed).
    void paintTexts(QPainter& p, const QRectF& area) const;
    void drawTexts(QPainter& p, const QRectF& area) const;
    // Paints what `draw` draws in `area` through a sprite made at the scale
    // the row comes to rest at.
    void paintAtRest(QPainter& p, const QRectF& area, const QString& key,
                     const std::function<void(QPainter&)>& draw) const;

    QString m_icon;
    UiColor m_color;
    QString m_title;
    QString m_desc;
    bool m_isHighlighted;
    AppTheme m_theme; // carried, not drawn with
    double m_rowScale;
    RepeatingLoop* m_pulse;
    QTimeLine* m_spring;
    double m_springFrom = 1.0;
    double m_springTo = 1.0;
    QFont m_titleFont;
    QFont m_descFont;
    mutable qreal m_descWidth = -1; // the width m_descHeight was measured for
    mutable qreal m_descHeight = 0;
};
