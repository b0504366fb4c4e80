#pragma once

#include <QPointer>
#include <QWidget>

class AccentPillButton;
class CardFrame;
class KeyedRowList;
class LocalAIService;
class LocalAPILatencyService;
class PlainLabel;
class RefreshCoalescer;
class SymbolView;
class ThemeManager;

// The AI page's local servers, four sections: listening ports with a kill
// button each, vector-database containers with "Hibernate", helper
// processes left behind by closed IDEs with one purge button, and the
// connect latency of each listening port. It mirrors the local-AI and
// latency services' lists and hands each click to the service.
class ServersSubTab : public QWidget {
    Q_OBJECT

public:
    static constexpr auto kKillHelp =
        "Instantly terminate (kill -9) the conflicting process running on this port to free it up.";

    ServersSubTab(LocalAIService* localAI, LocalAPILatencyService* latency, ThemeManager* themeManager,
                  QWidget* parent = nullptr);

    // The latency pill's text: "%.2f ms" when Online, else "Offline".
    static QString latencyText(const QString& status, double latencyMs);

    PlainLabel* portCount() const { return m_portCount; }
    PlainLabel* portsEmpty() const { return m_portsEmpty; }
    KeyedRowList* portList() const { return m_ports; }
    PlainLabel* databaseCount() const { return m_dbCount; }
    PlainLabel* databasesEmpty() const { return m_dbEmpty; }
    KeyedRowList* databaseList() const { return m_dbs; }
    CardFrame* companionCard() const { return m_companionCard; }
    QWidget* companionsEmpty() const { return m_companionsEmpty; }
    KeyedRowList* companionList() const { return m_companions; }
    AccentPillButton* purgeButton() const { return m_purge; }
    PlainLabel* latencyEmpty() const { return m_latencyEmpty; }
    KeyedRowList* latencyList() const { return m_latencies; }

    void refreshNow();

private:
    QWidget* buildPorts();
    QWidget* buildDatabases();
    QWidget* buildCompanions();
    QWidget* buildLatencies();
    void refresh();
    void refreshPorts();
    void refreshDatabases();
    void refreshCompanions();
    void refreshLatencies();

    QPointer<LocalAIService> m_localAI;
    QPointer<LocalAPILatencyService> m_latency;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;

    PlainLabel* m_portCount = nullptr;
    PlainLabel* m_portsEmpty = nullptr;
    KeyedRowList* m_ports = nullptr;
    PlainLabel* m_dbCount = nullptr;
    PlainLabel* m_dbEmpty = nullptr;
    KeyedRowList* m_dbs = nullptr;
    CardFrame* m_companionCard = nullptr;
    QWidget* m_companionsEmpty = nullptr;
    QWidget* m_companionsShown = nullptr;
    KeyedRowList* m_companions = nullptr;
    AccentPillButton* m_purge = nullptr;
    SymbolView* m_latencySymbol = nullptr;
    PlainLabel* m_latencyEmpty = nullptr;
    KeyedRowList* m_latencies = nullptr;
};
