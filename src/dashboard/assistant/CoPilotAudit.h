#pragma once

#include "dashboard/assistant/CoPilotAlertCard.h"

#include <QList>

#include <optional>

struct LocalAIModel;

// The co-pilot's four audit rules: from the services' current values to the
// card each one shows, or nothing when its condition does not hold. Worked
// out afresh on every refresh; nothing is remembered.
class CoPilotAudit {
public:
    // Build cache: shown above 1 GiB, and also at exactly 0 bytes (with a
    // fixed stand-in figure).
    static std::optional<CoPilotAlertCard::Content> buildCache(qint64 derivedDataBytes, const UiColor& accent);
    static QString buildCacheSizeText(qint64 derivedDataBytes);
    // Containers: shown while any vector-database container is listed.
    static std::optional<CoPilotAlertCard::Content> containers(bool anyContainer);
    // Thermal: always shown, worded by the turbo switch.
    static CoPilotAlertCard::Content thermal(bool turboCooling, double socTemperature);
    static QString temperatureText(double socTemperature);
    // Model weights: shown while a model is loaded or demo mode is on.
    static std::optional<CoPilotAlertCard::Content> modelWeights(const QList<LocalAIModel>& models, bool demoMode);
};
