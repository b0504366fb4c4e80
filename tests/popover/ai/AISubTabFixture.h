#pragma once

#include "fakes/InertLocalAIServices.h"
#include "support/InertServices.h"

#include <QWidget>

#include <memory>

// One sub-tab of the AI page, built on inert services and shown.
struct AISubTabFixture {
    template <typename Tab>
    std::unique_ptr<Tab> show(std::unique_ptr<Tab> tab)
    {
        tab->resize(320, 900);
        tab->show();
        return tab;
    }

    InertServices s;
    InertLocalAIServices ai;
};
