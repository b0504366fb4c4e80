#include "localai/LocalAIServiceState.h"

#include "localai/LocalAIService.h"

LocalAIServiceState::LocalAIServiceState(Lookup lookup) : m_lookup(std::move(lookup)) {}

QList<qint64> LocalAIServiceState::loadedModelSizes() const
{
    QList<qint64> sizes;
    for (const LocalAIModel& model : m_lookup().activeModels())
        sizes.append(model.size);
    return sizes;
}

bool LocalAIServiceState::buildTurboEnabled() const { return m_lookup().buildTurboEnabled(); }

bool LocalAIServiceState::demoMode() const { return m_lookup().demoMode(); }
