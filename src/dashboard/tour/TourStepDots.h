#pragma once

#include "theme/UiColor.h"

#include <QWidget>

// The tour's progress: a row of six capsules, 6 points apart and 4 high;
// the current step's capsule in the accent, the others faint white.
class TourStepDots : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCount = 6;
    static constexpr int kGap = 6;
    static constexpr int kHeight = 4;

    explicit TourStepDots(QWidget* parent = nullptr);

    int current() const { return m_current; }
    void setCurrent(int step);
    void setAccent(const UiColor& accent);

    QSize sizeHint() const override { return {kCount * 20, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_current = 0;
    UiColor m_accent = SystemColor::blue;
};
