#include "telemetry/LocalAIServiceState.h"

#include "localai/LocalAIService.h"

LocalAIServiceState::LocalAIServiceState(Lookup lookup) : m_lookup(std::move(lookup)) {}

QList<LocalAIModel> LocalAIServiceState::activeModels() const { return m_lookup().activeModels(); }

bool LocalAIServiceState::buildTurboEnabled() const { return m_lookup().buildTurboEnabled(); }

bool LocalAIServiceState::demoMode() const { return m_lookup().demoMode(); }
