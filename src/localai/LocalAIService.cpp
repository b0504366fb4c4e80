#include "localai/LocalAIService.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "platform/CommandRunner.h"
#include "platform/FileWorker.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/TreeSizeCache.h"

#include <QCoreApplication>

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

LocalAIService::LocalAIService(bool autoStart, QObject* parent) : LocalAIService(Deps(), autoStart, parent) {}

LocalAIService::LocalAIService(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent),
      m_deps(std::move(deps)),
      m_portScanner(std::make_shared<ListeningPortScanner>(m_deps.paths.procRoot)),
      m_modelSizes(std::make_shared<TreeSizeCache>()),
      // Consulted only while a build runs: no descriptors are kept open.
      m_processTable(std::make_shared<ProcessTable>(m_deps.paths.procRoot, 0))
{
    // A model server left stopped, or a container left paused, after we are
    // gone has nobody to give it back. (SIGTERM and SIGINT are routed to
    // quit(), so they come here too.)
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &LocalAIService::resumeSuspendedProcesses);
        connect(app, &QCoreApplication::aboutToQuit, this, &LocalAIService::giveBackContainers);
    }
    if (autoStart)
        startPolling();
}

LocalAIService::~LocalAIService()
{
    resumeSuspendedProcesses();
    giveBackContainers();
}
