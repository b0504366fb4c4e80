#pragma once

#include "widgets/CardFrame.h"

class PlainLabel;
class ToggleSwitch;

// A card with one switch, its title and note, and the banner shown while
// the switch is on (the power and fans pages). The owner stores what the
// user chose (userToggled) and shows what is stored (setOn).
class SwitchCard : public CardFrame {
    Q_OBJECT

public:
    struct Texts {
        QString symbol;
        UiColor symbolColor;
        QString title;
        QString note;
        QString bannerSymbol;
        QString bannerText;
        UiColor bannerColor;
    };

    explicit SwitchCard(const Texts& texts, QWidget* parent = nullptr);

    ToggleSwitch* toggle() const { return m_toggle; }
    QWidget* banner() const { return m_banner; }
    PlainLabel* bannerLabel() const { return m_bannerText; }
    void setOn(bool on);

signals:
    void userToggled(bool on);

private:
    ToggleSwitch* m_toggle;
    QWidget* m_banner;
    PlainLabel* m_bannerText;
    bool m_showing = false;
};
