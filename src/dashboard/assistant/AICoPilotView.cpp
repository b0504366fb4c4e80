#include "dashboard/assistant/AICoPilotView.h"

#include "dashboard/assistant/CappedScrollArea.h"
#include "dashboard/assistant/CoPilotAlertCard.h"
#include "dashboard/assistant/CoPilotAudit.h"
#include "dashboard/assistant/CoPilotMessageRow.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/CardFrame.h"
#include "widgets/Divider.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kAuditMaxHeight = 280;
constexpr int kChatMaxHeight = 120;
// Room kept below the input field when it is scrolled into view.
constexpr int kInputClearance = 20;

// What the chat quotes, read from the sampler when an answer is composed.
// The sampler may be gone by then; the answer then quotes zeros.
AIService::FiguresSource figuresOf(QPointer<SystemStatsProvider> stats)
{
    return [stats] {
        if (!stats)
            return TelemetryFigures{};
        return TelemetryFigures{stats->cpuUsage(), stats->memoryPressure(), stats->socTemperature(),
                                stats->batteryPercentage()};
    };
}

} // namespace

const QString AICoPilotView::kGreeting = QStringLiteral(
    "Hello! I'm your AI System Co-Pilot. I'm actively auditing your macOS environment. You can check the "
    "diagnostics above or ask custom hardware queries here!");

AICoPilotView::AICoPilotView(Services services, QWidget* parent)
    : QWidget(parent), m_services(services), m_coalescer(new RefreshCoalescer([this] {
          if (isVisible())
              refresh();
          else
              m_stale = true;
      }, this))
{
    Q_ASSERT(m_services.stats && m_services.chat && m_services.localAI && m_services.buildCache
             && m_services.themeManager);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 20);
    page->setSpacing(20);

    auto* header = new QVBoxLayout;
    header->setSpacing(4);
    header->addWidget(new PlainLabel(QStringLiteral("AI Co-Pilot & Diagnostics"), Fonts::system(24, QFont::Bold),
                                     SystemColor::primary));
    header->addWidget(new PlainLabel(
        QStringLiteral("Real-time telemetry insights and proactive developer workspace optimizations."),
        Fonts::system(11), SystemColor::secondary));
    page->addLayout(header);
    page->addWidget(buildAuditPanel());
    page->addWidget(new Divider);
    page->addWidget(buildChatPanel());
    page->addStretch(1);

    appendMessage(CoPilotMessageRow::kCoPilotRole, kGreeting);

    m_coalescer->watch(m_services.buildCache, &BuildCacheService::derivedDataSizeChanged);
    m_coalescer->watch(m_services.localAI, &LocalAIService::activeVectorDBsChanged);
    m_coalescer->watch(m_services.localAI, &LocalAIService::activeModelsChanged);
    m_coalescer->watch(m_services.localAI, &LocalAIService::demoModeChanged);
    m_coalescer->watch(m_services.stats, &SystemStatsProvider::forceTurboCoolingChanged);
    m_coalescer->watch(m_services.stats, &SystemStatsProvider::socTemperatureChanged);
    connect(m_services.themeManager, &ThemeManager::currentThemeChanged, this, &AICoPilotView::applyTheme);
    refresh();
}

QWidget* AICoPilotView::buildAuditPanel()
{
    const UiColor accent = m_services.themeManager->currentTheme().accentColor();
    auto* panel = new CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 12);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    m_auditCaption = new PlainLabel(QStringLiteral("PROACTIVE WORKSPACE HEALTH AUDIT"),
                                    Fonts::system(10, QFont::Bold), accent);
    column->addWidget(m_auditCaption);

    auto* cards = new QWidget;
    auto* stack = new QVBoxLayout(cards);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    QPointer<BuildCacheService> buildCache = m_services.buildCache;
    QPointer<LocalAIService> localAI = m_services.localAI;
    QPointer<SystemStatsProvider> stats = m_services.stats;
    const std::function<void()> actions[4] = {
        [buildCache] { pruneBuildCache(buildCache); },
        [localAI] { suspendContainers(localAI); },
        [stats] {
            if (stats)
                stats->setForceTurboCooling(!stats->forceTurboCooling());
        },
        [localAI] { ejectEveryModel(localAI); },
    };
    for (int i = 0; i < 4; ++i) {
        m_cards[i] = new CoPilotAlertCard(CoPilotAlertCard::Content{}, actions[i]);
        m_cards[i]->hide();
        stack->addWidget(m_cards[i]);
    }
    column->addWidget(new CappedScrollArea(kAuditMaxHeight, cards));
    return panel;
}

