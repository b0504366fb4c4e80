#include "localai/LocalAIService.h"

#include <QCoreApplication>

LocalAIService& LocalAIService::shared()
{
    static auto* service = new LocalAIService(true, QCoreApplication::instance());
    return *service;
}

LocalAIService::LocalAIService(bool autoStart, QObject* parent) : ObservableObject(parent)
{
    Q_UNUSED(autoStart); // polling starts here once the watcher's tick exists
}

LocalAIService::~LocalAIService() = default;
