#pragma once

#include "theme/UiColor.h"

#include <QFont>
#include <QWidget>

// A small fixed ring: a faint full-circle track and an arc covering
// `fraction` of it from twelve o'clock clockwise, with an optional text in
// the middle. It does not animate: a page that draws new figures every
// second simply sets them.
class RingGauge : public QWidget {
    Q_OBJECT

public:
    RingGauge(double fraction, const UiColor& color, int side, qreal lineWidth, QWidget* parent = nullptr);

    double fraction() const { return m_fraction; }
    void setFraction(double fraction);
    UiColor color() const { return m_color; }
    void setColor(const UiColor& color);
    QString text() const { return m_text; }
    void setText(const QString& text);
    void setTextFont(const QFont& font);
    // The track's opacity relative to the arc (0.3 unless set).
    void setTrackOpacity(qreal opacity);
    // The arc's ends (round unless set).
    void setArcCap(Qt::PenCapStyle cap);

    // How much of the circle the arc covers: the fraction up to 1, nothing
    // for non-finite or negative values.
    static double trimEnd(double fraction);

    QSize sizeHint() const override { return {m_side, m_side}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction;
    UiColor m_color;
    int m_side;
    qreal m_lineWidth;
    qreal m_trackOpacity = 0.3;
    Qt::PenCapStyle m_arcCap = Qt::RoundCap;
    QString m_text;
    QFont m_textFont;
};