QWidget* AICoPilotView::buildChatPanel()
{
    const UiColor accent = m_services.themeManager->currentTheme().accentColor();
    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new PlainLabel(QStringLiteral("ASK CO-PILOT A HARDWARE QUESTION"),
                                     Fonts::system(10, QFont::Bold), SystemColor::secondary));

    auto* messages = new QWidget;
    m_messageColumn = new QVBoxLayout(messages);
    m_messageColumn->setContentsMargins(0, 0, 0, 0);
    m_messageColumn->setSpacing(8);
    m_typingRow = new QWidget;
    auto* typing = new QHBoxLayout(m_typingRow);
    typing->setContentsMargins(0, 0, 0, 0);
    typing->setSpacing(8);
    m_typingSparkles = new SymbolView(QStringLiteral("sparkles"), accent, 10);
    m_typingSpinner = new Spinner(8);
    m_typingSpinner->setColor(accent);
    typing->addWidget(m_typingSparkles);
    typing->addWidget(m_typingSpinner);
    typing->addStretch(1);
    m_typingRow->hide();
    m_messageColumn->addWidget(m_typingRow);
    m_chatScroll = new CappedScrollArea(kChatMaxHeight, messages);
    QScrollBar* chatBar = m_chatScroll->verticalScrollBar();
    // Once a question is sent, the newest line stays in view as the area
    // grows, until the user scrolls it.
    connect(chatBar, &QScrollBar::rangeChanged, this, [this](int, int max) {
        if (m_followNewest)
            m_chatScroll->verticalScrollBar()->setValue(max);
    });
    connect(chatBar, &QAbstractSlider::actionTriggered, this, [this] { m_followNewest = false; });
    column->addWidget(m_chatScroll);

    auto* inputRow = new QHBoxLayout;
    inputRow->setSpacing(8);
    // A rounded, outlined field in the window's colours.
    auto* field = new CardFrame(UiColor(SystemColor::contrast).opacity(0.04), 6);
    field->setStroke(SystemColor::separator);
    auto* fieldLayout = new QHBoxLayout(field);
    fieldLayout->setContentsMargins(6, 3, 6, 3);
    m_input = new QLineEdit;
    m_input->setFrame(false);
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_input->setPalette(palette);
    m_input->setPlaceholderText(QStringLiteral("Query system logs, optimization tips, port checks..."));
    m_input->setFont(Fonts::system(12));
    fieldLayout->addWidget(m_input);
    inputRow->addWidget(field, 1);
    m_inputField = field;
    m_send = new AccentPillButton(QStringLiteral("paperplane.fill"), QString(), accent,
                                  AccentPillButton::Style::filled);
    m_send->setFont(Fonts::system(12));
    m_send->setPadding(8, 8);
    m_send->setCornerRadius(8);
    inputRow->addWidget(m_send);
    column->addLayout(inputRow);

    connect(m_input, &QLineEdit::returnPressed, this, &AICoPilotView::sendMessage);
    connect(m_send, &QAbstractButton::clicked, this, &AICoPilotView::sendMessage);
    return panel;
}

QList<CoPilotAlertCard*> AICoPilotView::shownCards() const
{
    QList<CoPilotAlertCard*> shown;
    for (CoPilotAlertCard* card : m_cards)
        if (!card->isHidden())
            shown << card;
    return shown;
}

void AICoPilotView::refreshNow() { refresh(); }

void AICoPilotView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void AICoPilotView::refresh()
{
    m_stale = false;
    const UiColor accent = m_services.themeManager->currentTheme().accentColor();
    const std::optional<CoPilotAlertCard::Content> contents[4] = {
        CoPilotAudit::buildCache(m_services.buildCache->derivedDataSize(), accent),
        CoPilotAudit::containers(!m_services.localAI->activeVectorDBs().isEmpty()),
        CoPilotAudit::thermal(m_services.stats->forceTurboCooling(), m_services.stats->socTemperature()),
        CoPilotAudit::modelWeights(m_services.localAI->activeModels(), m_services.localAI->demoMode()),
    };
    for (int i = 0; i < 4; ++i) {
        if (contents[i])
            m_cards[i]->setContent(*contents[i]);
        m_cards[i]->setVisible(bool(contents[i]));
    }
}

