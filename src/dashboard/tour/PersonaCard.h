#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>

#include <functional>

class QPainter;
class RepeatingLoop;

// A persona to pick on the tour's personas step: symbol over a caption on
// an 85 x 68 tile. The selected card is filled with its colour, outlined,
// glows and breathes between 0.98 and 1.04 while shown; a click runs the
// action.
class PersonaCard : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr QSize kTile{85, 68};
    static constexpr double kPulseLow = 0.98;
    static constexpr double kPulseHigh = 1.04;

    PersonaCard(const QString& title, const QString& icon, const UiColor& color, bool isSelected,
                std::function<void()> action, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);
    void setColor(const UiColor& color);
    bool isPulsing() const;
    double scale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintCard(QPainter& p, double scale) const;

    QString m_title;
    QString m_icon;
    UiColor m_color;
    bool m_isSelected;
    RepeatingLoop* m_pulse;
};
