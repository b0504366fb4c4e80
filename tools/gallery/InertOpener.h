#pragma once

#include "platform/ProcessOpener.h"

// Clicks in the gallery open nothing.
class InertOpener final : public ProcessOpener {
public:
    void openApplication(const QString&) override {}
    void openFile(const QString&) override {}
};
