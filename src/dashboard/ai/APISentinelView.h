#pragma once

#include "theme/SystemColor.h"

#include <QPointer>
#include <QWidget>

class CardFrame;
class ElidedLabel;
class KeyedRowList;
class LocalAIService;
class LocalAPILatencyService;
class LocalAPIProxyService;
class PlainLabel;
class RefreshCoalescer;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;
class ToggleSwitch;

// The dashboard's "API Sentinel" page: the switch of the local API proxy
// with its state and counters, and the local listening ports with their
// connect latency, each with a kill button (then a fresh measurement).
// The switch takes the proxy's state when the page appears and whenever the
// proxy reports a change; a proxy that fails to start leaves it on.
class APISentinelView : public QWidget {
    Q_OBJECT

public:
    static constexpr quint16 kProxyPort = 11430;
    static constexpr auto kKillHelp = "Instantly terminate the conflicting process to free up this port";
    static constexpr auto kFooter = "Native TCP proxy routing active. Auto-failsafe replies with JSON if Ollama is "
                                    "suspended to save battery.";

    struct Services {
        ThemeManager* themeManager = nullptr;
        LocalAIService* localAI = nullptr;
        LocalAPILatencyService* latency = nullptr;
        LocalAPIProxyService* proxy = nullptr;
        quint16 proxyPort = kProxyPort; // where the switch starts the proxy
    };

    APISentinelView(SystemStatsProvider* stats, Services services, QWidget* parent = nullptr);

    // The latency text and its colour: "%.1f ms" green below 5 ms, orange
    // from 5 ms; "Offline" in red for any status but "Online".
    static QString latencyText(const QString& status, double latencyMs);
    static SystemColor latencyColor(const QString& status, double latencyMs);

    ToggleSwitch* proxySwitch() const { return m_switch; }
    PlainLabel* statusLabel() const { return m_status; }
    QWidget* runningDetails() const { return m_details; }
    PlainLabel* requestCountLabel() const { return m_requests; }
    ElidedLabel* lastModelLabel() const { return m_lastModel; }
    CardFrame* emptyPortsBox() const { return m_empty; }
    KeyedRowList* portList() const { return m_ports; }

    void refreshNow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    CardFrame* buildProxyCard();
    CardFrame* buildPortCard();
    void switchChanged(bool on);
    void syncSwitch();
    void refresh();
    void refreshPorts();

    QPointer<LocalAIService> m_localAI;
    QPointer<LocalAPILatencyService> m_latency;
    QPointer<LocalAPIProxyService> m_proxy;
    ThemeManager* m_themeManager;
    quint16 m_proxyPort;
    RefreshCoalescer* m_coalescer;
    bool m_appeared = false;
    bool m_syncing = false;

    SymbolView* m_headerSymbol = nullptr;
    ToggleSwitch* m_switch = nullptr;
    PlainLabel* m_status = nullptr;
    QWidget* m_details = nullptr;
    PlainLabel* m_requests = nullptr;
    ElidedLabel* m_lastModel = nullptr;
    SymbolView* m_footerSymbol = nullptr;
    CardFrame* m_empty = nullptr;
    KeyedRowList* m_ports = nullptr;
};
