#include "telemetry/HIDMonitor.h"

#include "core/Print.h"

#include <array>

namespace {

const std::array<QString, 4> kFallbackNames = {QStringLiteral("tp09"), QStringLiteral("tp01"), QStringLiteral("tg05"),
                                               QStringLiteral("ta01")};

} // namespace

HIDMonitor::HIDMonitor() : HIDMonitor(std::make_unique<ThermalSensorReader>()) {}

HIDMonitor::HIDMonitor(std::unique_ptr<ThermalSensorReader> reader) : m_reader(std::move(reader)) {}

HIDMonitor::~HIDMonitor() = default;

std::optional<double> HIDMonitor::readTemperature(const QString& name)
{
    const auto& sensors = m_reader->sensors();
    if (!sensors) {
        if (!m_reportedMissing)
            kestrova::print(QStringLiteral("HIDMonitor: No thermal services found."));
        m_reportedMissing = true;
        return std::nullopt;
    }
    m_reportedMissing = false;

    const QString requested = name.toLower();
    for (qsizetype i = 0; i < sensors->size(); ++i) {
        const QString product = sensors->at(i).product.toLower();
        if (product.isEmpty())
            continue;
        auto tryCandidate = [&](const QString& candidate) -> std::optional<double> {
            if (!product.contains(candidate))
                return std::nullopt;
            const auto celsius = m_reader->readCelsius(i);
            return (celsius && *celsius > 0) ? celsius : std::nullopt;
        };
        if (const auto value = tryCandidate(requested))
            return value;
        for (const QString& fallback : kFallbackNames)
            if (const auto value = tryCandidate(fallback))
                return value;
    }
    return std::nullopt;
}
