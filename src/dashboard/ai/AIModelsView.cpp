#include "dashboard/ai/AIModelsView.h"

#include "core/Format.h"
#include "core/Scheduler.h"
#include "dashboard/ai/AIPageHeader.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "telemetry/AIProcessFilter.h"
#include "telemetry/ProcessMonitor.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/EmptyStateCard.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/ServiceAction.h"
#include "widgets/Spinner.h"
#include "widgets/SuspendedProcessBanner.h"
#include "widgets/SymbolView.h"
#include "widgets/TextStyle.h"

#include <QAbstractButton>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

const UiColor kCardFill = UiColor(SystemColor::contrast).opacity(0.04);
const QString kHuggingFacePath = QStringLiteral("~/.cache/huggingface");
const QString kOllamaPath = QStringLiteral("~/.ollama/models");

PlainLabel* caption(const QString& text)
{
    return new PlainLabel(text, Fonts::system(9, QFont::Bold), SystemColor::secondary);
}

// A card of the page, its content padded 12, inset 10 from the page's sides.
QWidget* inset(QWidget* card)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(10, 0, 10, 0);
    row->addWidget(card);
    return box;
}

CardFrame* card(QVBoxLayout*& column)
{
    auto* frame = new CardFrame(kCardFill, 12);
    column = new QVBoxLayout(frame);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    return frame;
}

// The Deduplicate button: its content on a faint red plate, dimmed while
// disabled.
class RedPlateButton final : public QAbstractButton {
public:
    RedPlateButton()
    {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath plate;
        plate.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(plate, UiColor(SystemColor::red).opacity(showsHoverLook(this) ? 0.18 : 0.12).resolve(this));
    }
};

// One cache location: its label over its folder, and its size.
CardFrame* cacheRow(const QString& label, const QString& path, PlainLabel*& size)
{
    auto* row = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 6);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(6, 6, 6, 6);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new PlainLabel(label, Fonts::system(11, QFont::DemiBold), SystemColor::primary));
    texts->addWidget(new PlainLabel(path, Fonts::monospaced(8), SystemColor::secondary));
    line->addLayout(texts, 1);
    size = new PlainLabel(QString(), Fonts::monospaced(10, QFont::Bold), SystemColor::primary);
    line->addWidget(size, 0, Qt::AlignVCenter);
    return row;
}

} // namespace

