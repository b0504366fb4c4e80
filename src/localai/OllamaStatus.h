#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

// The model server's state.
class OllamaStatus {
public:
    enum Case { offline, idle, active };

    constexpr OllamaStatus(Case value = offline) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    QString rawValue() const
    {
        switch (m_case) {
        case offline: return QStringLiteral("Offline");
        case idle: return QStringLiteral("Idle");
        case active: return QStringLiteral("Active");
        }
        return {};
    }

    static std::optional<OllamaStatus> fromRaw(const QString& raw)
    {
        for (Case c : {offline, idle, active})
            if (OllamaStatus(c).rawValue() == raw)
                return OllamaStatus(c);
        return std::nullopt;
    }

private:
    Case m_case;
};

inline size_t qHash(OllamaStatus status, size_t seed = 0)
{
    return qHash(int(OllamaStatus::Case(status)), seed);
}
