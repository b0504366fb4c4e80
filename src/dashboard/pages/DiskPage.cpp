#include "dashboard/pages/DiskPage.h"

#include "core/Format.h"
#include "core/Random.h"
#include "core/Scheduler.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/pages/CacheRow.h"
#include "localai/BuildCacheService.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/ActionTipsView.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

AccentPillButton* actionButton(const QString& symbol, const UiColor& color)
{
    auto* button = new AccentPillButton(symbol, QString(), color, AccentPillButton::Style::filled);
    button->setPadding(16, 10);
    button->setCornerRadius(8);
    button->setFont(Fonts::system(13, QFont::Bold));
    return button;
}

// A status pill: a small spinner and white text on a colour; not clickable.
CardFrame* statusPill(PlainLabel*& text)
{
    auto* pill = new CardFrame(UiColor(SystemColor::blue).opacity(0.5), 8);
    auto* line = new QHBoxLayout(pill);
    line->setContentsMargins(16, 10, 16, 10);
    line->setSpacing(6);
    auto* spinner = new Spinner(13);
    spinner->setColor(UiColor(SystemColor::white).opacity(0.8));
    line->addWidget(spinner, 0, Qt::AlignVCenter);
    text = new PlainLabel(QString(), Fonts::system(13, QFont::Bold), UiColor(SystemColor::white).opacity(0.8));
    line->addWidget(text, 0, Qt::AlignVCenter);
    return pill;
}

// A banner under a card's row: a symbol and a text in one colour, on that
// colour at 10 %.
CardFrame* banner(const QString& symbol, const QString& text, const UiColor& color, SymbolView** symbolOut = nullptr,
                         PlainLabel** textOut = nullptr)
{
    auto* banner = new CardFrame(UiColor(color).opacity(0.1), 8);
    auto* line = new QHBoxLayout(banner);
    line->setContentsMargins(12, 10, 12, 10);
    line->setSpacing(8);
    auto* mark = new SymbolView(symbol, color, 13);
    line->addWidget(mark, 0, Qt::AlignVCenter);
    auto* label = new PlainLabel(text, Fonts::system(13, QFont::Medium), color);
    label->setWordWrap(true);
    line->addWidget(label, 1);
    if (symbolOut)
        *symbolOut = mark;
    if (textOut)
        *textOut = label;
    return banner;
}

// The small tinted tag beside a card's title.
Badge* titleBadge(const QString& text, const UiColor& color)
{
    auto* badge = new Badge(text, color, color.opacity(0.2));
    badge->setFont(Fonts::system(10, QFont::Bold));
    badge->setPadding(6, 2);
    badge->setCornerRadius(4);
    return badge;
}

// A card's head: a title with an optional badge over a caption.
QVBoxLayout* headTexts(const QString& title, QWidget* badge, const QString& caption)
{
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(new PlainLabel(title, Fonts::style(TextStyle::headline), SystemColor::primary));
    if (badge)
        head->addWidget(badge, 0, Qt::AlignVCenter);
    head->addStretch(1);
    texts->addLayout(head);
    auto* note = new PlainLabel(caption, Fonts::style(TextStyle::caption), SystemColor::secondary);
    note->setWordWrap(true);
    texts->addWidget(note);
    return texts;
}

QString visibleText(AccentPillButton* button, CardFrame* pill, PlainLabel* pillText)
{
    if (!button->isHidden())
        return button->text();
    if (!pill->isHidden())
        return pillText->text();
    return {};
}

} // namespace

