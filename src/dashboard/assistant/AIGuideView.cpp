#include "dashboard/assistant/AIGuideView.h"

#include "dashboard/assistant/MarkupLabel.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <optional>

namespace {

// Sections drawn in their own colour rather than the accent.
struct Tint {
    std::optional<SystemColor> icon;   // none: the accent colour
    UiColor background;
};

Tint tintOf(int index)
{
    switch (index) {
    case 1: return {SystemColor::blue, UiColor(SystemColor::blue).opacity(0.05)};
    case 3: return {SystemColor::orange, UiColor(SystemColor::orange).opacity(0.05)};
    default: return {std::nullopt, UiColor(SystemColor::contrast).opacity(0.02)};
    }
}

} // namespace

const QList<AIGuideView::Section>& AIGuideView::sections()
{
    static const QList<Section> list = {
        {QStringLiteral("1. Local AI Monitor & Telemetry"), QStringLiteral("brain.headset"),
         QStringLiteral("Kestrova automatically detects local AI toolchains running on your Macbook. It continuously "
                        "monitors standard service ports for **Ollama** (ports 11434, 12345), **LM Studio** (port "
                        "1234), **Llama.cpp**, and **Hugging Face** workflows. It measures real-time VRAM allocation, "
                        "CPU usage, system memory footprint, and network latency so you can keep your local "
                        "generation smooth and efficient.")},
        {QStringLiteral("2. Process Freezing & Unfreezing (Ollama Unfreeze)"), QStringLiteral("snowflake"),
         QStringLiteral("Clicking the **Snowflake (Freeze) Icon** against Ollama or any model suspends the process "
                        "using a Unix `SIGSTOP` signal. This instantly frees up 100% of CPU cores, stopping battery "
                        "drain without killing the process or losing your active loaded LLM/VRAM state. The process "
                        "will be hidden to keep your UI clean.\n\nTo **Unfreeze and Resume** the process, simply go "
                        "to the **Developer Workspace** or **Active Models** list, locate the frozen process, and "
                        "click the **Unfreeze (Sun/Play) Icon** (or the master unfreeze button). This sends a Unix "
                        "`SIGCONT` signal, immediately restoring the process to active execution right where it "
                        "left off!")},
        {QStringLiteral("3. Port & API Gateway Sentinel"), QStringLiteral("network.badge.shield.half.filled"),
         QStringLiteral("Avoid conflicting local server launches! The Sentinel tracks active listening ports in real "
                        "time (e.g., PostgreSQL on 5432, Redis on 6379, Next.js on 3000, Ollama on 11434). It flags "
                        "which developer microservices are listening and lets you terminate conflicting ones with a "
                        "single click to clean up your development environment.")},
        {QStringLiteral("4. Developer Workspace Purges"), QStringLiteral("hammer.fill"),
         QStringLiteral("Reclaim lost disk space instantly! Kestrova gives you one-click power tools to safely prune "
                        "heavy developer caches:\n"
                        "\u2022 **Xcode DerivedData**: Purges intermediate build artifacts.\n"
                        "\u2022 **SPM & CocoaPods**: Cleans local package repositories.\n"
                        "\u2022 **Docker Prune**: Safely deletes unused containers, dangling images, and volumes.\n"
                        "\u2022 **Node.js/npm**: Clears system npm package caches to resolve broken dependencies.")},
        {QStringLiteral("5. Forensic Telemetry & Advanced Mode"), QStringLiteral("magnifyingglass.radar"),
         QStringLiteral("Unlock deep hardware inspections: monitors active Fan RPM speeds, detailed temperature diode "
                        "readouts across the entire SoC, NAND Flash SSD lifetime health (Terabytes Written - TBW), "
                        "and active network sockets in ESTABLISHED states.")},
        {QStringLiteral("6. Personalization & Dynamic Themes"), QStringLiteral("paintpalette.fill"),
         QStringLiteral("Customize your command center! Switch between stunning curated Obsidian colorways (Midnight "
                        "Obsidian, Electric Aurora, Sunset Gold, Crimson Cyber, Emerald Zen) in General Settings. "
                        "The entire application (sidebar, highlights, headers, toggles, charts) instantly adapts to "
                        "match your choice, persisting across relaunches.")},
        {QStringLiteral("7. CPU Alert Thresholds & Alarm Sentinel"), QStringLiteral("gauge.badge.minus"),
         QStringLiteral("Configure customizable CPU warning thresholds in General Settings (ranging from 50% to 95%). "
                        "When any active process breaches your threshold limit, Kestrova fires visual cues and "
                        "system notifications instantly, allowing you to react before thermal throttling impacts "
                        "compiling or model execution.")},
        {QStringLiteral("8. Unified Memory Footprint & Active VRAM Shield"), QStringLiteral("cpu"),
         QStringLiteral("Track system-wide memory pressure, Swap usage, and active GPU/VRAM allocations. Click the "
                        "Memory Purge trigger to run instant cache purges and free up active resources for "
                        "memory-intensive compiler tasks or massive local LLM model weights.")},
        {QStringLiteral("9. Auto-Suspend on Compile & Battery Shield"), QStringLiteral("battery.100.bolt"),
         QStringLiteral("Optimize performance dynamically! When active compiles (e.g. `xcodebuild`, `cargo`, `npm`) "
                        "start, Kestrova automatically suspends running local AI backends (like Ollama or LM Studio) "
                        "to prioritize CPU cycles for compiling. Additionally, the **Battery Shield** automatically "
                        "halts active Docker containers and ejects loaded VRAM models when you unplug from power to "
                        "eliminate background drain.")},
    };
    return list;
}

