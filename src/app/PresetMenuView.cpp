#include "app/PresetMenuView.h"

#include "core/ObservableObject.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SymbolIcon.h"

#include <algorithm>

PresetMenuView::PresetMenuView(PresetBinding presetManager, QWidget* parent)
    : QMenu(QString::fromLatin1(kTitle), parent), m_presetManager(std::move(presetManager)),
      m_coalescer(new RefreshCoalescer([this] { rebuild(); }, this))
{
    setToolTipsVisible(true);
    if (m_presetManager.announcer)
        m_coalescer->watch(m_presetManager.announcer, &ObservableObject::changed);
    rebuild();
}

QString PresetMenuView::subtitle(PerformancePreset preset)
{
    switch (preset) {
    case PerformancePreset::inferenceMax: return QStringLiteral("Optimize VRAM & Max Fans");
    case PerformancePreset::localTraining: return QStringLiteral("Sleep Overrides & Core Boosting");
    case PerformancePreset::compileMax: return QStringLiteral("Suspend Background Engines & Boost Build");
    case PerformancePreset::creativeMax: return QStringLiteral("Flush VRAM & Prioritize Renderers");
    case PerformancePreset::gameMode: return QStringLiteral("Suspend Heavy Processes & Spool Fans");
    case PerformancePreset::ecoDev: return QStringLiteral("Battery Saver & Pause Daemons");
    case PerformancePreset::vanillaMac: return QStringLiteral("Restore Defaults & Clean Helpers");
    }
    return {};
}

QString PresetMenuView::entryTitle(PerformancePreset preset)
{
    return preset.rawValue() + QStringLiteral(" (") + subtitle(preset) + u')';
}

QString PresetMenuView::literal(QString text) { return text.replace(u'&', QStringLiteral("&&")); }

void PresetMenuView::rebuild()
{
    clear();
    const PerformancePreset active = m_presetManager.activePreset ? m_presetManager.activePreset()
                                                                  : PerformancePreset(PerformancePreset::vanillaMac);
    const QIcon check = SymbolIcon::icon(QStringLiteral("checkmark"), palette().color(QPalette::WindowText), 16);
    int widest = 0; // the widest entry
    for (const PerformancePreset preset : PerformancePreset::allCases()) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(entryTitle(preset)));
        QAction* entry = addAction(literal(entryTitle(preset)));
        entry->setData(preset.rawValue());
        if (preset == active)
            entry->setIcon(check);
        connect(entry, &QAction::triggered, this, [this, preset] {
            if (m_presetManager.applyPreset)
                m_presetManager.applyPreset(preset);
        });
    }
    addSeparator();
    const QString status = m_presetManager.currentStatus ? m_presetManager.currentStatus() : QString();
    const QString battery = m_presetManager.batteryStatus ? m_presetManager.batteryStatus() : QString();
    // A status can be long (the commands to run by hand when no terminal
    // opens): the menu stays about as wide as its entries and the whole line
    // is the tooltip.
    const int room = widest * 3 / 2;
    const QString lines[] = {QStringLiteral("Active State: ") + status, QStringLiteral("Macbook Battery: ") + battery};
    for (const QString& line : lines) {
        QAction* shown = addAction(literal(fontMetrics().elidedText(line, Qt::ElideRight, room)));
        shown->setEnabled(false);
        if (fontMetrics().horizontalAdvance(line) > room)
            shown->setToolTip(line);
    }
}
