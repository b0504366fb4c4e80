#pragma once

#include "fakes/FakeModelServer.h"
#include "fakes/InertLocalAIServices.h"
#include "support/TaskRunner.h"

// The local-AI services of a page, with demo mode off and a loopback model
// server whose answers the service reads on demand, as its tick would.
struct ServedModelList {
    ServedModelList() { ai.localAI->setDemoMode(false); }

    // The server answers `body`; true once the service has read it.
    bool serve(QByteArray body)
    {
        server.answerPs(200, std::move(body));
        return runTask(ai.localAI->updateModels());
    }

    FakeModelServer server;
    InertLocalAIServices ai{server.baseUrl()};
};