DiskPage::DiskPage(Deps deps, QWidget* parent)
    : QWidget(parent), m_deps(std::move(deps)), m_buildCache(m_deps.buildCache),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_deps.stats && m_deps.buildCache && m_deps.settings && m_deps.themeManager && m_deps.state);
    if (!m_deps.scheduler)
        m_deps.scheduler = &Scheduler::system();
    if (!m_deps.random)
        m_deps.random = &Random::shared();
    if (!m_deps.purgeHuggingFace) {
        QPointer<SystemStatsProvider> stats = m_deps.stats;
        m_deps.purgeHuggingFace = [stats]() -> QCoro::Task<bool> {
            if (!stats)
                co_return false;
            QCoro::Task<bool> purge = stats->purgeHuggingFaceCache();
            co_return co_await std::move(purge);
        };
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);
    QFont titleFont = Fonts::style(TextStyle::title);
    titleFont.setWeight(QFont::Bold);
    column->addWidget(new PlainLabel(QStringLiteral("Storage Management & Junk Cleaner"), titleFont,
                                     SystemColor::primary));
    m_cards = {buildJunkCard(),        buildHuggingFaceCard(), buildOllamaCard(), buildDeveloperSection(),
               buildCreativeSection(), buildGamerSection(),    buildDriveCard()};
    for (QWidget* card : std::as_const(m_cards))
        column->addWidget(card);
    column->addWidget(
        new PlainLabel(QStringLiteral("SMART Status: Healthy"), Fonts::style(TextStyle::subheadline), SystemColor::green));
    m_tips = new ActionTipsView(
        QStringLiteral("Active Disk Optimization Tips"),
        {QStringLiteral("\U0001F9F9 Sweep Junk & Caches: Scan and sweep caches, log files, and Xcode DerivedData "
                        "directories to recover SSD space."),
         QStringLiteral("\U0001F9E0 AI Hugging Face Sweeper: Scan and purge unused heavy AI model weights stored in "
                        "your local directory (~/.cache/huggingface/hub) to free tens of gigabytes of disk space.")});
    column->addWidget(m_tips);
    column->addStretch(1);

    for (auto signal : {&SystemStatsProvider::huggingFaceCacheSizeInGBChanged, &SystemStatsProvider::diskUsedChanged,
                        &SystemStatsProvider::diskTotalChanged})
        m_coalescer->watch(m_deps.stats, signal);
    for (auto signal :
         {&BuildCacheService::derivedDataSizeChanged, &BuildCacheService::spmCacheSizeChanged,
          &BuildCacheService::npmCacheSizeChanged, &BuildCacheService::cargoCacheSizeChanged,
          &BuildCacheService::goCacheSizeChanged, &BuildCacheService::finalCutCacheSizeChanged,
          &BuildCacheService::davinciCacheSizeChanged, &BuildCacheService::adobeCacheSizeChanged,
          &BuildCacheService::huggingfaceCacheSizeGBChanged, &BuildCacheService::ollamaCacheSizeGBChanged})
        m_coalescer->watch(m_deps.buildCache, signal);
    for (auto signal : {&DashboardPageState::isScanningJunkChanged, &DashboardPageState::isCleaningJunkChanged,
                        &DashboardPageState::showJunkSuccessChanged, &DashboardPageState::junkFoundInGBChanged,
                        &DashboardPageState::isScanningHFChanged, &DashboardPageState::isPurgingHFChanged,
                        &DashboardPageState::showHFSuccessChanged, &DashboardPageState::showHFFailureChanged})
        m_coalescer->watch(m_deps.state, signal);
    m_coalescer->watch(m_deps.themeManager, &ThemeManager::currentThemeChanged);
    connect(m_deps.settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kWorkspacePersona))
            m_coalescer->schedule();
    });
    refresh();
}

CardFrame* DiskPage::card(int spacing)
{
    auto* frame = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 12);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(spacing);
    return frame;
}

QWidget* DiskPage::buildJunkCard()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    line->addLayout(headTexts(QStringLiteral("System Junk & Cache Sweep"), nullptr,
                              QStringLiteral("Scans cache folders, temporary logs, Xcode derived data, and redundant "
                                             "download files.")),
                    1);
    m_junkButton = actionButton(QStringLiteral("magnifyingglass"), SystemColor::blue);
    line->addWidget(m_junkButton, 0, Qt::AlignVCenter);
    m_junkPill = statusPill(m_junkPillText);
    line->addWidget(m_junkPill, 0, Qt::AlignVCenter);
    column->addLayout(line);
    m_junkBanner = banner(QStringLiteral("checkmark.circle.fill"),
                                 QStringLiteral("Successfully purged system junk and cache files! Reclaimed extra space."),
                                 SystemColor::green);
    column->addWidget(m_junkBanner);

    connect(m_junkButton, &QAbstractButton::clicked, this, [this] {
        DashboardPageState* s = m_deps.state;
        if (s->isScanningJunk() || s->isCleaningJunk() || s->showJunkSuccess())
            return;
        if (s->junkFoundInGB() > 0)
            cleanJunk(s, m_deps.stats, m_deps.scheduler);
        else
            scanJunk(s, m_deps.scheduler, m_deps.random);
    });
    m_junkCard = frame;
    return frame;
}

