#include "PresetShots.h"

#include "core/SettingsStore.h"
#include "dashboard/pages/PerformancePresetsView.h"
#include "platform/IdleSleepInhibitor.h"
#include "platform/PowerSource.h"
#include "platform/RunningApplications.h"
#include "platform/TerminalLauncher.h"
#include "telemetry/PresetManager.h"
#include "theme/ColorScheme.h"
#include "theme/ThemeManager.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

// Nothing is held, opened or read from the machine.
class Quiet final : public IdleSleepInhibitor, public TerminalLauncher, public PowerSource, public RunningApplications {
public:
    QCoro::Task<quint32> acquire(QString) override { co_return ++m_next; }
    void release(quint32) override {}
    bool open(const QStringList&) override { return true; }
    std::optional<BatteryInfo> battery() override { return BatteryInfo{82}; }
    QStringList names() override { return {QStringLiteral("ollama"), QStringLiteral("python3")}; }

private:
    quint32 m_next = 0;
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

bool writePresetScreenshots(const QString& directory)
{
    QTemporaryDir settingsDir;
    bool ok = true;
    int n = 0;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        for (const int state : {0, 1, 2}) { // fresh, applied, executing
            const bool applied = state > 0;
            SettingsStore settings(settingsDir.filePath(QStringLiteral("presets%1.ini").arg(n++)));
            ThemeManager themes(settings);
            themes.setCurrentTheme(theme);
            Quiet quiet;
            PresetManager manager({&quiet, &quiet, &quiet, &quiet});

            // The dashboard's content pane: its width less the sidebar.
            QWidget host;
            applyColorScheme(&host, theme.colorScheme(), theme.contentBackground().resolve(theme.colorScheme()));
            host.setFont(Fonts::style(TextStyle::body));
            host.setFixedWidth(730);
            auto* column = new QVBoxLayout(&host);
            column->setContentsMargins(0, 16, 0, 0);
            auto* page = new PerformancePresetsView(&manager, &themes);
            column->addWidget(page);
            host.show();
            settle();
            if (applied) {
                page->applyPreset(PerformancePreset::localTraining);
                page->applyPreset(PerformancePreset::ecoDev);
                settle();
            }
            if (state == 2)
                manager.setIsExecuting(true);
            host.adjustSize();
            settle();
            const QString file = QStringLiteral("%1/presets-%2-%3.png")
                                     .arg(directory, QStringList{QStringLiteral("fresh"), QStringLiteral("applied"), QStringLiteral("executing")}[state],
                                          theme.isLight() ? QStringLiteral("light") : QStringLiteral("standard"));
            ok = host.grab().save(file) && ok;
        }
    }
    return ok;
}
