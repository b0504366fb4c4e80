#include "core/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

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

SettingsStore::~SettingsStore() { flush(); }

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
std::optional<double> SettingsStore::baselineCpuUsage() const
{
    return m_pendingBaselineCpuUsage ? m_pendingBaselineCpuUsage : readOptionalDouble(kBaselineCpuUsage);
}
void SettingsStore::setBaselineCpuUsage(double value) { hold(kBaselineCpuUsage, m_pendingBaselineCpuUsage, value); }
std::optional<double> SettingsStore::baselineTemp() const
{
    return m_pendingBaselineTemp ? m_pendingBaselineTemp : readOptionalDouble(kBaselineTemp);
}
void SettingsStore::setBaselineTemp(double value) { hold(kBaselineTemp, m_pendingBaselineTemp, value); }

// Rewriting (and fsyncing) the file every second for a figure that moves by
// a thousandth would cost milliseconds of main-thread time per tick.
void SettingsStore::hold(const char* key, std::optional<double>& pending, double value)
{
    const std::optional<double> current = pending ? pending : readOptionalDouble(key);
    if (current && *current == value)
        return;
    pending = value;
    if (!m_flushTimer) {
        m_flushTimer = new QTimer(this);
        m_flushTimer->setSingleShot(true);
        m_flushTimer->setInterval(kBaselineFlushMs);
        connect(m_flushTimer, &QTimer::timeout, this, &SettingsStore::flush);
    }
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
    emit changed(QLatin1String(key));
}

void SettingsStore::flush()
{
    if (!m_pendingBaselineCpuUsage && !m_pendingBaselineTemp)
        return;
    if (m_unreadable) {
        m_settings->clear();
        m_unreadable = false;
    }
    if (m_pendingBaselineCpuUsage)
        m_settings->setValue(QLatin1String(kBaselineCpuUsage), *m_pendingBaselineCpuUsage);
    if (m_pendingBaselineTemp)
        m_settings->setValue(QLatin1String(kBaselineTemp), *m_pendingBaselineTemp);
    m_pendingBaselineCpuUsage.reset();
    m_pendingBaselineTemp.reset();
    m_settings->sync();
}

bool SettingsStore::contains(const QString& key) const
{
    if ((key == QLatin1String(kBaselineCpuUsage) && m_pendingBaselineCpuUsage) ||
        (key == QLatin1String(kBaselineTemp) && m_pendingBaselineTemp))
        return true;
    return !m_unreadable && m_settings->contains(key);
}

void SettingsStore::remove(const QString& key)
{
    if (!contains(key))
        return;
    if (key == QLatin1String(kBaselineCpuUsage))
        m_pendingBaselineCpuUsage.reset();
    if (key == QLatin1String(kBaselineTemp))
        m_pendingBaselineTemp.reset();
    if (!m_unreadable && m_settings->contains(key)) {
        m_settings->remove(key);
        m_settings->sync();
    }
    emit changed(key);
}