QWidget* DiskPage::buildHuggingFaceCard()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    m_hfBadge = titleBadge(QStringLiteral("AI Local Hub"), SystemColor::blue);
    line->addLayout(headTexts(QStringLiteral("Hugging Face Model Cache Sweeper"), m_hfBadge,
                              QStringLiteral("Scans and purges cached model weights located in ~/.cache/huggingface/hub "
                                             "to recover massive disk space.")),
                    1);
    m_hfButton = actionButton(QStringLiteral("cpu"), SystemColor::blue);
    line->addWidget(m_hfButton, 0, Qt::AlignVCenter);
    m_hfPill = statusPill(m_hfPillText);
    line->addWidget(m_hfPill, 0, Qt::AlignVCenter);
    column->addLayout(line);
    m_hfBanner = banner(QStringLiteral("sparkles"),
                               QStringLiteral("Hugging Face model cache cleared successfully! Unified memory and storage "
                                              "fully optimized."),
                               SystemColor::blue, &m_hfBannerSymbol, &m_hfBannerText);
    column->addWidget(m_hfBanner);
    m_hfFailure = banner(QStringLiteral("exclamationmark.triangle.fill"),
                         QStringLiteral("Could not empty ~/.cache/huggingface/hub: some model files are still there."),
                         SystemColor::red);
    column->addWidget(m_hfFailure);

    connect(m_hfButton, &QAbstractButton::clicked, this, [this] {
        DashboardPageState* s = m_deps.state;
        if (s->isScanningHF() || s->isPurgingHF() || s->showHFSuccess())
            return;
        if (m_deps.stats->huggingFaceCacheSizeInGB() > 0)
            purgeHuggingFace(s, m_deps.purgeHuggingFace, m_deps.scheduler);
        else
            scanHuggingFace(s, m_deps.stats, m_deps.scheduler);
    });
    m_hfCard = frame;
    return frame;
}

QWidget* DiskPage::buildOllamaCard()
{
    CardFrame* frame = card(15);
    auto* column = static_cast<QVBoxLayout*>(frame->layout());
    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    line->addLayout(headTexts(QStringLiteral("Ollama Model Cache Sweeper"),
                              titleBadge(QStringLiteral("Ollama Local"), SystemColor::teal),
                              QStringLiteral("Purge cached models weights from ~/.ollama/models to free up unified "
                                             "memory and storage.")),
                    1);
    m_ollamaButton = actionButton(QStringLiteral("trash.fill"), SystemColor::red);
    line->addWidget(m_ollamaButton, 0, Qt::AlignVCenter);
    auto* cleared = new Badge(QStringLiteral("Cleared"), SystemColor::secondary, UiColor(SystemColor::contrast).opacity(0.1));
    cleared->setFont(Fonts::system(13, QFont::Bold));
    cleared->setPadding(16, 10);
    cleared->setCornerRadius(8);
    m_ollamaCleared = cleared;
    line->addWidget(m_ollamaCleared, 0, Qt::AlignVCenter);
    column->addLayout(line);

    connect(m_ollamaButton, &QAbstractButton::clicked, this, [this] {
        if (m_buildCache)
            m_buildCache->purgeCache(QStringLiteral("ollama"));
    });
    m_ollamaCard = frame;
    return frame;
}

QCoro::Task<> DiskPage::scanJunk(QPointer<DashboardPageState> state, Scheduler* scheduler, Random* random)
{
    if (!state)
        co_return;
    state->setIsScanningJunk(true);
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(junkScanMs));
    co_await std::move(waiting);
    if (!state)
        co_return;
    state->setJunkFoundInGB(random->uniform(3.8, 7.9));
    state->setIsScanningJunk(false);
}

QCoro::Task<> DiskPage::cleanJunk(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                  Scheduler* scheduler)
{
    if (!state || !stats)
        co_return;
    state->setIsCleaningJunk(true);
    QCoro::Task<> cleaning = stats->cleanJunkFiles(state->junkFoundInGB());
    co_await std::move(cleaning);
    if (!state)
        co_return;
    state->setIsCleaningJunk(false);
    state->setShowJunkSuccess(true);
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(bannerMs));
    co_await std::move(waiting);
    if (!state)
        co_return;
    state->setShowJunkSuccess(false);
    state->setJunkFoundInGB(0);
}

QCoro::Task<> DiskPage::scanHuggingFace(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                        Scheduler* scheduler)
{
    if (!state || !stats)
        co_return;
    state->setShowHFFailure(false);
    state->setIsScanningHF(true);
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(hfScanMs));
    co_await std::move(waiting);
    if (stats)
        stats->updateHuggingFaceCacheSize();
    if (state)
        state->setIsScanningHF(false);
}

QCoro::Task<> DiskPage::purgeHuggingFace(QPointer<DashboardPageState> state, std::function<QCoro::Task<bool>()> purge,
                                         Scheduler* scheduler)
{
    if (!state || !purge)
        co_return;
    state->setShowHFFailure(false);
    state->setIsPurgingHF(true);
    QCoro::Task<bool> purging = purge();
    const bool gone = co_await std::move(purging);
    if (!state)
        co_return;
    state->setIsPurgingHF(false);
    // A purge that could not delete the folder says so, never that it worked.
    if (!gone) {
        state->setShowHFFailure(true);
        co_return;
    }
    state->setShowHFSuccess(true);
    QCoro::Task<> waiting = scheduler->sleepFor(std::chrono::milliseconds(bannerMs));
    co_await std::move(waiting);
    if (state)
        state->setShowHFSuccess(false);
}