AIGuideView::AIGuideView(ThemeManager* themeManager, QWidget* parent) : QWidget(parent), m_themeManager(themeManager)
{
    Q_ASSERT(m_themeManager);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(20);
    page->addWidget(buildHeader());
    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.1), 0);
    rule->setFixedHeight(1);
    page->addWidget(rule);
    for (int i = 0; i < sections().size(); ++i)
        page->addWidget(buildSection(i));
    page->addStretch(1);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &AIGuideView::applyTheme);
}

QWidget* AIGuideView::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 10);
    row->setSpacing(12);
    m_headerSymbol = new SymbolView(QStringLiteral("bolt.shield.fill"), m_themeManager->currentTheme().accentColor(), 32);
    row->addWidget(m_headerSymbol);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new PlainLabel(QStringLiteral("Kestrova Operations Center"), Fonts::system(22, QFont::Black),
                                    SystemColor::primary));
    texts->addWidget(new PlainLabel(QStringLiteral("Advanced Local AI & Forensic Performance Companion"),
                                    Fonts::system(12, QFont::Medium), SystemColor::secondary));
    row->addLayout(texts, 1);
    return header;
}

QWidget* AIGuideView::buildSection(int index)
{
    const Section& section = sections().at(index);
    const Tint tint = tintOf(index);
    const UiColor accent = m_themeManager->currentTheme().accentColor();

    auto* card = new CardFrame(tint.background, 10);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(index < 6 ? 8 : 6);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    auto* symbol = new SymbolView(section.symbol, tint.icon ? UiColor(*tint.icon) : accent,
                                  Fonts::size(TextStyle::headline));
    m_sectionSymbols.append(symbol);
    if (!tint.icon)
        m_accentSymbols.append(symbol);
    titleRow->addWidget(symbol);
    auto* title = new PlainLabel(section.title, Fonts::style(TextStyle::headline), SystemColor::primary);
    title->setWordWrap(true);
    titleRow->addWidget(title, 1);
    column->addLayout(titleRow);

    if (index == 1) {
        column->addSpacing(2);
        m_tip = new MarkupLabel(QStringLiteral("\U0001F4A1 **How to Unfreeze suspended processes:**"),
                                Fonts::system(12, QFont::Bold), accent);
        column->addWidget(m_tip);
    }

    auto* body = new MarkupLabel(section.body, Fonts::system(12), UiColor(SystemColor::primary).opacity(0.85));
    m_bodies.append(body);
    column->addWidget(body);
    return card;
}

QList<QWidget*> AIGuideView::accentParts() const
{
    QList<QWidget*> parts{m_headerSymbol};
    for (SymbolView* symbol : m_accentSymbols)
        parts << symbol;
    parts << m_tip;
    return parts;
}

void AIGuideView::applyTheme()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerSymbol->setTint(accent);
    for (SymbolView* symbol : std::as_const(m_accentSymbols))
        symbol->setTint(accent);
    m_tip->setTextColor(accent);
}
