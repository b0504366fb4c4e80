#pragma once

#include "telemetry/AIService.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class AccentPillButton;
class CappedScrollArea;
class BuildCacheService;
class CoPilotAlertCard;
class CoPilotMessageRow;
class LocalAIService;
class PlainLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;
class RefreshCoalescer;
class Spinner;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "AI Co-Pilot" page: an audit panel of up to four cards
// that turn live figures and service state into a warning with a one-click
// remedy, and a chat with the rule-based co-pilot. The conversation lives
// as long as the page; a new page starts again from the greeting.
class AICoPilotView : public QWidget {
    Q_OBJECT

public:
    // Answers one chat question from the figures it reads when it answers:
    // AIService::chatWithSystem in the application.
    using Chat = std::function<QCoro::Task<QString>(QString query, AIService::FiguresSource figures)>;

    struct Services {
        SystemStatsProvider* stats = nullptr;   // figures and the turbo switch
        Chat chat;                              // the co-pilot's answers
        LocalAIService* localAI = nullptr;      // models, demo mode, containers
        BuildCacheService* buildCache = nullptr; // the build-cache size and purge
        ThemeManager* themeManager = nullptr;
    };

    struct Message {
        QString role;
        QString text;
    };

    static const QString kGreeting;

    explicit AICoPilotView(Services services, QWidget* parent = nullptr);

    const QList<Message>& messages() const { return m_messages; }
    bool isTyping() const { return m_isTyping; }

    QLineEdit* inputField() const { return m_input; }
    AccentPillButton* sendButton() const { return m_send; }
    QWidget* typingRow() const { return m_typingRow; }
    // The scrolling area that holds the conversation.
    QScrollArea* messageArea() const;
    QList<CoPilotMessageRow*> messageRows() const { return m_rows; }
    // The audit cards on show, in panel order.
    QList<CoPilotAlertCard*> shownCards() const;
    CoPilotAlertCard* buildCacheCard() const { return m_cards[0]; }
    CoPilotAlertCard* containerCard() const { return m_cards[1]; }
    CoPilotAlertCard* thermalCard() const { return m_cards[2]; }
    CoPilotAlertCard* modelCard() const { return m_cards[3]; }

    // Works the cards out now instead of at the end of the event-loop turn.
    void refreshNow();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildAuditPanel();
    QWidget* buildChatPanel();
    void refresh();
    void applyTheme();

    void sendMessage();
    QCoro::Task<> awaitAnswer(QString query);
    void appendMessage(const QString& role, const QString& text);
    void setTyping(bool typing);
    // After a send: the newest line and the input field in view, in the
    // message area and in the dashboard's scrolling page, and kept there as
    // answers come until the user scrolls either.
    void keepNewestInView();
    void revealInputLater();

    // The remedies hold the services, never the page, so a chain that is
    // under way finishes after the page has gone.
    static QCoro::Task<> pruneBuildCache(QPointer<BuildCacheService> buildCache);
    static QCoro::Task<> suspendContainers(QPointer<LocalAIService> localAI);
    static QCoro::Task<> ejectEveryModel(QPointer<LocalAIService> localAI);

    Services m_services;
    RefreshCoalescer* m_coalescer;
    bool m_stale = false;

    QList<Message> m_messages;
    bool m_isTyping = false;

    PlainLabel* m_auditCaption = nullptr;
    CoPilotAlertCard* m_cards[4] = {};
    QVBoxLayout* m_messageColumn = nullptr;
    QList<CoPilotMessageRow*> m_rows;
    QWidget* m_typingRow = nullptr;
    SymbolView* m_typingSparkles = nullptr;
    Spinner* m_typingSpinner = nullptr;
    CappedScrollArea* m_chatScroll = nullptr;
    bool m_followNewest = false;
    QPointer<QScrollArea> m_pageScroll;
    bool m_keepInputShown = false;
    QWidget* m_inputField = nullptr;
    QLineEdit* m_input = nullptr;
    AccentPillButton* m_send = nullptr;
};
