#include "dashboard/pages/MemoryPage.h"

#include "core/Format.h"
#include "core/Scheduler.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/pages/PageRules.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/MemoryCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SensorRow.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;

namespace {

// The cleaner's button: white text on a gradient from the accent to blue;
// a spinner and "Optimizing..." while a run is on.
class PurgeButton final : public QAbstractButton {
public:
    PurgeButton()
    {
        setCursor(Qt::PointingHandCursor);
        auto* line = new QHBoxLayout(this);
        line->setContentsMargins(16, 10, 16, 10);
        line->setSpacing(6);
        m_symbol = new SymbolView(QStringLiteral("sparkles"), SystemColor::white, 13);
        m_spinner = new Spinner(13);
        m_spinner->setColor(SystemColor::white);
        m_text = new PlainLabel(QString(), Fonts::system(13, QFont::Bold), SystemColor::white);
        // Inside a button a label would take the button-text role, dark on
        // the light scheme; its own text colour is meant.
        m_text->setForegroundRole(QPalette::WindowText);
        for (QWidget* part : {static_cast<QWidget*>(m_symbol), static_cast<QWidget*>(m_spinner),
                              static_cast<QWidget*>(m_text)}) {
            part->setAttribute(Qt::WA_TransparentForMouseEvents);
            line->addWidget(part, 0, Qt::AlignVCenter);
        }
        setBusy(false);
    }

    void setAccent(const UiColor& accent)
    {
        m_accent = accent;
        update();
    }

    void setBusy(bool busy)
    {
        m_symbol->setVisible(!busy);
        m_spinner->setVisible(busy);
        m_text->setText(busy ? QStringLiteral("Optimizing...") : QStringLiteral("Purge RAM"));
        setEnabled(!busy);
    }

    QSize sizeHint() const override { return layout()->sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled())
            p.setOpacity(0.6);
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0, m_accent.resolve(this));
        gradient.setColorAt(1, UiColor(SystemColor::blue).resolve(this));
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        p.fillPath(path, gradient);
    }

private:
    UiColor m_accent = SystemColor::blue;
    SymbolView* m_symbol;
    Spinner* m_spinner;
    PlainLabel* m_text;
};

// The pressure bar: a faint track and a fill as wide as the pressure.
class PressureBar final : public QWidget {
public:
    PressureBar() { setFixedHeight(8); }

    void setPressure(double pressure)
    {
        if (pressure == m_pressure || (std::isnan(pressure) && std::isnan(m_pressure)))
            return;
        m_pressure = pressure;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath track;
        track.addRoundedRect(QRectF(rect()), 4, 4);
        p.fillPath(track, UiColor(SystemColor::contrast).opacity(0.1).resolve(this));
        const double fill = MemoryPage::pressureFillWidth(width(), m_pressure);
        if (fill <= 0)
            return;
        QPainterPath bar;
        bar.addRoundedRect(QRectF(0, 0, fill, height()), 4, 4);
        p.fillPath(bar, MemoryPage::pressureColor(m_pressure).resolve(this));
    }

private:
    double m_pressure = 0;
};

} // namespace

