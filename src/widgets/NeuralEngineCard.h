#pragma once

#include "widgets/CardFrame.h"

class LoadBar;
class PlainLabel;
class PulseBadge;

// The Neural Engine's card: its power draw in large type, the pulse badge,
// and the core load as a figure and a bar, in the theme's accent. Shared by
// the dashboard's hardware page and the popover's AI page.
class NeuralEngineCard : public CardFrame {
    Q_OBJECT

public:
    explicit NeuralEngineCard(const UiColor& accent, QWidget* parent = nullptr);

    // Power in watts, load in percent (0-100, shown unclamped).
    void setFigures(double anePowerDraw, double aneUsage);
    void setAccent(const UiColor& accent);

    QString powerText() const;
    QString loadText() const;
    LoadBar* loadBar() const { return m_bar; }
    PulseBadge* pulseBadge() const { return m_badge; }

private:
    PlainLabel* m_power;
    PlainLabel* m_load;
    PulseBadge* m_badge;
    LoadBar* m_bar;
};