QList<QWidget*> DiskPage::shownCards() const
{
    QList<QWidget*> shown;
    for (QWidget* card : m_cards)
        if (!card->isHidden())
            shown << card;
    return shown;
}

QString DiskPage::junkControlText() const { return visibleText(m_junkButton, m_junkPill, m_junkPillText); }
QString DiskPage::huggingFaceControlText() const { return visibleText(m_hfButton, m_hfPill, m_hfPillText); }

QString DiskPage::ollamaControlText() const
{
    return m_ollamaButton->isHidden() ? QStringLiteral("Cleared") : m_ollamaButton->text();
}

void DiskPage::refreshNow() { m_coalescer->flush(); }

void DiskPage::refresh()
{
    const DashboardPageState& s = *m_deps.state;
    const UiColor accent = m_deps.themeManager->currentTheme().accentColor();

    // Junk: the first rule that holds picks the control.
    const bool junkBusy = s.isScanningJunk() || s.isCleaningJunk();
    const bool junkIdle = !junkBusy && !s.showJunkSuccess();
    m_junkButton->setVisible(junkIdle);
    if (s.junkFoundInGB() > 0) {
        m_junkButton->setSymbol(QStringLiteral("trash.fill"));
        m_junkButton->setText(kestrova::format("Clean %.2f GB", s.junkFoundInGB()));
        m_junkButton->setColor(SystemColor::red);
    } else {
        m_junkButton->setSymbol(QStringLiteral("magnifyingglass"));
        m_junkButton->setText(QStringLiteral("Scan Junk"));
        m_junkButton->setColor(SystemColor::blue);
    }
    m_junkPill->setVisible(junkBusy);
    m_junkPillText->setText(s.isScanningJunk() ? QStringLiteral("Scanning System...")
                                               : QStringLiteral("Sweeping Cache Files..."));
    m_junkPill->setFill(UiColor(s.isScanningJunk() ? SystemColor::blue : SystemColor::red).opacity(0.5));
    m_junkBanner->setVisible(s.showJunkSuccess());

    // Hugging Face, the same rules over its own flags and the sampler's figure.
    const double hub = m_deps.stats->huggingFaceCacheSizeInGB();
    const bool hfBusy = s.isScanningHF() || s.isPurgingHF();
    m_hfButton->setVisible(!hfBusy && !s.showHFSuccess());
    if (hub > 0) {
        m_hfButton->setSymbol(QStringLiteral("bolt.shield.fill"));
        m_hfButton->setText(kestrova::format("Purge %.2f GB of Models", hub));
        m_hfButton->setColor(SystemColor::red);
    } else {
        m_hfButton->setSymbol(QStringLiteral("cpu"));
        m_hfButton->setText(QStringLiteral("Scan HF Cache"));
        m_hfButton->setColor(accent);
    }
    m_hfPill->setVisible(hfBusy);
    m_hfPillText->setText(s.isScanningHF() ? QStringLiteral("Analyzing Model Hub...")
                                           : QStringLiteral("Erasing Heavy Model Weights..."));
    m_hfPill->setFill(s.isScanningHF() ? UiColor(accent).opacity(0.5) : UiColor(SystemColor::red).opacity(0.5));
    m_hfBadge->setColors(accent, UiColor(accent).opacity(0.2));
    m_hfBanner->setVisible(s.showHFSuccess());
    m_hfFailure->setVisible(s.showHFFailure() && !hfBusy);
    m_hfBanner->setFill(UiColor(accent).opacity(0.1));
    m_hfBannerSymbol->setTint(accent);
    m_hfBannerText->setTextColor(accent);

    // Ollama: a purge while there is a figure, "Cleared" after.
    const double ollama = m_buildCache ? m_buildCache->ollamaCacheSizeGB() : 0.0;
    m_ollamaButton->setVisible(ollama > 0);
    m_ollamaButton->setText(kestrova::format("Purge %.2f GB", ollama));
    m_ollamaCleared->setVisible(!(ollama > 0));

    // The persona's slot.
    const WorkspacePersona persona =
        WorkspacePersona::fromRaw(m_deps.settings->workspacePersona()).value_or(WorkspacePersona::aiEngineer);
    m_hfCard->setVisible(persona == WorkspacePersona::aiEngineer);
    m_ollamaCard->setVisible(persona == WorkspacePersona::aiEngineer);
    m_developerCard->setVisible(persona == WorkspacePersona::developer);
    m_creativeCard->setVisible(persona == WorkspacePersona::creator);
    m_gamerCard->setVisible(persona == WorkspacePersona::gamer);
    refreshSections();
}

QWidget* DiskPage::huggingFaceBanner() const { return m_hfBanner; }
QWidget* DiskPage::huggingFaceFailure() const { return m_hfFailure; }
