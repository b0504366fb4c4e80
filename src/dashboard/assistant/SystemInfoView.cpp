#include "dashboard/assistant/SystemInfoView.h"

#include "core/Format.h"
#include "core/Scheduler.h"
#include "dashboard/assistant/InfoBlock.h"
#include "dashboard/assistant/InfoRow.h"
#include "dashboard/assistant/SystemInfoIconTile.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/RefreshCoalescer.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QUuid>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

constexpr auto kCopiedFor = 2000ms;

QString cores(int count) { return QString::number(count) + QStringLiteral(" Cores"); }

ElidedLabel* label(const QFont& font, const UiColor& color)
{
    auto* text = new ElidedLabel;
    text->setFont(font);
    text->setTextColor(color);
    return text;
}

} // namespace

SystemInfoView::SystemInfoView(Services services, QWidget* parent)
    : QWidget(parent), m_services(services), m_coalescer(new RefreshCoalescer([this] {
          if (isVisible())
              refresh();
          else
              m_stale = true;
      }, this))
{
    Q_ASSERT(m_services.stats && m_services.themeManager && m_services.scheduler);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 4, 10, 20);
    page->setSpacing(20);
    page->addWidget(buildHeader());
    auto* grid = new QWidget;
    buildBlocks(grid);
    page->addWidget(grid);
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::aiVramTotalChanged, &SystemStatsProvider::socTemperatureChanged,
                        &SystemStatsProvider::fanRPMsChanged, &SystemStatsProvider::throttlingStatusChanged,
                        &SystemStatsProvider::powerDrawChanged, &SystemStatsProvider::batteryPercentageChanged,
                        &SystemStatsProvider::batteryIsChargingChanged})
        m_coalescer->watch(m_services.stats, signal);
    connect(m_services.themeManager, &ThemeManager::currentThemeChanged, this, &SystemInfoView::applyTheme);
    refresh();
}

QWidget* SystemInfoView::buildHeader()
{
    const AppTheme theme = m_services.themeManager->currentTheme();
    auto* card = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 16);
    card->setStroke(UiColor(SystemColor::contrast).opacity(0.05));
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(20);

    m_tile = new SystemInfoIconTile(QString(), theme.accentColor(), theme.secondaryAccent());
    row->addWidget(m_tile);

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    // Machine texts can be long: they give way before the copy button does.
    m_modelName = label(Fonts::system(24, QFont::Bold, FontDesign::rounded), SystemColor::primary);
    nameRow->addWidget(m_modelName, 0);
    m_identifier = new Badge(QString(), SystemColor::secondary, UiColor(SystemColor::contrast).opacity(0.1));
    m_identifier->setFont(Fonts::monospaced(10, QFont::DemiBold));
    m_identifier->setPadding(6, 2);
    m_identifier->setCornerRadius(4);
    nameRow->addWidget(m_identifier, 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    column->addLayout(nameRow);
    m_processor = label(Fonts::system(14, QFont::Medium), theme.accentColor());
    m_osVersion = label(Fonts::system(11), SystemColor::secondary);
    column->addWidget(m_processor);
    column->addWidget(m_osVersion);
    row->addLayout(column, 1);

    m_copy = new AccentPillButton(QString(), QString(), SystemColor::primary);
    m_copy->setFont(Fonts::system(12, QFont::DemiBold));
    m_copy->setPadding(14, 8);
    m_copy->setCornerRadius(8);
    row->addWidget(m_copy, 0, Qt::AlignVCenter);
    // The report of the description on screen, not a newer one.
    connect(m_copy, &QAbstractButton::clicked, this, [this] { copySpecsReport(m_info); });
    setCopiedReport(false);
    return card;
}

void SystemInfoView::buildBlocks(QWidget* grid)
{
    struct BlockText {
        const char* title;
        const char* icon;
        QStringList rows;
    };
    const BlockText texts[] = {
        {"Processor & Architecture", "cpu", {"Chipset", "Total CPU Cores", "Performance Cores", "Efficiency Cores"}},
        {"Graphics & Neural Compute", "brain.head.profile", {"GPU Core Count", "Metal Graphics Core",
                                                             "Neural Coprocessor"}},
        {"System Identifiers", "lock.shield", {"System Serial ID", "Host UUID", "Platform Type"}},
        {"Memory & Bus Width", "memorychip", {"Physical Memory", "Memory Bandwidth", "VRAM Allocation Limit"}},
        {"Thermal & Cooling Design", "fanblades.fill", {"SoC Core Temp", "Active Fan Configuration",
                                                        "Thermal Throttling"}},
        {"Power Profile", "bolt.fill", {"Power Draw", "Battery Charge", "Charging Status"}},
    };
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    for (int i = 0; i < 6; ++i) {
        auto* block = new InfoBlock(QString::fromUtf8(texts[i].title), QString::fromLatin1(texts[i].icon),
                                    m_services.themeManager);
        for (const QString& label : texts[i].rows)
            block->addRow(label);
        m_blocks.append(block);
        layout->addWidget(block, i / 3, i % 3);
    }
    for (int column = 0; column < 3; ++column)
        layout->setColumnStretch(column, 1);
}