MemoryPage::MemoryPage(Deps deps, QWidget* parent)
    : QWidget(parent), m_deps(deps), m_monitor(deps.processMonitor),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_deps.stats && m_deps.processMonitor && m_deps.settings && m_deps.themeManager && m_deps.state);
    if (!m_deps.scheduler)
        m_deps.scheduler = &Scheduler::system();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);
    QFont titleFont = Fonts::style(TextStyle::title);
    titleFont.setWeight(QFont::Bold);
    column->addWidget(new PlainLabel(QStringLiteral("Memory Management & Optimization"), titleFont,
                                     SystemColor::primary));

    auto* cards = new QHBoxLayout;
    cards->setSpacing(20);
    const UiColor accent = m_deps.themeManager->currentTheme().accentColor();
    for (const auto& [title, color] : {std::pair{"App Memory", UiColor(SystemColor::blue)},
                                       std::pair{"Wired", UiColor(SystemColor::orange)},
                                       std::pair{"Compressed", accent}}) {
        auto* tile = new MemoryCard(QString::fromLatin1(title), QString(), color);
        m_cards << tile;
        cards->addWidget(tile);
    }
    column->addLayout(cards);
    column->addWidget(buildCleaner());
    column->addWidget(buildPressure());
    column->addWidget(buildSwap());
    column->addWidget(buildProcesses());
    m_tips = new ActionTipsView(
        QStringLiteral("Active Memory Optimization Tips"),
        {QStringLiteral("\u2728 Purge RAM: Click the 'Purge RAM' button above to safely flush macOS inactive file "
                        "system caches and reclaim free memory space instantly."),
         QStringLiteral("\u2744\ufe0f Freeze Heavy Apps: Locate memory-hogging background applications and click their "
                        "Snowflake icon to freeze them, removing their active CPU load.")});
    column->addWidget(m_tips);
    column->addStretch(1);

    for (auto signal : {&SystemStatsProvider::memoryAppChanged, &SystemStatsProvider::memoryWiredChanged,
                        &SystemStatsProvider::memoryCompressedChanged, &SystemStatsProvider::memoryUsedChanged,
                        &SystemStatsProvider::memoryTotalChanged, &SystemStatsProvider::memorySwapChanged,
                        &SystemStatsProvider::memoryPressureChanged})
        m_coalescer->watch(m_deps.stats, signal);
    m_coalescer->watch(m_deps.processMonitor, &ProcessMonitor::topProcessesChanged);
    m_coalescer->watch(m_deps.themeManager, &ThemeManager::currentThemeChanged);
    for (auto signal : {&DashboardPageState::isOptimizingMemoryChanged, &DashboardPageState::showMemorySuccessChanged,
                        &DashboardPageState::purgedAmountChanged})
        m_coalescer->watch(m_deps.state, signal);
    connect(m_deps.settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kAdvancedMode))
            m_coalescer->schedule();
    });
    connect(m_purge, &QAbstractButton::clicked, this, &MemoryPage::purge);
    refresh();
}

CardFrame* MemoryPage::card(int spacing)
{
    auto* frame = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 12);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(spacing);
    return frame;
}

QWidget* MemoryPage::buildCleaner()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    texts->addWidget(new PlainLabel(QStringLiteral("Deep Memory Cleaner"), Fonts::style(TextStyle::headline),
                                    SystemColor::primary));
    auto* note = new PlainLabel(
        QStringLiteral("Releases inactive memory, cleans swap allocations, and optimizes RAM pressure."),
        Fonts::style(TextStyle::caption), SystemColor::secondary);
    note->setWordWrap(true);
    texts->addWidget(note);
    line->addLayout(texts, 1);
    m_purge = new PurgeButton;
    line->addWidget(m_purge, 0, Qt::AlignVCenter);
    column->addLayout(line);

    auto* banner = new CardFrame(UiColor(SystemColor::green).opacity(0.1), 8);
    auto* bannerLine = new QHBoxLayout(banner);
    bannerLine->setContentsMargins(12, 10, 12, 10);
    bannerLine->setSpacing(8);
    bannerLine->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), SystemColor::green, 13), 0,
                          Qt::AlignVCenter);
    m_bannerText = new PlainLabel(QString(), Fonts::system(13, QFont::Medium), SystemColor::green);
    m_bannerText->setWordWrap(true);
    bannerLine->addWidget(m_bannerText, 1);
    m_banner = banner;
    column->addWidget(m_banner);
    return frame;
}

QWidget* MemoryPage::buildPressure()
{
    CardFrame* frame = card(10);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    column->addWidget(
        new PlainLabel(QStringLiteral("Memory Pressure"), Fonts::style(TextStyle::headline), SystemColor::primary));
    m_bar = new PressureBar;
    column->addWidget(m_bar);
    auto* caption = new QHBoxLayout;
    m_pressure = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::secondary);
    m_used = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::secondary);
    caption->addWidget(m_pressure);
    caption->addStretch(1);
    caption->addWidget(m_used);
    column->addLayout(caption);
    return frame;
}

QWidget* MemoryPage::buildSwap()
{
    CardFrame* frame = card(12);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    m_swap = new SensorRow(QStringLiteral("SWAP"), QStringLiteral("Swap Used"), QString());
    column->addWidget(m_swap);
    m_advanced = new QWidget;
    auto* advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->setSpacing(12);
    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.1), 0);
    rule->setFixedHeight(1);
    advanced->addWidget(rule);
    // Fixed texts, not measurements.
    advanced->addWidget(new SensorRow(QStringLiteral("KERNEL"), QStringLiteral("Kernel Tasks"), QStringLiteral("844 MB")));
    advanced->addWidget(
        new SensorRow(QStringLiteral("PAGE OUTS"), QStringLiteral("Page-ins/outs"), QStringLiteral("1.2 GB")));
    column->addWidget(m_advanced);
    return frame;
}

