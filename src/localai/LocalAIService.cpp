#include "localai/LocalAIService.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "platform/CommandRunner.h"
#include "platform/FileWorker.h"
#include "platform/ProcessSignaller.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>

LocalAIService::Deps::Deps()
    : clock(&Clock::system()),
      scheduler(&Scheduler::system()),
      commands(&CommandRunner::system()),
      signaller(&ProcessSignaller::system()),
      fileWorker(&FileWorker::shared()),
      paths(SystemPaths::live()),
      modelServerUrl(QStringLiteral("http://localhost:11434"))
{
}

LocalAIService& LocalAIService::shared()
{
    static auto* service = new LocalAIService(Deps(), true, QCoreApplication::instance());
    return *service;
}

LocalAIService::LocalAIService(bool autoStart, QObject* parent) : LocalAIService(Deps(), autoStart, parent) {}

LocalAIService::LocalAIService(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent),
      m_deps(std::move(deps)),
      m_network(new QNetworkAccessManager(this)),
      m_portScanner(std::make_shared<ListeningPortScanner>(m_deps.paths.procRoot))
{
    // The model server is on this machine: a configured HTTP proxy must not
    // see (or break) these requests.
    m_network->setProxy(QNetworkProxy::NoProxy);
    Q_UNUSED(autoStart); // polling starts here once the watcher's tick exists
}

LocalAIService::~LocalAIService() = default;