QString SystemInfoView::diagnosticReport(const MachineHardwareInfo& info)
{
    const QStringList lines = {
        QStringLiteral("=== KESTROVA MACHINE DIAGNOSTIC REPORT ==="),
        QStringLiteral("Model Name: ") + info.modelName,
        QStringLiteral("Model Identifier: ") + info.modelIdentifier,
        QStringLiteral("Processor: ") + info.processor,
        QStringLiteral("OS Version: ") + info.osVersion,
        QStringLiteral("Total Cores: %1 Cores (Performance: %2 / Efficiency: %3)")
            .arg(info.cpuCores)
            .arg(info.performanceCores)
            .arg(info.efficiencyCores),
        QStringLiteral("GPU Cores: ") + cores(info.gpuCores),
        QStringLiteral("Neural Engine: ") + info.neuralEngine,
        QStringLiteral("Physical Memory: ") + kestrova::shortestDouble(info.physicalMemoryGB) + QStringLiteral(" GB"),
        QStringLiteral("Memory Bandwidth: ") + info.memoryBandwidth,
        QStringLiteral("Serial ID: ") + info.serialNumber,
        QString(44, QLatin1Char('=')),
    };
    return lines.join(QLatin1Char('\n'));
}

QString SystemInfoView::symbolFor(const QString& modelIdentifier)
{
    return modelIdentifier.contains(QLatin1String("MacBook"), Qt::CaseSensitive) ? QStringLiteral("macbook")
                                                                                 : QStringLiteral("macstudio");
}

QString SystemInfoView::fanText(const QList<double>& fanRPMs)
{
    if (!fanRPMs.isEmpty() && fanRPMs.first() > 0)
        return kestrova::format("%.0f RPM", fanRPMs.first());
    return QStringLiteral("0 RPM (Silent Mode)");
}

QString SystemInfoView::throttlingText(double throttlingStatus)
{
    if (throttlingStatus > 0)
        return kestrova::format("Throttled at %.1f%%", throttlingStatus);
    return QStringLiteral("None (Nominal)");
}

QString SystemInfoView::hostIdentifier()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().left(12) + QStringLiteral("...");
}

QString SystemInfoView::symbolName() const { return m_tile->symbol(); }

QString SystemInfoView::rowValue(const QString& label) const
{
    for (const InfoBlock* block : m_blocks)
        for (const InfoRow* row : block->rows())
            if (row->label() == label)
                return row->value();
    return {};
}

void SystemInfoView::refreshNow() { refresh(); }

void SystemInfoView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void SystemInfoView::refresh()
{
    m_stale = false;
    SystemStatsProvider* stats = m_services.stats;
    m_info = stats->getHardwareInfo();
    const MachineHardwareInfo& info = m_info;

    m_tile->setSymbol(symbolFor(info.modelIdentifier));
    m_modelName->setText(info.modelName);
    m_identifier->setText(info.modelIdentifier);
    // Not every machine reports an identifier; an empty plate says nothing.
    m_identifier->setVisible(!info.modelIdentifier.isEmpty());
    m_processor->setText(info.processor);
    m_osVersion->setText(info.osVersion);

    const QList<QString> values[6] = {
        {info.processor, cores(info.cpuCores), cores(info.performanceCores), cores(info.efficiencyCores)},
        {cores(info.gpuCores), QStringLiteral("Fully Supported"), info.neuralEngine},
        {info.serialNumber, hostIdentifier(), QStringLiteral("Darwin arm64")},
        {kestrova::format("%.0f GB Unified Memory", info.physicalMemoryGB), info.memoryBandwidth,
         kestrova::format("%.1f GB Max VRAM", stats->aiVramTotal())},
        {kestrova::format("%.1f\u00B0C", stats->socTemperature()), fanText(stats->fanRPMs()),
         throttlingText(stats->throttlingStatus())},
        {kestrova::format("%.2f Watts", stats->powerDraw()), QString::number(stats->batteryPercentage()) + '%',
         stats->batteryIsCharging() ? QStringLiteral("Charging") : QStringLiteral("Discharging")},
    };
    for (int block = 0; block < 6; ++block)
        for (int row = 0; row < values[block].size(); ++row)
            m_blocks[block]->rows()[row]->setValue(values[block][row]);
}

void SystemInfoView::applyTheme()
{
    const AppTheme theme = m_services.themeManager->currentTheme();
    m_tile->setColors(theme.accentColor(), theme.secondaryAccent());
    m_processor->setTextColor(theme.accentColor());
}

void SystemInfoView::copySpecsReport(const MachineHardwareInfo& info)
{
    QClipboard* clipboard = m_services.clipboard ? m_services.clipboard : QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(diagnosticReport(info));
    setCopiedReport(true);
    // Each copy schedules its own reset: the first one due clears the
    // state, even when another copy came after it.
    resetCopiedLater();
}

QCoro::Task<> SystemInfoView::resetCopiedLater()
{
    QPointer<SystemInfoView> self(this);
    Scheduler* scheduler = m_services.scheduler;
    QCoro::Task<> wait = scheduler->sleepFor(kCopiedFor);
    co_await std::move(wait);
    if (self)
        self->setCopiedReport(false);
}

void SystemInfoView::setCopiedReport(bool copied)
{
    m_copiedReport = copied;
    m_copy->setSymbol(copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"));
    m_copy->setText(copied ? QStringLiteral("Copied Spec Report!") : QStringLiteral("Copy Spec Report"));
    m_copy->setColor(copied ? UiColor(SystemColor::green) : UiColor(SystemColor::primary));
    m_copy->updateGeometry();
}
