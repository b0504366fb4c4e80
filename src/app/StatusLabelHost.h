#pragma once

#include "app/MenuBarView.h"

#include <QObject>

class RefreshCoalescer;
class SystemStatsProvider;
class TrayItem;

// Hosts the status label in the status item: draws MenuBarView from the
// sampler's figures into the item's icon and tooltip, again whenever one of
// those figures changes (once per burst of changes).
class StatusLabelHost final : public QObject {
    Q_OBJECT

public:
    StatusLabelHost(SystemStatsProvider& stats, TrayItem& item, QObject* parent = nullptr);

    const MenuBarView& view() const { return m_view; }
    // How often the item's icon has been drawn.
    int renderCount() const { return m_renders; }

private:
    void refresh();

    SystemStatsProvider& m_stats;
    TrayItem& m_item;
    RefreshCoalescer* m_coalescer;
    MenuBarView m_view;
    int m_renders = 0;
};
