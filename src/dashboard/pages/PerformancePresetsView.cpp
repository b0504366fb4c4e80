#include "dashboard/pages/PerformancePresetsView.h"

#include "dashboard/pages/PresetCard.h"
#include "dashboard/pages/PresetIconDisc.h"
#include "dashboard/pages/TelemetryRow.h"
#include "telemetry/PresetManager.h"
#include "theme/ThemeManager.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const UiColor kPrimary = SystemColor::primary;

// The two side panels share one frame.
CardFrame* panelFrame(QVBoxLayout*& content, int spacing)
{
    auto* frame = new CardFrame(kPrimary.opacity(0.03), 8);
    frame->setStroke(kPrimary.opacity(0.08), 1);
    content = new QVBoxLayout(frame);
    content->setContentsMargins(8, 8, 8, 8);
    content->setSpacing(spacing);
    return frame;
}

PlainLabel* panelTitle(const QString& text)
{
    return new PlainLabel(text, Fonts::monospaced(8, QFont::Bold), SystemColor::secondary);
}

} // namespace

const QStringList& PerformancePresetsView::seedLogs()
{
    static const QStringList lines = {QStringLiteral("macOS watchdog kernel daemon active."),
                                      QStringLiteral("Awaiting target performance selection..."),
                                      QStringLiteral("Current profile: Vanilla Mac")};
    return lines;
}

const QStringList& PerformancePresetsView::modifierLabels()
{
    static const QStringList labels = {QStringLiteral("Turbofan Maximum Override"),
                                       QStringLiteral("Caffeinate Display/Disk Sleep"),
                                       QStringLiteral("AI Helpers (Ollama, Conda)"),
                                       QStringLiteral("Compiler Priority Level")};
    return labels;
}

QStringList PerformancePresetsView::modifierValues(PerformancePreset active)
{
    const auto when = [active](PerformancePreset::Case preset, const char* on, const char* off) {
        return QString::fromLatin1(active == preset ? on : off);
    };
    return {when(PerformancePreset::inferenceMax, "ACTIVE (SMC KEY)", "AUTO"),
            when(PerformancePreset::localTraining, "ACTIVE (NO SHUTDOWN)", "AUTO"),
            when(PerformancePreset::ecoDev, "SUSPENDED (SIGSTOP)", "NORMAL"),
            when(PerformancePreset::localTraining, "HIGH (NICE -5)", "DEFAULT")};
}

UiColor PerformancePresetsView::presetColor(PerformancePreset preset)
{
    switch (PerformancePreset::Case(preset)) {
    case PerformancePreset::inferenceMax: return SystemColor::purple;
    case PerformancePreset::localTraining: return SystemColor::orange;
    case PerformancePreset::compileMax: return SystemColor::yellow;
    case PerformancePreset::creativeMax: return SystemColor::pink;
    case PerformancePreset::gameMode: return SystemColor::cyan;
    case PerformancePreset::ecoDev: return SystemColor::green;
    case PerformancePreset::vanillaMac: return SystemColor::blue;
    }
    return SystemColor::blue;
}

PerformancePresetsView::PerformancePresetsView(PresetManager* presetManager, ThemeManager* themeManager,
                                               QWidget* parent)
    : QWidget(parent), m_presetManager(presetManager), m_themeManager(themeManager),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_themeManager);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 4, 10, 20);
    page->setSpacing(18);
    page->addWidget(buildHeader());
    page->addWidget(buildBanner());
    page->addWidget(buildGrid());
    page->addWidget(buildPanels());
    page->addStretch(1);

    for (const QString& line : seedLogs())
        appendLog(line);

    // Without a preset manager (or once it is gone) the page shows no active
    // preset and its cards apply nothing.
    if (presetManager)
        for (auto signal : {&PresetManager::activePresetChanged, &PresetManager::isExecutingChanged,
                            &PresetManager::batteryStatusChanged, &PresetManager::currentStatusChanged})
            m_coalescer->watch(presetManager, signal);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &PerformancePresetsView::applyTheme);
    applyTheme();
    refresh();
}

