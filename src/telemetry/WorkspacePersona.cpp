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

const char* WorkspacePersona::rawText(Case value) { return kTexts[value].raw; }
QString WorkspacePersona::icon() const { return QString::fromUtf8(kTexts[m_case].icon); }
