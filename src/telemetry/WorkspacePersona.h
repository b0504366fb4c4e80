#pragma once

#include "core/RawEnum.h"

#include <QMetaType>

// The user's kind of work; it picks the dashboard's sidebar pages and cache
// cards. Stored by raw value under "workspacePersona".
class WorkspacePersona : public RawEnum<WorkspacePersona, 4> {
public:
    enum Case { aiEngineer, developer, creator, gamer };

    constexpr WorkspacePersona(Case value = aiEngineer) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    QString icon() const;

    static const char* rawText(Case value);

private:
    Case m_case;
};

Q_DECLARE_METATYPE(WorkspacePersona)
