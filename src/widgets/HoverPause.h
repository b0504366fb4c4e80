#pragma once

#include <QHash>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class ProcessMonitor;
class QWidget;

// Holds the process monitor's order (its isPaused) while the pointer is over
// a list that carries freeze buttons, so no row moves into the place of the
// one about to be clicked, and while a bubble opened from one of its rows is
// open (the bubble takes the pointer, which leaves the list). Leaving the
// list, hiding it or deleting it lets the order go on once no bubble holds
// it. Lives as a child of the list.
class HoverPause final : public QObject {
    Q_OBJECT

public:
    HoverPause(QWidget* list, ProcessMonitor* monitor);
    ~HoverPause() override;

    bool isHolding() const { return m_holding; }

    // Called by a row inside a list when its bubble opens or closes: the
    // nearest list above `row` that has a HoverPause stays held while open.
    static void holdWhileOpen(QWidget* row, bool open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setOpen(QObject* row, bool open);
    void applyHold();

    QPointer<ProcessMonitor> m_monitor;
    bool m_hovered = false;
    QHash<QObject*, QMetaObject::Connection> m_open; // rows whose bubble is open
    bool m_holding = false;
};
