#pragma once

#include "telemetry/MachineHardwareInfo.h"

#include <QCoroTask>
#include <QList>
#include <QWidget>

class AccentPillButton;
class Badge;
class ElidedLabel;
class InfoBlock;
class InfoRow;
class QClipboard;
class RefreshCoalescer;
class Scheduler;
class SystemInfoIconTile;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "System Info" page: the machine's description with a few
// live figures in a header card and six blocks, and a button that copies a
// plain-text diagnostic report.
class SystemInfoView : public QWidget {
    Q_OBJECT

public:
    struct Services {
        SystemStatsProvider* stats = nullptr;
        ThemeManager* themeManager = nullptr;
        Scheduler* scheduler = nullptr;   // the copy label's reset
        QClipboard* clipboard = nullptr;  // null: the application's clipboard
    };

    explicit SystemInfoView(Services services, QWidget* parent = nullptr);

    // The report the copy button puts on the clipboard: twelve lines built
    // from the description alone.
    static QString diagnosticReport(const MachineHardwareInfo& info);
    // "macbook" for a laptop's identifier (case-sensitive), else "macstudio".
    static QString symbolFor(const QString& modelIdentifier);
    static QString fanText(const QList<double>& fanRPMs);
    static QString throttlingText(double throttlingStatus);
    // The first 12 characters of a fresh unique id, then "...".
    static QString hostIdentifier();

    // Copies the report of `info` and shows "copied" for 2 seconds.
    void copySpecsReport(const MachineHardwareInfo& info);

    bool copiedReport() const { return m_copiedReport; }
    AccentPillButton* copyButton() const { return m_copy; }
    QString symbolName() const;
    QList<InfoBlock*> blocks() const { return m_blocks; }
    // The value shown beside a row label, empty when no row has it.
    QString rowValue(const QString& label) const;

    // Redraws from the sampler now instead of at the end of the event-loop
    // turn.
    void refreshNow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildHeader();
    void buildBlocks(QWidget* grid);
    void refresh();
    void applyTheme();
    void setCopiedReport(bool copied);
    QCoro::Task<> resetCopiedLater();

    Services m_services;
    RefreshCoalescer* m_coalescer;
    bool m_stale = false;
    bool m_copiedReport = false;
    MachineHardwareInfo m_info;

    SystemInfoIconTile* m_tile = nullptr;
    ElidedLabel* m_modelName = nullptr;
    Badge* m_identifier = nullptr;
    ElidedLabel* m_processor = nullptr;
    ElidedLabel* m_osVersion = nullptr;
    AccentPillButton* m_copy = nullptr;
    QList<InfoBlock*> m_blocks;
};
