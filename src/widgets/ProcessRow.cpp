#include "widgets/ProcessRow.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "core/SettingsStore.h"
#include "telemetry/ProcessMonitor.h"
#include "widgets/Badge.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/PopoverBubble.h"
#include "widgets/ProcessIconView.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

namespace {

ProcessRow::Explainer& defaultExplainerSlot()
{
    static ProcessRow::Explainer explainer;
    return explainer;
}

} // namespace

void ProcessRow::setDefaultExplainer(Explainer explainer) { defaultExplainerSlot() = std::move(explainer); }

ProcessRow::Explainer ProcessRow::defaultExplainer() { return defaultExplainerSlot(); }

ProcessRow::ProcessRow(const QString& icon, const QIcon& image, const QString& name, const QString& value,
                       const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend,
                       QWidget* parent)
    : ProcessRow(icon, image, name, value, color, isSuspended, std::move(onToggleSuspend), parent, Services())
{
}

ProcessRow::ProcessRow(const QString& icon, const QIcon& image, const QString& name, const QString& value,
                       const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend,
                       QWidget* parent, Services services)
    : QWidget(parent), m_icon(icon), m_image(image), m_name(oneLineText(name)), m_value(value), m_color(color),
      m_isSuspended(isSuspended), m_onToggleSuspend(std::move(onToggleSuspend)),
      m_settings(services.settings),
      m_explainer(std::move(services.explainer)), m_iconView(new ProcessIconView(this)), m_nameLabel(new ElidedLabel),
      m_insightButton(new SymbolButton(QStringLiteral("sparkles"), SystemColor::purple, 10)),
      m_freezeButton(new SymbolButton(QString(), SystemColor::cyan, 10)),
      m_badge(new Badge(QStringLiteral("P0"), SystemColor::primary, UiColor(SystemColor::white).opacity(0.1))),
      m_valueLabel(new PlainLabel)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_iconView->setObjectName(QStringLiteral("icon"));
    m_nameLabel->setObjectName(QStringLiteral("name"));
    m_nameLabel->setFont(Fonts::system(12, QFont::Medium));
    m_insightButton->setObjectName(QStringLiteral("insightButton"));
    m_insightButton->setToolTip(QStringLiteral("Ask AI what this process does"));
    m_freezeButton->setObjectName(QStringLiteral("freezeButton"));
    m_badge->setObjectName(QStringLiteral("priorityBadge"));
    m_badge->setFont(Fonts::system(8, QFont::Bold));
    m_badge->setPadding(2, 2);
    m_badge->setCornerRadius(4);
    m_badge->setToolTip(QStringLiteral("Process Niceness / Priority"));
    m_valueLabel->setObjectName(QStringLiteral("value"));
    m_valueLabel->setFont(Fonts::monospaced(12, QFont::DemiBold));
    m_valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(8);
    row->addWidget(m_iconView, 0, Qt::AlignVCenter);
    row->addWidget(m_nameLabel, 0, Qt::AlignVCenter);
    row->addWidget(m_insightButton, 0, Qt::AlignVCenter);
    row->addWidget(m_freezeButton, 0, Qt::AlignVCenter);
    row->addWidget(m_badge, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_valueLabel, 0, Qt::AlignVCenter);

    connect(m_insightButton, &QAbstractButton::clicked, this, &ProcessRow::toggleInsight);
    connect(m_freezeButton, &QAbstractButton::clicked, this, [this] {
        // Copy first: the action may refresh the list, which hands this row
        // a new action while the old one is still running.
        const auto action = m_onToggleSuspend;
        if (action)
            action();
    });
    if (m_settings) {
        connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
            if (key == QLatin1String(SettingsStore::kAdvancedMode))
                setAdvancedMode(m_settings->advancedMode());
        });
        m_advancedMode = m_settings->advancedMode();
    }
    m_badge->setVisible(m_advancedMode);
    // A list that pauses keeps its order while this row's bubble is open.
    connect(this, &ProcessRow::insightChanged, this,
            [this] { HoverPause::holdWhileOpen(this, m_showAIExplanation); });
    applyInputs();
}

