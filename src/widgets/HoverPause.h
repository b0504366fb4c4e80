#pragma once

#include <QObject>
#include <QPointer>

class ProcessMonitor;
class QWidget;

// Holds the process monitor still (its isPaused) while the pointer is over
// a list that carries freeze buttons, so no row moves into the place of the
// one about to be clicked. Leaving the list, hiding it or deleting it lets
// the monitor go on. Lives as a child of the list.
class HoverPause final : public QObject {
    Q_OBJECT

public:
    HoverPause(QWidget* list, ProcessMonitor* monitor);
    ~HoverPause() override;

    bool isHolding() const { return m_holding; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hold(bool value);

    QPointer<ProcessMonitor> m_monitor;
    bool m_holding = false;
};
