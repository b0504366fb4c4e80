#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

// The user's kind of work; it picks the dashboard's sidebar pages and cache
// cards. Stored by raw value under "workspacePersona".
class WorkspacePersona {
public:
    enum Case { aiEngineer, developer, creator, gamer };

    constexpr WorkspacePersona(Case value = aiEngineer) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString icon() const;

    static std::optional<WorkspacePersona> fromRaw(const QString& raw);
    static const std::array<WorkspacePersona, 4>& allCases();

private:
    Case m_case;
};

inline size_t qHash(WorkspacePersona persona, size_t seed = 0)
{
    return qHash(int(WorkspacePersona::Case(persona)), seed);
}

Q_DECLARE_METATYPE(WorkspacePersona)