AIModelsView::AIModelsView(SystemStatsProvider*, ProcessMonitor* processMonitor, Services services, QWidget* parent)
    : QWidget(parent), m_processMonitor(processMonitor), m_localAI(services.localAI),
      m_buildCache(services.buildCache), m_themeManager(services.themeManager), m_settings(services.settings),
      m_scheduler(services.scheduler ? services.scheduler : &Scheduler::system()),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_processMonitor && m_localAI && m_buildCache && m_themeManager && m_settings);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 4, 0, 20);
    page->setSpacing(18);

    auto* header = new AIPageHeader(QStringLiteral("shippingbox.fill"), SystemColor::blue,
                                    QStringLiteral("AI MODELS & SYSTEM CACHE"));
    header->setContentsMargins(10, 0, 10, 0);
    m_headerSymbol = header->symbol();
    page->addLayout(header);

    page->addWidget(inset(buildModelsCard()));
    m_banner = new SuspendedProcessBanner;
    m_bannerBox = inset(m_banner);
    page->addWidget(m_bannerBox);
    page->addWidget(inset(buildProcessesCard()));
    page->addWidget(inset(buildCacheCard()));
    page->addStretch(1);

    m_coalescer->watch(m_localAI.data(), &LocalAIService::activeModelsChanged);
    m_coalescer->watch(m_localAI.data(), &LocalAIService::unlistedModelCountChanged);
    m_coalescer->watch(m_localAI.data(), &LocalAIService::modelListRefusalChanged);
    m_coalescer->watch(m_localAI.data(), &LocalAIService::demoModeChanged);
    m_coalescer->watch(m_processMonitor.data(), &ProcessMonitor::topProcessesChanged);
    m_coalescer->watch(m_buildCache.data(), &BuildCacheService::huggingfaceCacheSizeGBChanged);
    m_coalescer->watch(m_buildCache.data(), &BuildCacheService::ollamaCacheSizeGBChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

QWidget* AIModelsView::buildModelsCard()
{
    QVBoxLayout* column;
    CardFrame* frame = card(column);
    auto* header = new QHBoxLayout;
    header->addWidget(caption(QStringLiteral("ACTIVE LOADED MODELS")));
    header->addStretch(1);
    m_loadedCounter = new PlainLabel(QString(), Fonts::system(9, QFont::Bold), SystemColor::blue);
    m_loadedCounter->setObjectName(QStringLiteral("loadedCounter"));
    header->addWidget(m_loadedCounter);
    column->addLayout(header);
    m_refusal = new PlainLabel(QString(), Fonts::system(9), SystemColor::orange);
    m_refusal->setObjectName(QStringLiteral("modelListRefusal"));
    m_refusal->hide();
    column->addWidget(m_refusal);

    m_emptyModels = new EmptyStateCard(QStringLiteral("brain.head.profile"), QStringLiteral("No active models loaded in memory"));
    column->addWidget(m_emptyModels);
    m_models = new KeyedRowList;
    m_models->setSpacing(6);
    column->addWidget(m_models);
    return frame;
}

QWidget* AIModelsView::buildProcessesCard()
{
    QVBoxLayout* column;
    CardFrame* frame = card(column);
    column->addWidget(caption(QStringLiteral("ACTIVE AI / ML PROCESSES")));
    m_processes = new KeyedRowList;
    m_processes->setSpacing(10);
    // The rows hold still while the pointer is over them.
    new HoverPause(m_processes, m_processMonitor);
    column->addWidget(m_processes);
    m_placeholder = new ProcessRow(QStringLiteral("shippingbox.fill"), QIcon(), QString::fromLatin1(kPlaceholderName),
                                   QStringLiteral("0.0% CPU"), SystemColor::secondary, false, {}, nullptr,
                                   ProcessRow::Services{m_settings, {}});
    auto* fade = new QGraphicsOpacityEffect(m_placeholder);
    fade->setOpacity(0.7);
    m_placeholder->setGraphicsEffect(fade);
    column->addWidget(m_placeholder);
    return frame;
}

QWidget* AIModelsView::buildCacheCard()
{
    QVBoxLayout* column;
    CardFrame* frame = card(column);
    auto* top = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(caption(QStringLiteral("LOCAL MODEL & CACHE DEDUPLICATOR")));
    m_cachedTotal = new PlainLabel(QString(), Fonts::system(16, QFont::DemiBold), SystemColor::primary);
    m_cachedTotal->setObjectName(QStringLiteral("cachedTotal"));
    texts->addWidget(m_cachedTotal);
    top->addLayout(texts);
    top->addStretch(1);

    m_deduplicate = new RedPlateButton;
    m_deduplicate->setObjectName(QStringLiteral("deduplicateButton"));
    auto* label = new QHBoxLayout(m_deduplicate);
    label->setContentsMargins(8, 4, 8, 4);
    label->setSpacing(4);
    m_spinner = new Spinner(10);
    m_spinner->setColor(SystemColor::red);
    m_spinner->hide();
    label->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_trashSymbol = new SymbolView(QStringLiteral("trash.fill"), SystemColor::red, 9);
    label->addWidget(m_trashSymbol, 0, Qt::AlignVCenter);
    auto* text = new PlainLabel(QStringLiteral("Deduplicate"), Fonts::system(9, QFont::Bold), SystemColor::red);
    text->setForegroundRole(QPalette::WindowText); // not the button's text role
    label->addWidget(text, 0, Qt::AlignVCenter);
    for (QWidget* child : m_deduplicate->findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_deduplicate, &QAbstractButton::clicked, this, &AIModelsView::deduplicate);
    top->addWidget(m_deduplicate, 0, Qt::AlignVCenter);
    column->addLayout(top);

    auto* rows = new QVBoxLayout;
    rows->setSpacing(6);
    rows->addWidget(cacheRow(QStringLiteral("Hugging Face Hub Weights"), kHuggingFacePath, m_hfSize));
    rows->addWidget(cacheRow(QStringLiteral("Ollama Model Registries"), kOllamaPath, m_ollamaSize));
    column->addLayout(rows);
    return frame;
}

QStringList AIModelsView::cacheSizeTexts() const { return {m_hfSize->text(), m_ollamaSize->text()}; }

void AIModelsView::refreshNow() { m_coalescer->flush(); }

void AIModelsView::refresh()
{
    if (!m_localAI || !m_buildCache || !m_processMonitor)
        return;
    m_headerSymbol->setTint(m_themeManager->currentTheme().accentColor());
    refreshModels();
    refreshProcesses();
    const double hf = m_buildCache->huggingfaceCacheSizeGB();
    const double ollama = m_buildCache->ollamaCacheSizeGB();
    m_cachedTotal->setText(kestrova::format("%.1f GB Cached", hf + ollama));
    m_hfSize->setText(kestrova::format("%.1f GB", hf));
    m_ollamaSize->setText(kestrova::format("%.1f GB", ollama));
    m_deduplicate->setEnabled(!m_isPurgingCache);
    m_spinner->setVisible(m_isPurgingCache);
    m_trashSymbol->setVisible(!m_isPurgingCache);
}

void AIModelsView::refreshModels()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<LocalAIModel>& models = m_localAI->activeModels();
    const qsizetype unlisted = m_localAI->unlistedModelCount();
    m_loadedCounter->setText(kestrova::format("%lld Loaded", static_cast<long long>(models.size() + unlisted)));
    m_refusal->setText(m_localAI->modelListRefusal());
    m_refusal->setVisible(!m_localAI->modelListRefusal().isEmpty());
    m_loadedCounter->setTextColor(accent);
    m_emptyModels->setVisible(models.isEmpty());
    m_models->setVisible(!models.isEmpty());
    const bool demo = m_localAI->demoMode();
    const auto ejectAction = [&](const LocalAIModel& model) -> std::function<void()> {
        // An example row left over from demo mode can no longer be ejected.
        if (!demo && LocalAIExamples::isExample(model))
            return {};
        return [service = m_localAI, name = model.name] {
            startServiceAction(service, [name](LocalAIService& s) { return s.ejectModel(name); });
        };
    };
    LoadedModelRow::showModels(m_models, models, accent, {QString::fromLatin1(kEjectHelp), false}, ejectAction,
                               unlisted);
}

void AIModelsView::refreshProcesses()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<ProcessInfoData> processes = AIProcessFilter::apply(m_processMonitor->topProcesses());
    m_bannerBox->setVisible(AIProcessFilter::anySuspended(processes));
    m_processes->setVisible(!processes.isEmpty());
    m_placeholder->setVisible(processes.isEmpty());
    ProcessRow::showCpuList(m_processes, processes, accent, m_processMonitor, ProcessRow::Services{m_settings, {}});
}

void AIModelsView::deduplicate()
{
    if (m_isPurgingCache || !m_buildCache)
        return;
    m_isPurgingCache = true;
    // The two figures are modelled, not measured: clearing them deletes no
    // file.
    m_buildCache->purgeCache(kHuggingFacePath);
    m_buildCache->purgeCache(kOllamaPath);
    refresh();
    endPurgeLater(this, m_scheduler);
}

QCoro::Task<> AIModelsView::endPurgeLater(QPointer<AIModelsView> page, Scheduler* scheduler)
{
    QCoro::Task<> hold = scheduler->sleepFor(kPurgeHold);
    co_await std::move(hold);
    // The page may have been closed meanwhile.
    if (!page)
        co_return;
    page->m_isPurgingCache = false;
    page->refresh();
}
