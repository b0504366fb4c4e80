#pragma once

#include "core/ObservableObject.h"
#include "localai/ProxySettings.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

class ProxyWorker;

// A switchable TCP relay in front of the local model server: clients of the
// proxy port are relayed byte for byte to the server, counted, and the model
// named in each connection's first bytes is shown. When the server cannot be
// reached a client gets a fixed HTTP 503 answer instead of a bare error.
//
// The sockets live on one relay thread (started with the first start); the
// three observable properties change on the main thread only, through calls
// queued from that thread in the order they happened.
class LocalAPIProxyService final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning WRITE setIsRunning NOTIFY isRunningChanged)
    Q_PROPERTY(qint64 requestCount READ requestCount WRITE setRequestCount NOTIFY requestCountChanged)
    Q_PROPERTY(QString lastRoutedModel READ lastRoutedModel WRITE setLastRoutedModel NOTIFY lastRoutedModelChanged)

public:
    // The process-wide instance. Creating it starts nothing; its relay
    // thread is stopped and joined when the application quits.
    static LocalAPIProxyService& shared();

    explicit LocalAPIProxyService(ProxySettings settings = {}, QObject* parent = nullptr);
    ~LocalAPIProxyService() override;

    bool isRunning() const { return m_isRunning; }
    void setIsRunning(bool value) { assign(m_isRunning, value, &LocalAPIProxyService::isRunningChanged); }
    qint64 requestCount() const { return m_requestCount; }
    void setRequestCount(qint64 value) { assign(m_requestCount, value, &LocalAPIProxyService::requestCountChanged); }
    const QString& lastRoutedModel() const { return m_lastRoutedModel; }
    void setLastRoutedModel(const QString& value)
    {
        assign(m_lastRoutedModel, value, &LocalAPIProxyService::lastRoutedModelChanged);
    }

    // Listens on `port` on the loopback addresses. Nothing happens while
    // running or while a listener is still starting. Returns at once;
    // isRunning turns true when the listener is ready.
    void startProxy(quint16 port);
    // Stops accepting; pairs in progress run to their end. The count stays,
    // the model label reads "None". Nothing happens unless running.
    void stopProxy();
    // Stops and joins the relay thread, closing every socket (at quit).
    // The proxy cannot be started again afterwards.
    void shutdown();

signals:
    void isRunningChanged();
    void requestCountChanged();
    void lastRoutedModelChanged();

private:
    void ensureWorker();
    void onListening(std::uint64_t listener);
    void onListenerGone(std::uint64_t listener);
    void takeAcceptedConnections();

    const ProxySettings m_settings;
    bool m_isRunning = false;
    qint64 m_requestCount = 0;
    QString m_lastRoutedModel = QStringLiteral("None");

    std::unique_ptr<ProxyWorker> m_worker;
    std::uint64_t m_listener = 0; // the latest listener asked for, 0: none
    std::uint64_t m_lastListenerId = 0;
    bool m_starting = false;
    bool m_shutDown = false;
    // Accepted connections not yet added to requestCount. A flood posts one
    // main-thread call per batch instead of one per connection.
    std::atomic<qint64> m_unreportedAccepts{0};
};
