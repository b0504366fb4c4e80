#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>

class QVariantAnimation;

// An on/off switch: a capsule track, filled with the tint when on, and a
// round knob that slides across. Checkable; toggled(bool) reports changes.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(const UiColor& tint = SystemColor::blue, QWidget* parent = nullptr);

    UiColor tint() const { return m_tint; }
    void setTint(const UiColor& tint);
    // Where the knob is drawn, 0 (off) to 1 (on).
    qreal knobPosition() const { return m_position; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void slideTo(bool on);

    UiColor m_tint;
    qreal m_position = 0;
    QVariantAnimation* m_animation;
};
