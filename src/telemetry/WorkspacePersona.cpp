#include "telemetry/WorkspacePersona.h"

namespace {

struct PersonaText {
    const char* raw;
    const char* icon;
};

constexpr PersonaText kTexts[] = {
    {"AI Engineer", "sparkles"},
    {"Software Developer", "terminal"},
    {"Content Creator", "play.rectangle"},
    {"Gamer", "gamecontroller"},
};

} // namespace

QString WorkspacePersona::rawValue() const { return QString::fromUtf8(kTexts[m_case].raw); }
QString WorkspacePersona::icon() const { return QString::fromUtf8(kTexts[m_case].icon); }

std::optional<WorkspacePersona> WorkspacePersona::fromRaw(const QString& raw)
{
    for (WorkspacePersona persona : allCases())
        if (persona.rawValue() == raw)
            return persona;
    return std::nullopt;
}

const std::array<WorkspacePersona, 4>& WorkspacePersona::allCases()
{
    static const std::array<WorkspacePersona, 4> cases = {aiEngineer, developer, creator, gamer};
    return cases;
}
