#pragma once

#include "widgets/CardFrame.h"

#include <QCoroTask>

#include <functional>
#include <optional>

class PlainLabel;
class AccentPillButton;
class Spinner;
class SystemStatsProvider;
class ThemeManager;

// The daily health report card: a button that asks the co-pilot for a short
// paragraph about the machine, a progress line while it waits, then the
// paragraph for as long as the card lives. It offers no second request; a
// newly built card starts with the button again.
class AIHealthReportView : public CardFrame {
    Q_OBJECT

public:
    // Composes the paragraph from the CPU load, SoC temperature, memory
    // pressure and battery figures.
    using Reporter = std::function<QCoro::Task<QString>(double cpu, double temp, double memory, int battery)>;

    AIHealthReportView(SystemStatsProvider* stats, Reporter reporter, ThemeManager* themeManager,
                       QWidget* parent = nullptr);

    bool isGenerating() const { return m_isGenerating; }
    const std::optional<QString>& report() const { return m_report; }

    AccentPillButton* generateButton() const { return m_button; }
    QWidget* progressRow() const { return m_progress; }
    PlainLabel* reportLabel() const { return m_reportLabel; }

    // What a tap on the button does.
    void generate();

private:
    QCoro::Task<> requestReport();
    void showState();
    void applyTheme();

    SystemStatsProvider* m_stats;
    Reporter m_reporter;
    ThemeManager* m_themeManager;
    std::optional<QString> m_report;
    bool m_isGenerating = false;
    AccentPillButton* m_button;
    QWidget* m_progress;
    Spinner* m_spinner;
    PlainLabel* m_reportLabel;
};
