#include "dashboard/assistant/CoPilotAudit.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "localai/LocalAIModel.h"

namespace {

// Stand-ins for the figures the cards quote when there is nothing to quote.
const QString kEmptyCacheSizeText = QStringLiteral("4.82 GB");
constexpr int kUnreadTemperature = 74;
const QString kDemoModelName = QStringLiteral("deepseek-r1:7b");

double gibibytes(qint64 bytes)
{
    constexpr double perKiB = 1.0 / 1024;
    return double(bytes) * perKiB * perKiB * perKiB;
}

} // namespace

QString CoPilotAudit::buildCacheSizeText(qint64 derivedDataBytes)
{
    const double size = gibibytes(derivedDataBytes);
    return size > 0 ? kestrova::format("%.2f GB", size) : kEmptyCacheSizeText;
}

std::optional<CoPilotAlertCard::Content> CoPilotAudit::buildCache(qint64 derivedDataBytes, const UiColor& accent)
{
    if (derivedDataBytes != 0 && !(gibibytes(derivedDataBytes) > 1.0))
        return std::nullopt;
    return CoPilotAlertCard::Content{
        QStringLiteral("folder.fill.badge.minus"), QStringLiteral("Xcode Build Cache Bloated"),
        QStringLiteral("Your Xcode DerivedData folder is consuming ") + buildCacheSizeText(derivedDataBytes)
            + QStringLiteral(" of SSD space. Reclaim it safely; Xcode will rebuild it on your next build."),
        QStringLiteral("Prune Build Cache"), accent};
}

std::optional<CoPilotAlertCard::Content> CoPilotAudit::containers(bool anyContainer)
{
    if (!anyContainer)
        return std::nullopt;
    return CoPilotAlertCard::Content{
        QStringLiteral("cpu.fill"), QStringLiteral("Active Container Hypervisors"),
        QStringLiteral("Background virtualization hypervisors (Docker/Colima) are active and allocating system "
                       "registers. Suspend them to free up power."),
        QStringLiteral("Suspend Colima VM"), SystemColor::blue};
}

QString CoPilotAudit::temperatureText(double socTemperature)
{
    // No reading (0, negative or not a number) quotes the stand-in.
    if (!(socTemperature > 0))
        return QString::number(kUnreadTemperature);
    return QString::number(kestrova::safeTrunc(socTemperature));
}

CoPilotAlertCard::Content CoPilotAudit::thermal(bool turboCooling, double socTemperature)
{
    if (turboCooling)
        return {QStringLiteral("fanblades.fill"), QStringLiteral("Turbo Cooling Activated"),
                QStringLiteral("Fans are forced to 100% velocity. System is running at optimum cold temperature."),
                QStringLiteral("Deactivate Turbo"), SystemColor::red};
    return {QStringLiteral("fanblades.fill"), QStringLiteral("High Telemetry Temperature"),
            QStringLiteral("Mac SoC temperature is operating at ") + temperatureText(socTemperature)
                + QStringLiteral("\u00B0C. Engage turbo cooling to prevent thermal throttling."),
            QStringLiteral("Prime Turbo Fans"), SystemColor::yellow};
}

std::optional<CoPilotAlertCard::Content> CoPilotAudit::modelWeights(const QList<LocalAIModel>& models, bool demoMode)
{
    if (models.isEmpty() && !demoMode)
        return std::nullopt;
    const QString name = models.isEmpty() ? kDemoModelName : oneLineText(models.first().name);
    return CoPilotAlertCard::Content{
        QStringLiteral("brain.head.profile"), QStringLiteral("Local AI Weights Loaded"),
        QStringLiteral("Local AI model '") + name
            + QStringLiteral("' is occupying active GPU VRAM. Eject it instantly to release memory pages back to "
                             "system applications."),
        QStringLiteral("Eject AI Model"), SystemColor::pink};
}