ProcessRow::~ProcessRow()
{
    // The bubble closes as it goes down with us; nothing is left to tell.
    if (m_popover)
        disconnect(m_popover, nullptr, this, nullptr);
}

void ProcessRow::setInputs(const QString& icon, const QIcon& image, const QString& name, const QString& value,
                           const UiColor& color, bool isSuspended, std::function<void()> onToggleSuspend)
{
    m_icon = icon;
    m_image = image;
    m_name = oneLineText(name);
    m_value = value;
    m_color = color;
    m_isSuspended = isSuspended;
    m_onToggleSuspend = std::move(onToggleSuspend);
    applyInputs();
}

void ProcessRow::applyInputs()
{
    m_iconView->set(m_icon, m_image, m_color);
    m_nameLabel->setText(m_name);
    m_nameLabel->setTextColor(m_isSuspended ? SystemColor::blue : SystemColor::primary);

    m_freezeButton->setVisible(bool(m_onToggleSuspend));
    m_freezeButton->setSymbol(m_isSuspended ? QStringLiteral("play.fill") : QStringLiteral("snowflake"));
    m_freezeButton->setTint(m_isSuspended ? SystemColor::green : SystemColor::cyan);
    m_freezeButton->setToolTip(m_isSuspended ? QStringLiteral("Resume Process")
                                             : QStringLiteral("Freeze Process to save battery"));

    m_valueLabel->setText(m_isSuspended ? QStringLiteral("FROZEN") : m_value);
    m_valueLabel->setTextColor(m_isSuspended ? SystemColor::cyan : SystemColor::primary);
}

void ProcessRow::setProcessStart(quint64 startTime)
{
    if (startTime == m_processStart)
        return;
    const bool another = m_processStart != 0;
    m_processStart = startTime;
    if (!another)
        return;
    ++m_insightGeneration;
    m_aiExplanation.reset();
    m_isLoadingAI = false;
    m_showAIExplanation = false;
    refreshInsight();
}

void ProcessRow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The bubble points at this row wherever the list puts it.
    if (m_popover && m_popover->isVisible())
        m_popover->reposition();
}

void ProcessRow::setAdvancedMode(bool on)
{
    m_advancedMode = on;
    m_badge->setVisible(on);
}

void ProcessRow::toggleInsight()
{
    m_showAIExplanation = !m_showAIExplanation;
    if (m_showAIExplanation && !m_aiExplanation) {
        const Explainer explain = m_explainer ? m_explainer : defaultExplainer();
        // Without a co-pilot there is nothing to wait for: the popover shows
        // only its header rather than a spinner that never ends.
        if (explain) {
            m_isLoadingAI = true;
            requestExplanation();
        }
    }
    refreshInsight();
}

QCoro::Task<> ProcessRow::requestExplanation()
{
    // The row may be gone when the answer comes: only the guard and copies
    // held by this frame are touched after the wait.
    QPointer<ProcessRow> self(this);
    const Explainer explain = m_explainer ? m_explainer : defaultExplainer();
    const QString name = m_name;
    const quint64 generation = m_insightGeneration;
    std::optional<QString> answer;
    try {
        // Held in a local, not awaited as a temporary (GCC 12 mishandles
        // temporaries that live across a co_await).
        QCoro::Task<QString> pending = explain(name);
        answer = co_await std::move(pending);
    } catch (const std::exception&) {
        // A failed request leaves no answer; the next opening asks again.
    }
    if (!self || self->m_insightGeneration != generation)
        co_return;
    if (answer)
        m_aiExplanation = *answer;
    m_isLoadingAI = false;
    refreshInsight();
}

