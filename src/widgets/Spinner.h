#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class QTimer;

// The indeterminate progress indicator: twelve spokes of fading opacity
// that turn while the spinner is on screen. With animations off it shows one
// still frame.
class Spinner : public QWidget {
    Q_OBJECT

public:
    explicit Spinner(int diameter = 16, QWidget* parent = nullptr);

    void setColor(const UiColor& color);
    bool isSpinning() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_diameter;
    int m_step = 0;
    UiColor m_color = SystemColor::secondary;
    QTimer* m_timer;
};