QWidget* MemoryPage::buildProcesses()
{
    CardFrame* frame = card(12);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    column->addWidget(new PlainLabel(QStringLiteral("Memory Intensive Processes"), Fonts::style(TextStyle::headline),
                                     SystemColor::primary));
    m_processes = new KeyedRowList;
    m_processes->setSpacing(8);
    new HoverPause(m_processes, m_deps.processMonitor);
    column->addWidget(m_processes);
    return frame;
}

QCoro::Task<> MemoryPage::purgeRam(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                   Scheduler* scheduler)
{
    if (!state || !stats)
        co_return;
    state->setIsOptimizingMemory(true);
    state->setShowMemorySuccess(false);
    const double before = stats->memoryUsed();
    QCoro::Task<> optimizing = stats->optimizeMemory();
    co_await std::move(optimizing);
    if (!state || !stats)
        co_return;
    state->setPurgedAmount(before - stats->memoryUsed());
    state->setIsOptimizingMemory(false);
    state->setShowMemorySuccess(true);
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(bannerMs));
    co_await std::move(waiting);
    if (state)
        state->setShowMemorySuccess(false);
}

void MemoryPage::purge()
{
    if (m_deps.state->isOptimizingMemory())
        return;
    purgeRam(m_deps.state, m_deps.stats, m_deps.scheduler);
}

QString MemoryPage::bannerText(double purgedAmount)
{
    return kestrova::format("Successfully optimized memory! Freed %.2f GB of inactive RAM.", purgedAmount);
}

QString MemoryPage::pressureText(double memoryPressure) { return PageRules::whole(memoryPressure) + QLatin1Char('%'); }

QString MemoryPage::usedOfTotalText(double memoryUsed, double memoryTotal)
{
    return kestrova::format("%.1f", memoryUsed) + QStringLiteral(" GB / ") + PageRules::whole(memoryTotal)
           + QStringLiteral(" GB");
}

UiColor MemoryPage::pressureColor(double memoryPressure)
{
    return memoryPressure > 70 ? SystemColor::red : SystemColor::green;
}

double MemoryPage::pressureFillWidth(double trackWidth, double memoryPressure)
{
    if (!std::isfinite(memoryPressure) || !(trackWidth > 0))
        return 0;
    return std::clamp(trackWidth * memoryPressure / 100.0, 0.0, trackWidth);
}

QList<ProcessInfoData> MemoryPage::shownProcesses(const QList<ProcessInfoData>& topProcesses)
{
    QList<ProcessInfoData> sorted = topProcesses;
    // A frozen process stays in view so that it can be resumed here.
    std::stable_sort(sorted.begin(), sorted.end(), [](const ProcessInfoData& a, const ProcessInfoData& b) {
        if (a.isSuspended != b.isSuspended)
            return a.isSuspended;
        return a.id > b.id;
    });
    return sorted.mid(0, shownProcessCount);
}

void MemoryPage::refreshNow() { m_coalescer->flush(); }

void MemoryPage::refresh()
{
    const SystemStatsProvider& s = *m_deps.stats;
    m_cards[0]->setValue(kestrova::format("%.2f GB", s.memoryApp()));
    m_cards[1]->setValue(kestrova::format("%.2f GB", s.memoryWired()));
    m_cards[2]->setValue(kestrova::format("%.2f GB", s.memoryCompressed()));
    const UiColor accent = m_deps.themeManager->currentTheme().accentColor();
    m_cards[2]->setColor(accent);

    auto* purge = static_cast<PurgeButton*>(m_purge);
    purge->setAccent(accent);
    purge->setBusy(m_deps.state->isOptimizingMemory());
    m_banner->setVisible(m_deps.state->showMemorySuccess());
    m_bannerText->setText(bannerText(m_deps.state->purgedAmount()));

    static_cast<PressureBar*>(m_bar)->setPressure(s.memoryPressure());
    m_pressure->setFigureText(pressureText(s.memoryPressure()));
    m_used->setFigureText(usedOfTotalText(s.memoryUsed(), s.memoryTotal()));
    m_swap->setValue(kestrova::format("%.2f GB", s.memorySwap()));
    m_advanced->setVisible(m_deps.settings->advancedMode());

    ProcessRow::showProcesses(m_processes, shownProcesses(m_deps.processMonitor->topProcesses()),
                              {QStringLiteral("memorychip"), SystemColor::blue, QStringLiteral(" CPU")}, m_monitor,
                              ProcessRow::Services{m_deps.settings, {}});
}
