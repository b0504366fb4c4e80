#pragma once

#include "theme/UiColor.h"

#include <QElapsedTimer>
#include <QWidget>

class QTimer;

// A symbol that turns about its centre, one turn per period, while it is
// set spinning and on screen. Hidden, or with animations off, it draws one
// still frame and runs no timer.
class SpinningSymbolView : public QWidget {
    Q_OBJECT

public:
    SpinningSymbolView(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent = nullptr);

    void setTint(const UiColor& tint);
    UiColor tint() const { return m_tint; }
    void setSpinning(bool spinning, int periodMs);
    bool isSpinning() const { return m_spinning; }
    int periodMs() const { return m_periodMs; }
    // Whether frames are being drawn now.
    bool isAnimating() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateTimer();
    void step();

    QString m_symbol;
    UiColor m_tint;
    qreal m_pointSize;
    bool m_spinning = false;
    int m_periodMs = 1200;
    qreal m_angle = 0;
    QTimer* m_timer;
    QElapsedTimer m_clock;
};