QWidget* PerformancePresetsView::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_headerIcon = new SymbolView(QStringLiteral("bolt.shield.fill"), SystemColor::blue, 14);
    row->addWidget(m_headerIcon, 0, Qt::AlignVCenter);
    row->addWidget(new PlainLabel(QStringLiteral("PERFORMANCE PROFILE CONFIGURATOR"), Fonts::system(11, QFont::Bold),
                                  SystemColor::primary),
                   0, Qt::AlignVCenter);
    row->addStretch(1);
    // A small spinner at six tenths of its size, in a 14 x 14 frame.
    m_spinnerFrame = new QWidget;
    m_spinnerFrame->setFixedSize(14, 14);
    auto* frame = new QVBoxLayout(m_spinnerFrame);
    frame->setContentsMargins(0, 0, 0, 0);
    m_spinner = new Spinner(10);
    m_spinner->setObjectName(QStringLiteral("executingSpinner"));
    frame->addWidget(m_spinner, 0, Qt::AlignCenter);
    row->addWidget(m_spinnerFrame, 0, Qt::AlignVCenter);
    m_badge = new Badge(QString(), SystemColor::blue, SystemColor::clear);
    m_badge->setObjectName(QStringLiteral("activeProfileBadge"));
    m_badge->setFont(Fonts::system(8, QFont::Bold));
    m_badge->setPadding(6, 2);
    m_badge->setCornerRadius(4);
    row->addWidget(m_badge, 0, Qt::AlignVCenter);
    return header;
}

QWidget* PerformancePresetsView::buildBanner()
{
    m_banner = new CardFrame(kPrimary.opacity(0.04), 10);
    m_banner->setObjectName(QStringLiteral("activePresetBanner"));
    auto* row = new QHBoxLayout(m_banner);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(12);
    m_bannerIcon = new PresetIconDisc(36, 16);
    row->addWidget(m_bannerIcon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_bannerTitle = new PlainLabel(QString(), Fonts::system(12, QFont::Bold, FontDesign::rounded), kPrimary);
    m_bannerTitle->setObjectName(QStringLiteral("bannerTitle"));
    texts->addWidget(m_bannerTitle);
    m_bannerDescription = new ElidedLabel;
    m_bannerDescription->setObjectName(QStringLiteral("bannerDescription"));
    m_bannerDescription->setFont(Fonts::system(9));
    m_bannerDescription->setTextColor(SystemColor::secondary);
    texts->addWidget(m_bannerDescription);
    row->addLayout(texts, 1);

    m_battery = new Badge(QString(), kPrimary, kPrimary.opacity(0.08));
    m_battery->setObjectName(QStringLiteral("batteryCapsule"));
    m_battery->setFont(Fonts::monospaced(10, QFont::Bold));
    m_battery->setPadding(8, 4);
    m_battery->setCornerRadius(6);
    row->addWidget(m_battery, 0, Qt::AlignVCenter);
    return m_banner;
}

QWidget* PerformancePresetsView::buildGrid()
{
    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("presetsGrid"));
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(10);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    int index = 0;
    for (PerformancePreset preset : PerformancePreset::allCases()) {
        auto* card = new PresetCard(preset, presetColor(preset));
        connect(card, &QAbstractButton::clicked, this, [this, preset] { applyPreset(preset); });
        m_cards << card;
        layout->addWidget(card, index / 2, index % 2);
        ++index;
    }
    return grid;
}

