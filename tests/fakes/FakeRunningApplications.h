#pragma once

#include "platform/RunningApplications.h"

// A fixed list of running program names.
class FakeRunningApplications final : public RunningApplications {
public:
    QStringList names() override { return running; }

    QStringList running;
};
