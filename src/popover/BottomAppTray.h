#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>

class NotificationCenter;
class QAbstractButton;
class ProcessMonitor;
class ProcessOpener;
class QHBoxLayout;
class SettingsStore;
class TabBarButton;
class TabSelection;
struct ProcessInfoData;

// The popover's foot: the five page buttons (CPU, network, disk, memory,
// AI) over the shared page selection, a button that opens the dashboard,
// and the icons of the five busiest processes, each of which opens its
// application.
class BottomAppTray : public QWidget {
    Q_OBJECT

public:
    static constexpr int kProcessCount = 5;

    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        SettingsStore* settings = nullptr;
        NotificationCenter* notifications = nullptr;
        ProcessOpener* opener = nullptr;
    };

    BottomAppTray(TabSelection* selectedTab, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    BottomAppTray(TabSelection* selectedTab, ProcessMonitor* processMonitor, QWidget* parent, Services services);
    ~BottomAppTray() override;

    QList<TabBarButton*> pageButtons() const { return m_pageButtons; }
    QAbstractButton* dashboardButton() const { return m_dashboardButton; }
    // The process buttons in display order; each is named "Open <name>".
    QList<QAbstractButton*> processButtons() const;

    // What a click on a process's icon does with the process's path: the
    // application bundle the program lies in, else the program file.
    static void open(const QString& fullPath, ProcessOpener& opener);

private:
    class ProcessButton;

    void refreshProcesses();

    QPointer<ProcessMonitor> m_processMonitor;
    NotificationCenter* m_notifications;
    ProcessOpener* m_opener;
    QList<TabBarButton*> m_pageButtons;
    QAbstractButton* m_dashboardButton;
    QHBoxLayout* m_processRow;
    QHash<qint32, ProcessButton*> m_processButtons; // by process id
    QList<qint32> m_processOrder;
};
