#pragma once

#include "telemetry/ActiveConnection.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class ActionTipsView;
class KeyedRowList;
class NetworkCard;
class RefreshCoalescer;
class SystemStatsProvider;

// The dashboard's "Network" page: the download and upload rates, one row
// per established connection with its process, a privacy marker and a kill
// button, and the tips.
class NetworkPage : public QWidget {
    Q_OBJECT

public:
    explicit NetworkPage(SystemStatsProvider* stats, QWidget* parent = nullptr);

    // Remotes of known trackers get the warning eye (case as written).
    static bool isFlagged(const QString& remote);
    // No kill button for an empty pid, "0", "1" or this application.
    static bool offersKill(const QString& pid);

    NetworkCard* downloadCard() const { return m_download; }
    NetworkCard* uploadCard() const { return m_upload; }
    KeyedRowList* connectionList() const { return m_rows; }
    ActionTipsView* tips() const { return m_tips; }

    void refreshNow();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    QPointer<SystemStatsProvider> m_stats;
    std::shared_ptr<void> m_showingConnections; // while the page is visible
    RefreshCoalescer* m_coalescer;
    NetworkCard* m_download;
    NetworkCard* m_upload;
    KeyedRowList* m_rows;
    ActionTipsView* m_tips;
};
