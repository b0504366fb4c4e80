#pragma once

#include "telemetry/ProcessInfoData.h"
#include "theme/UiColor.h"

#include <QCoroTask>
#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class Badge;
class ElidedLabel;
class KeyedRowList;
class PlainLabel;
class PopoverBubble;
class ProcessMonitor;
class ProcessIconView;
class SettingsStore;
class Spinner;
class SymbolButton;

// The one line every process list draws: icon, name, a button that asks the
// co-pilot what the process is (the answer shows in a popover and is kept
// for the row's lifetime), an optional freeze/resume button, the "P0" badge
// in advanced mode, and the caller's value text on the right ("FROZEN" while
// suspended). Keep a row per process identity (see KeyedRowList) and call
// setInputs() on refresh, so the kept answer and an open popover survive.
class ProcessRow : public QWidget {
    Q_OBJECT

public:
    // Answers "what is this process" for a process name.
    using Explainer = std::function<QCoro::Task<QString>(QString name)>;

    // The explainer rows use unless built with their own; the application
    // sets the co-pilot's here at start-up.
    static void setDefaultExplainer(Explainer explainer);
    static Explainer defaultExplainer();

    struct Services {
        // The store whose "advancedMode" the row follows; null: the owner
        // sets it with setAdvancedMode().
        SettingsStore* settings = nullptr;
        Explainer explainer;               // empty: the default explainer
    };

    // `image` (when not null) replaces the symbol `icon`; `onToggleSuspend`
    // (when set) adds the freeze/resume button. A process may name itself
    // anything: the name is shown, and sent to the co-pilot, as oneLineText().
    ProcessRow(const QString& icon, const QIcon& image, const QString& name, const QString& value,
               const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend,
               QWidget* parent = nullptr);
    ProcessRow(const QString& icon, const QIcon& image, const QString& name, const QString& value,
               const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend, QWidget* parent,
               Services services);
    ~ProcessRow() override;

    void setInputs(const QString& icon, const QIcon& image, const QString& name, const QString& value,
                   const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend);

    // The process the row stands for (its start time; with the pid it names
    // one process). A row handed another process, a reused pid, closes its
    // bubble and forgets the last one's answer.
    void setProcessStart(quint64 startTime);
    quint64 processStart() const { return m_processStart; }

    // How a list draws its processes.
    struct ListLook {
        QString icon;          // the symbol of a process without an image
        UiColor color;
        QString valueSuffix;   // after the CPU share "%.1f%%"
        bool fullPath = false; // named by full path rather than name
        QString help;          // every row's tooltip; empty: none
    };
    // Fills `list` with one row per process, keyed by pid, in the given
    // order. A row offers freeze or resume only where `monitor` does (see
    // freezeAction()); without a monitor no row does.
    static void showProcesses(KeyedRowList* list, const QList<ProcessInfoData>& processes, const ListLook& look,
                              ProcessMonitor* monitor, Services services);
    // The same with each row's CPU share ("%.1f%% CPU") under "cpu.fill".
    static void showCpuList(KeyedRowList* list, const QList<ProcessInfoData>& processes, const UiColor& color,
                            ProcessMonitor* monitor, Services services);
    // Freezes or resumes `pid`; none where the monitor does not offer it
    // (pid 0 or 1, this application, the session's own processes, kernel
    // threads). Every list asks this one rule.
    static std::function<void()> freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid);

    QString name() const { return m_name; }
    bool isSuspended() const { return m_isSuspended; }

    // The insight state.
    bool showAIExplanation() const { return m_showAIExplanation; }
    std::optional<QString> aiExplanation() const { return m_aiExplanation; }
    bool isLoadingAI() const { return m_isLoadingAI; }
    bool advancedMode() const { return m_advancedMode; }
    // Shows or hides the priority badge.
    void setAdvancedMode(bool on);
    PopoverBubble* insightPopover() const { return m_popover; }

    // What a click on the insight button does.
    void toggleInsight();

signals:
    // The insight state changed (opened, closed, loading, answered).
    void insightChanged();

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    void applyInputs();
    void refreshInsight();
    QCoro::Task<> requestExplanation();

    QString m_icon;
    QIcon m_image;
    QString m_name;
    QString m_value;
    UiColor m_color;
    bool m_isSuspended;
    std::function<void()> m_onToggleSuspend;

    SettingsStore* m_settings;
    Explainer m_explainer;

    bool m_showAIExplanation = false;
    std::optional<QString> m_aiExplanation;
    bool m_isLoadingAI = false;
    bool m_advancedMode = false;
    quint64 m_processStart = 0;
    quint64 m_insightGeneration = 0; // an answer asked before a change of process is dropped

    ProcessIconView* m_iconView;
    ElidedLabel* m_nameLabel;
    SymbolButton* m_insightButton;
    SymbolButton* m_freezeButton;
    Badge* m_badge;
    PlainLabel* m_valueLabel;

    PopoverBubble* m_popover = nullptr;
    Spinner* m_spinner = nullptr;
    QWidget* m_spinnerBox = nullptr;
    PlainLabel* m_answerLabel = nullptr;
};