void ProcessRow::refreshInsight()
{
    if (!m_showAIExplanation) {
        if (m_popover && m_popover->isVisible())
            m_popover->hide();
        emit insightChanged();
        return;
    }
    if (!m_popover) {
        m_popover = new PopoverBubble(this);
        m_popover->setObjectName(QStringLiteral("insightPopover"));
        auto* header = new QHBoxLayout;
        header->setSpacing(6);
        header->addWidget(new SymbolView(QStringLiteral("sparkles"), SystemColor::purple, 13));
        auto* title = new PlainLabel(QStringLiteral("AI Insight"));
        title->setFont(Fonts::style(TextStyle::headline));
        header->addWidget(title);
        header->addStretch(1);
        m_popover->contentLayout()->addLayout(header);

        m_spinnerBox = new QWidget;
        m_spinnerBox->setFixedSize(200, 50);
        auto* spinnerLayout = new QVBoxLayout(m_spinnerBox);
        spinnerLayout->setContentsMargins(0, 0, 0, 0);
        m_spinner = new Spinner(16);
        spinnerLayout->addWidget(m_spinner, 0, Qt::AlignCenter);
        m_popover->contentLayout()->addWidget(m_spinnerBox);

        m_answerLabel = new PlainLabel;
        m_answerLabel->setObjectName(QStringLiteral("insightText"));
        m_answerLabel->setFont(Fonts::system(12));
        m_answerLabel->setWordWrap(true);
        m_answerLabel->setFixedWidth(200);
        m_popover->contentLayout()->addWidget(m_answerLabel);

        connect(m_popover, &PopoverBubble::closed, this, [this] {
            if (!m_showAIExplanation)
                return;
            m_showAIExplanation = false;
            emit insightChanged();
        });
    }
    m_spinnerBox->setVisible(m_isLoadingAI);
    const bool showAnswer = !m_isLoadingAI && m_aiExplanation.has_value();
    m_answerLabel->setText(showAnswer ? *m_aiExplanation : QString());
    m_answerLabel->setVisible(showAnswer);
    if (m_popover->isVisible())
        m_popover->reposition();
    else
        m_popover->showFor(m_insightButton);
    emit insightChanged();
}

std::function<void()> ProcessRow::freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid)
{
    if (!monitor || !monitor->mayFreeze(pid))
        return {};
    return [monitor, pid] {
        if (monitor)
            monitor->toggleSuspend(pid);
    };
}

void ProcessRow::showProcesses(KeyedRowList* list, const QList<ProcessInfoData>& processes, const ListLook& look,
                               ProcessMonitor* monitor, Services services)
{
    const QPointer<ProcessMonitor> guarded(monitor);
    const auto name = [&](const ProcessInfoData& p) { return look.fullPath ? p.fullPath : p.name; };
    const auto value = [&](const ProcessInfoData& p) {
        return kestrova::format("%.1f%%", p.cpuUsage) + look.valueSuffix;
    };
    list->setItems<ProcessRow>(
        processes, [](const ProcessInfoData& p) { return QString::number(p.id); },
        [&](const ProcessInfoData& p) {
            auto* row = new ProcessRow(look.icon, p.icon, name(p), value(p), look.color, p.isSuspended,
                                       freezeAction(guarded, p.id), nullptr, services);
            row->setProcessStart(p.startTime);
            if (!look.help.isEmpty())
                row->setToolTip(look.help);
            return row;
        },
        [&](ProcessRow* row, const ProcessInfoData& p) {
            row->setProcessStart(p.startTime);
            row->setInputs(look.icon, p.icon, name(p), value(p), look.color, p.isSuspended,
                           freezeAction(guarded, p.id));
        });
}

void ProcessRow::showCpuList(KeyedRowList* list, const QList<ProcessInfoData>& processes, const UiColor& color,
                             ProcessMonitor* monitor, Services services)
{
    showProcesses(list, processes, {QStringLiteral("cpu.fill"), color, QStringLiteral(" CPU")}, monitor,
                  std::move(services));
}
