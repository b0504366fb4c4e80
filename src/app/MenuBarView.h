#pragma once

#include "theme/UiColor.h"

#include <QList>
#include <QString>

class SystemStatsProvider;

// What the live status label shows for one set of sampler figures: the CPU
// ring, the CPU and temperature texts, the CPU history line and the battery
// state. A plain value, worked out without painting; MenuBarRenderer draws it.
class MenuBarView {
public:
    struct Figures {
        double cpuUsage = 0;        // percent
        QList<double> cpuHistory;   // percent, oldest first
        double socTemperature = 0;  // degrees Celsius
        bool batteryIsCharging = false;
        int batteryPercentage = 0;
        bool operator==(const Figures&) const = default;
    };

    static constexpr double kHotThreshold = 80.0; // above it, CPU and temperature turn red

    MenuBarView();
    explicit MenuBarView(Figures figures);
    // The figures the sampler holds now.
    static MenuBarView of(const SystemStatsProvider& stats);

    const Figures& figures() const { return m_figures; }

    // The load arc covers this fraction of the ring: cpuUsage / 100, capped
    // at a full ring, nothing for 0 or less.
    double ringFraction() const;
    UiColor ringColor() const;       // red above 80, else blue
    UiColor ringTrackColor() const;  // primary label colour at 20 %
    QString cpuText() const;         // "38%"
    QString temperatureText() const; // "52°"
    UiColor temperatureColor() const; // red above 80, else secondary
    const QList<double>& history() const { return m_figures.cpuHistory; }
    UiColor historyColor() const;    // purple at 80 %
    QString batterySymbol() const;   // "bolt.fill" while charging, else "battery.100"
    UiColor batteryColor() const;    // green while charging, else primary
    QString batteryText() const;     // "85%"

    // The figures as text, for the item's tooltip: trays draw the label in a
    // small square, so this is where the whole of it can be read.
    QString toolTip() const;

    bool operator==(const MenuBarView&) const = default;

private:
    Figures m_figures;
};
