#include "core/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

// QSettings' INI backend stores everything as text, so typed reads accept
// both native variants and their text forms, and anything else falls back.
std::optional<bool> toBool(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    const QString s = v.toString();
    if (s == QLatin1String("true"))
        return true;
    if (s == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<double> toDouble(const QVariant& v)
{
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().toDouble(&ok) : v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

} // namespace

SettingsStore& SettingsStore::shared()
{
    static SettingsStore* store = [] {
        QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrova"),
                        QStringLiteral("Kestrova"));
        return new SettingsStore(probe.fileName(), QCoreApplication::instance());
    }();
    return *store;
}

SettingsStore::SettingsStore(const QString& filePath, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_unreadable = m_settings->status() != QSettings::NoError;
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::readBool(const char* key, bool fallback) const
{
    if (m_unreadable)
        return fallback;
    const QVariant v = m_settings->value(QLatin1String(key));
    return v.isValid() ? toBool(v).value_or(fallback) : fallback;
}

double SettingsStore::readDouble(const char* key, double fallback) const
{
    return readOptionalDouble(key).value_or(fallback);
}

std::optional<double> SettingsStore::readOptionalDouble(const char* key) const
{
    if (m_unreadable)
        return std::nullopt;
    const QVariant v = m_settings->value(QLatin1String(key));
    return v.isValid() ? toDouble(v) : std::nullopt;
}

int SettingsStore::readInt(const char* key, int fallback) const
{
    if (m_unreadable)
        return fallback;
    const QVariant v = m_settings->value(QLatin1String(key));
    bool ok = false;
    const int i = v.toString().toInt(&ok);
    return ok ? i : fallback;
}

QString SettingsStore::readString(const char* key, const QString& fallback) const
{
    if (m_unreadable)
        return fallback;
    const QVariant v = m_settings->value(QLatin1String(key));
    return v.isValid() && v.canConvert<QString>() ? v.toString() : fallback;
}

void SettingsStore::write(const char* key, const QVariant& value)
{
    const QString k = QLatin1String(key);
    if (m_unreadable) {
        // The file could not be parsed: start afresh on the first write.
        m_settings->clear();
        m_unreadable = false;
    } else if (m_settings->contains(k) && m_settings->value(k).toString() == value.toString()) {
        return;
    }
    m_settings->setValue(k, value);
    m_settings->sync();
    emit changed(k);
}

bool SettingsStore::showFullProcessPath() const { return readBool(kShowFullProcessPath, false); }
void SettingsStore::setShowFullProcessPath(bool value) { write(kShowFullProcessPath, value); }
bool SettingsStore::advancedMode() const { return readBool(kAdvancedMode, false); }
void SettingsStore::setAdvancedMode(bool value) { write(kAdvancedMode, value); }
double SettingsStore::cpuAlertThreshold() const { return readDouble(kCpuAlertThreshold, 90.0); }
void SettingsStore::setCpuAlertThreshold(double value) { write(kCpuAlertThreshold, value); }
QString SettingsStore::workspacePersona() const
{
    return readString(kWorkspacePersona, QStringLiteral("AI Engineer"));
}
void SettingsStore::setWorkspacePersona(const QString& rawValue) { write(kWorkspacePersona, rawValue); }
bool SettingsStore::hasCompletedOnboardingTour() const { return readBool(kHasCompletedOnboardingTour, false); }
void SettingsStore::setHasCompletedOnboardingTour(bool value) { write(kHasCompletedOnboardingTour, value); }
bool SettingsStore::showOnboardingTour() const { return readBool(kShowOnboardingTour, false); }
void SettingsStore::setShowOnboardingTour(bool value) { write(kShowOnboardingTour, value); }
int SettingsStore::onboardingTourStep() const { return readInt(kOnboardingTourStep, 0); }
void SettingsStore::setOnboardingTourStep(int value) { write(kOnboardingTourStep, value); }
bool SettingsStore::smartPauseEnabled() const { return readBool(kSmartPauseEnabled, false); }
void SettingsStore::setSmartPauseEnabled(bool value) { write(kSmartPauseEnabled, value); }
QString SettingsStore::appTheme() const { return readString(kAppTheme, QStringLiteral("Standard")); }
void SettingsStore::setAppTheme(const QString& rawValue) { write(kAppTheme, rawValue); }
std::optional<double> SettingsStore::baselineCpuUsage() const { return readOptionalDouble(kBaselineCpuUsage); }
void SettingsStore::setBaselineCpuUsage(double value) { write(kBaselineCpuUsage, value); }
std::optional<double> SettingsStore::baselineTemp() const { return readOptionalDouble(kBaselineTemp); }
void SettingsStore::setBaselineTemp(double value) { write(kBaselineTemp, value); }

bool SettingsStore::contains(const QString& key) const
{
    return !m_unreadable && m_settings->contains(key);
}

void SettingsStore::remove(const QString& key)
{
    if (!contains(key))
        return;
    m_settings->remove(key);
    m_settings->sync();
    emit changed(key);
}
