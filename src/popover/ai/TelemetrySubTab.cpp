#include "popover/ai/TelemetrySubTab.h"

#include "core/Format.h"
#include "core/SettingsStore.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "telemetry/AIProcessFilter.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/NeuralEngineCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/SuspendedProcessBanner.h"
#include "widgets/SymbolView.h"
#include "widgets/TextStyle.h"
#include "widgets/ToggleSwitch.h"
#include "widgets/UnifiedMemoryBlock.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kSideMargin = 10;

PlainLabel* sectionTitle(const QString& text)
{
    return new PlainLabel(text, Fonts::system(9, QFont::Bold), SystemColor::secondary);
}

// A section inset 10 from the left and right.
QWidget* padded(QWidget* content)
{
    auto* section = new QWidget;
    auto* box = new QVBoxLayout(section);
    box->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    box->setSpacing(0);
    box->addWidget(content);
    return section;
}

} // namespace

TelemetrySubTab::TelemetrySubTab(SystemStatsProvider* stats, ProcessMonitor* processMonitor, LocalAIService* localAI,
                                 ThemeManager* themeManager, SettingsStore* settings, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor), m_localAI(localAI),
      m_themeManager(themeManager), m_settings(settings),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); }))
{
    Q_ASSERT(m_stats && m_processMonitor && m_localAI && m_themeManager && m_settings);
    const UiColor accent = m_themeManager->currentTheme().accentColor();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(padded(buildSandboxRow()));
    m_ane = new NeuralEngineCard(accent);
    column->addWidget(padded(m_ane));
    m_memory = new UnifiedMemoryBlock(accent, 8, QFont::Medium);
    column->addWidget(padded(m_memory));
    column->addWidget(padded(buildModels()));
    column->addWidget(padded(buildProcesses()));

    for (auto signal : {&SystemStatsProvider::anePowerDrawChanged, &SystemStatsProvider::aneUsageChanged,
                        &SystemStatsProvider::memoryUsedChanged, &SystemStatsProvider::memoryTotalChanged,
                        &SystemStatsProvider::aiVramUsedChanged, &SystemStatsProvider::aiVramTotalChanged})
        m_coalescer->watch(stats, signal);
    for (auto signal : {&LocalAIService::demoModeChanged, &LocalAIService::statusChanged,
                        &LocalAIService::activeModelsChanged, &LocalAIService::unlistedModelCountChanged,
                        &LocalAIService::modelListRefusalChanged})
        m_coalescer->watch(localAI, signal);
    m_coalescer->watch(processMonitor, &ProcessMonitor::topProcessesChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

QWidget* TelemetrySubTab::buildSandboxRow()
{
    m_sandboxRow = new CardFrame(SystemColor::clear, 8);
    m_sandboxRow->setObjectName(QStringLiteral("sandboxRow"));
    auto* row = new QHBoxLayout(m_sandboxRow);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(6);
    m_sandboxSymbol = new SymbolView(QString(), SystemColor::blue, 10);
    row->addWidget(m_sandboxSymbol, 0, Qt::AlignVCenter);
    row->addWidget(new PlainLabel(QStringLiteral("Offline Developer Sandbox"), Fonts::system(10, QFont::Bold),
                                  SystemColor::primary),
                   0, Qt::AlignVCenter);
    row->addStretch(1);
    m_sandboxSwitch = new ToggleSwitch;
    m_sandboxSwitch->setObjectName(QStringLiteral("sandboxSwitch"));
    m_sandboxSwitch->setCheckable(true);
    m_sandboxSwitch->setChecked(m_localAI->demoMode());
    connect(m_sandboxSwitch, &QAbstractButton::toggled, this, [this](bool on) {
        if (m_localAI)
            m_localAI->setDemoMode(on);
    });
    row->addWidget(m_sandboxSwitch, 0, Qt::AlignVCenter);
    return m_sandboxRow;
}

QWidget* TelemetrySubTab::buildModels()
{
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->addWidget(sectionTitle(QStringLiteral("ACTIVE LOADED MODELS")));
    header->addStretch(1);
    m_loadedCounter = new PlainLabel(QString(), Fonts::system(9, QFont::Bold), SystemColor::blue);
    m_loadedCounter->setObjectName(QStringLiteral("loadedCounter"));
    header->addWidget(m_loadedCounter);
    column->addLayout(header);
    m_refusal = new PlainLabel(QString(), Fonts::system(9), SystemColor::orange);
    m_refusal->setObjectName(QStringLiteral("modelListRefusal"));
    m_refusal->hide();
    column->addWidget(m_refusal);

    m_emptyModels = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 8);
    m_emptyModels->setObjectName(QStringLiteral("emptyModels"));
    auto* empty = new QVBoxLayout(m_emptyModels);
    empty->setContentsMargins(0, 16, 0, 16);
    empty->setSpacing(6);
    empty->addWidget(new SymbolView(QStringLiteral("brain.head.profile"), UiColor(SystemColor::secondary).opacity(0.5),
                                    Fonts::size(TextStyle::title3)),
                     0, Qt::AlignHCenter);
    empty->addWidget(new PlainLabel(QStringLiteral("No loaded models in unified memory"), Fonts::system(11),
                                    SystemColor::secondary),
                     0, Qt::AlignHCenter);
    column->addWidget(m_emptyModels);

    m_models = new KeyedRowList;
    m_models->setObjectName(QStringLiteral("modelList"));
    m_models->setSpacing(6);
    column->addWidget(m_models);
    return section;
}

QWidget* TelemetrySubTab::buildProcesses()
{
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(sectionTitle(QStringLiteral("ACTIVE AI / ML PROCESSES")));

    m_banner = new SuspendedProcessBanner;
    m_bannerBox = new QWidget;
    auto* bannerMargin = new QVBoxLayout(m_bannerBox);
    bannerMargin->setContentsMargins(0, 0, 0, 4);
    bannerMargin->addWidget(m_banner);
    column->addWidget(m_bannerBox);

    m_processes = new KeyedRowList;
    m_processes->setObjectName(QStringLiteral("processList"));
    m_processes->setSpacing(6);
    // The rows hold still while the pointer is over them.
    new HoverPause(m_processes, m_processMonitor);
    column->addWidget(m_processes);

    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_sampleRow = new ProcessRow(QStringLiteral("shippingbox.fill"), QIcon(), QString::fromLatin1(kSampleName),
                                 QStringLiteral("22% GPU"), accent, false, {}, nullptr,
                                 ProcessRow::Services{m_settings, {}});
    m_sampleRow->setObjectName(QStringLiteral("sampleRow"));
    auto* fade = new QGraphicsOpacityEffect(m_sampleRow);
    fade->setOpacity(0.7);
    m_sampleRow->setGraphicsEffect(fade);
    column->addWidget(m_sampleRow);
    return section;
}

void TelemetrySubTab::refreshNow() { m_coalescer->flush(); }

void TelemetrySubTab::refresh()
{
    if (!m_stats || !m_processMonitor || !m_localAI)
        return;
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const bool demo = m_localAI->demoMode();
    m_sandboxRow->setFill(accent.opacity(0.08));
    m_sandboxSymbol->setTint(accent);
    m_sandboxSymbol->setSymbol(demo ? QStringLiteral("play.desktopcomputer")
                                    : QStringLiteral("network.badge.shield.half.filled"));
    m_sandboxSwitch->setTint(accent);
    m_sandboxSwitch->setChecked(demo);

    m_ane->setAccent(accent);
    m_ane->setFigures(m_stats->anePowerDraw(), m_stats->aneUsage());
    m_memory->setAccent(accent);
    m_memory->setFigures(m_stats->memoryUsed(), m_stats->memoryTotal(), m_stats->aiVramUsed(),
                         m_stats->aiVramTotal());
    refreshModels();
    refreshProcesses();
}

void TelemetrySubTab::refreshModels()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<LocalAIModel>& models = m_localAI->activeModels();
    const bool demo = m_localAI->demoMode();
    const qsizetype unlisted = m_localAI->unlistedModelCount();

    m_loadedCounter->setVisible(m_localAI->status() == OllamaStatus::active);
    m_loadedCounter->setText(kestrova::format("%lld Loaded", static_cast<long long>(models.size() + unlisted)));
    m_refusal->setText(m_localAI->modelListRefusal());
    m_refusal->setVisible(!m_localAI->modelListRefusal().isEmpty());
    m_loadedCounter->setTextColor(accent);
    m_emptyModels->setVisible(models.isEmpty());
    m_models->setVisible(!models.isEmpty());

    // An example row left over from demo mode can no longer be ejected.
    const auto ejectAction = [this, demo](const LocalAIModel& model) -> std::function<void()> {
        if (!demo && LocalAIExamples::isExample(model))
            return {};
        return [localAI = m_localAI, name = model.name] { eject(localAI, name); };
    };
    LoadedModelRow::showModels(m_models, models, accent, {QString::fromLatin1(kEjectHelp), true}, ejectAction,
                               unlisted);
}

void TelemetrySubTab::refreshProcesses()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<ProcessInfoData> processes = AIProcessFilter::apply(m_processMonitor->topProcesses());
    m_bannerBox->setVisible(AIProcessFilter::anySuspended(processes));
    m_processes->setVisible(!processes.isEmpty());
    m_sampleRow->setVisible(processes.isEmpty());
    m_sampleRow->setInputs(QStringLiteral("shippingbox.fill"), QIcon(), QString::fromLatin1(kSampleName),
                           QStringLiteral("22% GPU"), accent, false, {});

    ProcessRow::showCpuList(m_processes, processes, accent, m_processMonitor, ProcessRow::Services{m_settings, {}});
}

QCoro::Task<> TelemetrySubTab::eject(QPointer<LocalAIService> localAI, QString name)
{
    if (!localAI)
        co_return;
    QCoro::Task<> pending = localAI->ejectModel(name);
    co_await std::move(pending);
}
