#include "popover/SampledTabPage.h"

#include "core/Random.h"
#include "core/SettingsStore.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/ShownRefreshCoalescer.h"

#include <QVBoxLayout>

SampledTabPage::SampledTabPage(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent,
                               Services services, const QStringList& settingKeys)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor),
      m_settings(services.settings ? services.settings : &SettingsStore::shared()),
      m_random(services.random ? services.random : &Random::shared()),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); })), m_column(new QVBoxLayout(this))
{
    Q_ASSERT(stats && processMonitor);
    m_column->setContentsMargins(0, 0, 0, 10);
    m_column->setSpacing(16);
    m_coalescer->watch(processMonitor, &ProcessMonitor::topProcessesChanged);
    connect(m_settings, &SettingsStore::changed, this, [this, settingKeys](const QString& key) {
        if (settingKeys.contains(key))
            m_coalescer->schedule();
    });
}

void SampledTabPage::refreshNow() { m_coalescer->flush(); }
