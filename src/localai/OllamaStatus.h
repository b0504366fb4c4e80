#pragma once

#include "core/RawEnum.h"

// The model server's state.
class OllamaStatus : public RawEnum<OllamaStatus, 3> {
public:
    enum Case { offline, idle, active };

    constexpr OllamaStatus(Case value = offline) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    static const char* rawText(Case value)
    {
        static constexpr const char* texts[] = {"Offline", "Idle", "Active"};
        return texts[value];
    }

private:
    Case m_case;
};
