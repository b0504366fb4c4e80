#pragma once

#include "core/RawEnum.h"

#include <QMetaType>

// The seven performance modes the preset engine applies.
class PerformancePreset : public RawEnum<PerformancePreset, 7> {
public:
    enum Case { inferenceMax, localTraining, compileMax, creativeMax, gameMode, ecoDev, vanillaMac };

    constexpr PerformancePreset(Case value = vanillaMac) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    QString icon() const;         // symbol name
    QString description() const;

    static const char* rawText(Case value);

private:
    Case m_case;
};

Q_DECLARE_METATYPE(PerformancePreset)