QWidget* PerformancePresetsView::buildPanels()
{
    auto* panels = new QWidget;
    auto* row = new QHBoxLayout(panels);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    QVBoxLayout* modifiers = nullptr;
    auto* telemetryPanel = panelFrame(modifiers, 6);
    telemetryPanel->setObjectName(QStringLiteral("telemetryPanel"));
    modifiers->addWidget(panelTitle(QStringLiteral("HARDWARE MODIFIERS")));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(5);
    for (const QString& label : modifierLabels()) {
        auto* indicator = new TelemetryRow(label, QString());
        m_modifiers << indicator;
        rows->addWidget(indicator);
    }
    modifiers->addLayout(rows);
    modifiers->addStretch(1);
    row->addWidget(telemetryPanel, 1, Qt::AlignTop);

    QVBoxLayout* logs = nullptr;
    auto* logsPanel = panelFrame(logs, 4);
    logsPanel->setObjectName(QStringLiteral("terminalLogsPanel"));
    logs->addWidget(panelTitle(QStringLiteral("DAEMON EXECUTIONS")));
    auto* well = new CardFrame(kPrimary.opacity(0.06), 6);
    auto* wellBox = new QVBoxLayout(well);
    wellBox->setContentsMargins(6, 6, 6, 6);
    m_logArea = new QScrollArea;
    m_logArea->setObjectName(QStringLiteral("logArea"));
    m_logArea->setFrameShape(QFrame::NoFrame);
    m_logArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_logArea->setWidgetResizable(true);
    m_logArea->setFixedHeight(62);
    m_logArea->setAutoFillBackground(false);
    m_logArea->viewport()->setAutoFillBackground(false);
    auto* lines = new QWidget;
    lines->setAutoFillBackground(false);
    m_logColumn = new QVBoxLayout(lines);
    m_logColumn->setContentsMargins(0, 0, 0, 0);
    m_logColumn->setSpacing(3);
    m_logColumn->addStretch(1);
    m_logArea->setWidget(lines);
    // A log follows its newest line, as a terminal does.
    QScrollBar* follow = m_logArea->verticalScrollBar();
    connect(follow, &QScrollBar::rangeChanged, follow, [follow](int, int max) { follow->setValue(max); });
    lines->setAutoFillBackground(false); // setWidget() turned it on
    wellBox->addWidget(m_logArea);
    logs->addWidget(well);
    row->addWidget(logsPanel, 1, Qt::AlignTop);
    return panels;
}

void PerformancePresetsView::appendLog(const QString& line)
{
    m_executionLogs.append(line);
    auto* entry = new QWidget;
    auto* row = new QHBoxLayout(entry);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto* prompt = new PlainLabel(QStringLiteral("$"), Fonts::monospaced(8), m_themeManager->currentTheme().accentColor());
    row->addWidget(prompt, 0, Qt::AlignTop);
    // Status texts can carry outside error descriptions: plain text only.
    auto* text = new PlainLabel(line, Fonts::monospaced(8), kPrimary.opacity(0.8));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(text, 1, Qt::AlignTop);
    m_prompts << prompt;
    // Above the stretch that keeps the lines at the top.
    m_logColumn->insertWidget(m_logColumn->count() - 1, entry);
}

void PerformancePresetsView::applyPreset(PerformancePreset preset)
{
    // Runs on by itself; the page may be gone before it ends.
    applyAndLog(this, m_presetManager, preset);
}

QCoro::Task<> PerformancePresetsView::applyAndLog(QPointer<PerformancePresetsView> view,
                                                  QPointer<PresetManager> manager, PerformancePreset preset)
{
    if (!view || !manager)
        co_return;
    view->appendLog(QStringLiteral("Applying ") + preset.rawValue() + QStringLiteral(" system properties..."));
    QCoro::Task<> applying = manager->applyPreset(preset);
    co_await applying;
    if (!view || !manager)
        co_return;
    view->appendLog(manager->currentStatus());
}

void PerformancePresetsView::refreshNow() { m_coalescer->flush(); }

void PerformancePresetsView::refresh()
{
    if (!m_presetManager) {
        // Nothing is being applied and no preset is known to be active.
        m_spinnerFrame->setVisible(false);
        m_badge->setVisible(false);
        for (PresetCard* card : std::as_const(m_cards))
            card->setActive(false);
        return;
    }
    const PerformancePreset active = m_presetManager->activePreset();
    const UiColor color = presetColor(active);

    const bool executing = m_presetManager->isExecuting();
    m_spinnerFrame->setVisible(executing);
    m_badge->setVisible(!executing);
    m_badge->setText(QStringLiteral("Active Profile: ") + active.rawValue());
    m_badge->setColors(color, color.opacity(0.15));

    m_banner->setStroke(color.opacity(0.25), 1);
    m_bannerIcon->set(active.icon(), color, 0.15);
    m_bannerTitle->setText(active.rawValue().toUpper());
    m_bannerDescription->setText(active.description());
    m_battery->setText(QStringLiteral("\U0001F50B ") + m_presetManager->batteryStatus());

    for (PresetCard* card : std::as_const(m_cards))
        card->setActive(card->preset() == active);
    const QStringList values = modifierValues(active);
    for (int i = 0; i < m_modifiers.size(); ++i)
        m_modifiers[i]->setValue(values[i]);
}

void PerformancePresetsView::applyTheme()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerIcon->setTint(accent);
    for (PlainLabel* prompt : std::as_const(m_prompts))
        prompt->setTextColor(accent);
}
