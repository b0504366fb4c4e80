#include "localai/LocalAPIProxyService.h"

#include "core/Print.h"
#include "localai/ProxyWorker.h"


LocalAPIProxyService::LocalAPIProxyService(ProxySettings settings, QObject* parent)
    : ObservableObject(parent), m_settings(std::move(settings))
{
}

LocalAPIProxyService::~LocalAPIProxyService()
{
    shutdown();
}

void LocalAPIProxyService::startProxy(quint16 port)
{
    // A listener still starting counts as started: a second one on another
    // port would otherwise be left accepting with nothing to stop it.
    if (m_isRunning || m_starting || m_shutDown)
        return;
    ensureWorker();
    m_listener = ++m_lastListenerId;
    m_starting = true;
    m_worker->listen(m_listener, port);
}

void LocalAPIProxyService::stopProxy()
{
    if (!m_isRunning)
        return;
    if (m_listener != 0 && m_worker)
        m_worker->cancel(m_listener);
    m_listener = 0;
    setIsRunning(false);
    setLastRoutedModel(QStringLiteral("None"));
    kestrova::print(QStringLiteral("🛑 Local API Proxy stopped"));
}

void LocalAPIProxyService::shutdown()
{
    m_shutDown = true;
    if (!m_worker)
        return;
    m_worker->stopAndJoin();
    m_worker.reset();
    m_listener = 0;
    m_starting = false;
    setIsRunning(false);
}

void LocalAPIProxyService::ensureWorker()
{
    if (m_worker)
        return;
    // Called on the relay thread; each hands its news to the main thread.
    ProxyWorker::Events events;
    events.listening = [this](std::uint64_t listener) {
        QMetaObject::invokeMethod(this, [this, listener] { onListening(listener); }, Qt::QueuedConnection);
    };
    events.listenerGone = [this](std::uint64_t listener) {
        QMetaObject::invokeMethod(this, [this, listener] { onListenerGone(listener); }, Qt::QueuedConnection);
    };
    events.accepted = [this] {
        if (m_unreportedAccepts.fetch_add(1, std::memory_order_acq_rel) == 0)
            QMetaObject::invokeMethod(this, [this] { takeAcceptedConnections(); }, Qt::QueuedConnection);
    };
    events.modelRouted = [this](const QString& model) {
        QMetaObject::invokeMethod(this, [this, model] { setLastRoutedModel(model); }, Qt::QueuedConnection);
    };
    m_worker = std::make_unique<ProxyWorker>(m_settings, std::move(events));
    m_worker->start();
}

void LocalAPIProxyService::onListening(std::uint64_t listener)
{
    if (listener != m_listener)
        return;
    m_starting = false;
    setIsRunning(true);
}

void LocalAPIProxyService::onListenerGone(std::uint64_t listener)
{
    if (listener != m_listener)
        return;
    // A bind failure while starting leaves the service stopped; a listener
    // that fails while running stops the service.
    m_starting = false;
    m_listener = 0;
    stopProxy();
}

void LocalAPIProxyService::takeAcceptedConnections()
{
    setRequestCount(m_requestCount + m_unreportedAccepts.exchange(0, std::memory_order_acq_rel));
}
