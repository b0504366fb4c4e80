#pragma once

#include "telemetry/PerformancePreset.h"
#include "theme/UiColor.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class Badge;
class CardFrame;
class ElidedLabel;
class PlainLabel;
class PresetCard;
class PresetIconDisc;
class PresetManager;
class QScrollArea;
class QVBoxLayout;
class RefreshCoalescer;
class Spinner;
class SymbolView;
class TelemetryRow;
class ThemeManager;

// The dashboard's "Performance Presets" page: a header with the active
// profile (a spinner while a preset is being applied), a banner describing
// the active preset with the battery charge, one card per preset, the
// hardware modifiers the active preset implies and a log of what this page
// applied. A click on a card applies that preset (the active one too) and
// logs two lines around it.
//
// The active preset and its texts live in the preset manager; the log
// belongs to this instance and starts from its seed lines every time the
// page is built.
class PerformancePresetsView : public QWidget {
    Q_OBJECT

public:
    static const QStringList& seedLogs();
    // The modifier labels, in panel order.
    static const QStringList& modifierLabels();
    // The modifier values while `active` is the active preset.
    static QStringList modifierValues(PerformancePreset active);
    // The colour a preset's icons, highlights and tints use.
    static UiColor presetColor(PerformancePreset preset);

    PerformancePresetsView(PresetManager* presetManager, ThemeManager* themeManager, QWidget* parent = nullptr);

    const QStringList& executionLogs() const { return m_executionLogs; }
    // What a click on a preset's card does.
    void applyPreset(PerformancePreset preset);

    const QList<PresetCard*>& presetCards() const { return m_cards; }
    Badge* activeBadge() const { return m_badge; }
    Spinner* spinner() const { return m_spinner; }
    SymbolView* headerIcon() const { return m_headerIcon; }
    CardFrame* banner() const { return m_banner; }
    PresetIconDisc* bannerIcon() const { return m_bannerIcon; }
    PlainLabel* bannerTitle() const { return m_bannerTitle; }
    ElidedLabel* bannerDescription() const { return m_bannerDescription; }
    Badge* batteryCapsule() const { return m_battery; }
    const QList<TelemetryRow*>& modifierRows() const { return m_modifiers; }
    QScrollArea* logArea() const { return m_logArea; }
    // The "$" prompts, one per log line.
    const QList<PlainLabel*>& logPrompts() const { return m_prompts; }

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

private:
    QWidget* buildHeader();
    QWidget* buildBanner();
    QWidget* buildGrid();
    QWidget* buildPanels();
    void appendLog(const QString& line);
    void refresh();
    void applyTheme();
    static QCoro::Task<> applyAndLog(QPointer<PerformancePresetsView> view, QPointer<PresetManager> manager,
                                     PerformancePreset preset);

    QPointer<PresetManager> m_presetManager;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;
    QStringList m_executionLogs;

    SymbolView* m_headerIcon = nullptr;
    Badge* m_badge = nullptr;
    QWidget* m_spinnerFrame = nullptr;
    Spinner* m_spinner = nullptr;
    CardFrame* m_banner = nullptr;
    PresetIconDisc* m_bannerIcon = nullptr;
    PlainLabel* m_bannerTitle = nullptr;
    ElidedLabel* m_bannerDescription = nullptr;
    Badge* m_battery = nullptr;
    QList<PresetCard*> m_cards;
    QList<TelemetryRow*> m_modifiers;
    QScrollArea* m_logArea = nullptr;
    QVBoxLayout* m_logColumn = nullptr;
    QList<PlainLabel*> m_prompts;
};
