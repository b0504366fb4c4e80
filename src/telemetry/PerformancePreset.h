#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

// The seven performance modes the preset engine applies.
class PerformancePreset {
public:
    enum Case { inferenceMax, localTraining, compileMax, creativeMax, gameMode, ecoDev, vanillaMac };

    constexpr PerformancePreset(Case value = vanillaMac) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    QString rawValue() const;
    QString id() const { return rawValue(); }
    QString icon() const;         // symbol name
    QString description() const;

    static std::optional<PerformancePreset> fromRaw(const QString& raw);
    static const std::array<PerformancePreset, 7>& allCases();

private:
    Case m_case;
};

inline size_t qHash(PerformancePreset preset, size_t seed = 0)
{
    return qHash(int(PerformancePreset::Case(preset)), seed);
}

Q_DECLARE_METATYPE(PerformancePreset)
