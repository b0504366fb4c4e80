#pragma once

#include "theme/UiColor.h"

#include <QWidget>

class QPainter;
class RepeatingLoop;

// One preset on the tour's presets step: symbol and title in a small tag,
// faint in its colour; the selected one is filled, casts a glow and
// breathes between 0.96 and 1.08 while shown.
class PresetMiniBadge : public QWidget {
    Q_OBJECT

public:
    static constexpr double kPulseLow = 0.96;
    static constexpr double kPulseHigh = 1.08;

    PresetMiniBadge(const QString& title, const QString& icon, const UiColor& color, bool isSelected,
                    QWidget* parent = nullptr);

    QString title() const { return m_title; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);
    bool pulsate() const;
    bool isPulsing() const;
    double scale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QSizeF natural() const;
    void paintBadge(QPainter& p, double scale) const;

    QString m_title;
    QString m_icon;
    UiColor m_color;
    bool m_isSelected;
    RepeatingLoop* m_pulse;
};