void AICoPilotView::applyTheme()
{
    const UiColor accent = m_services.themeManager->currentTheme().accentColor();
    m_auditCaption->setTextColor(accent);
    for (CoPilotMessageRow* row : std::as_const(m_rows))
        row->setTheme(m_services.themeManager->currentTheme());
    m_typingSparkles->setTint(accent);
    m_typingSpinner->setColor(accent);
    m_send->setColor(accent);
    refresh();
}

void AICoPilotView::sendMessage()
{
    // Only a field with no characters at all is ignored; spaces are sent.
    const QString query = m_input->text();
    if (query.isEmpty())
        return;
    m_input->clear();
    appendMessage(CoPilotMessageRow::kUserRole, query);
    setTyping(true);
    keepNewestInView();
    awaitAnswer(query);
}

QCoro::Task<> AICoPilotView::awaitAnswer(QString query)
{
    QPointer<AICoPilotView> self(this);
    QCoro::Task<QString> pending = m_services.chat(std::move(query), figuresOf(m_services.stats));
    const QString answer = co_await std::move(pending);
    if (!self)
        co_return;
    // Answers land in the order they arrive; the first one ends the typing
    // row even while another is still awaited.
    setTyping(false);
    // Followed into view unless the user has scrolled away meanwhile.
    appendMessage(CoPilotMessageRow::kCoPilotRole, answer);
}

void AICoPilotView::keepNewestInView()
{
    m_followNewest = true;
    m_chatScroll->verticalScrollBar()->setValue(m_chatScroll->verticalScrollBar()->maximum());
    if (!m_pageScroll) {
        for (QWidget* up = parentWidget(); up && !m_pageScroll; up = up->parentWidget())
            m_pageScroll = qobject_cast<QScrollArea*>(up);
        if (m_pageScroll)
            connect(m_pageScroll->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
                    [this] { m_keepInputShown = false; });
    }
    m_keepInputShown = bool(m_pageScroll);
    revealInputLater();
}

void AICoPilotView::revealInputLater()
{
    // Queued: the scroll area around the page learns the page's new height
    // only after the page has been laid out.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_keepInputShown || !m_pageScroll)
                return;
            m_pageScroll->ensureWidgetVisible(m_chatScroll, 0, 0);
            m_pageScroll->ensureWidgetVisible(m_inputField, 0, kInputClearance);
        },
        Qt::QueuedConnection);
}

void AICoPilotView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The chat grew and pushed the field down.
    if (m_keepInputShown)
        revealInputLater();
}

void AICoPilotView::appendMessage(const QString& role, const QString& text)
{
    m_messages.append({role, text});
    auto* row = new CoPilotMessageRow(role, text, m_services.themeManager->currentTheme());
    m_rows.append(row);
    // Rows go above the typing row, which always comes last.
    m_messageColumn->insertWidget(m_messageColumn->count() - 1, row);
}

void AICoPilotView::setTyping(bool typing)
{
    m_isTyping = typing;
    m_typingRow->setVisible(typing);
}

QCoro::Task<> AICoPilotView::pruneBuildCache(QPointer<BuildCacheService> buildCache)
{
    if (!buildCache)
        co_return;
    QCoro::Task<> purge = buildCache->purgeDerivedData();
    co_await std::move(purge);
}

QCoro::Task<> AICoPilotView::suspendContainers(QPointer<LocalAIService> localAI)
{
    if (!localAI)
        co_return;
    QCoro::Task<> stop = localAI->stopColimaVM();
    co_await std::move(stop);
    // Hidden until the next container scan lists them again.
    if (localAI)
        localAI->setActiveVectorDBs({});
}

QCoro::Task<> AICoPilotView::ejectEveryModel(QPointer<LocalAIService> localAI)
{
    if (!localAI)
        co_return;
    const QList<LocalAIModel> models = localAI->activeModels();
    if (models.isEmpty()) {
        // Demo mode without a loaded model: nothing to send to the server.
        localAI->setActiveModels({});
        localAI->setStatus(OllamaStatus::idle);
        co_return;
    }
    // The list as read now, one eject after another; a failed eject stops
    // none of the rest.
    for (const LocalAIModel& model : models) {
        if (!localAI)
            co_return;
        QCoro::Task<> eject = localAI->ejectModel(model.name);
        co_await std::move(eject);
    }
}

QScrollArea* AICoPilotView::messageArea() const { return m_chatScroll; }
