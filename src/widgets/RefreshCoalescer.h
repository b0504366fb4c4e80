#pragma once

#include <QObject>

#include <functional>

// Turns a burst of change signals into one refresh per event-loop turn: a
// view connects every signal it depends on to schedule() (or watch()) and
// redraws once, after the burst, instead of once per property.
//
// With a widget for parent, a refresh that falls due while that widget is out
// of sight in a window on screen (a page put aside, a tab not chosen) waits
// and runs as the widget is shown again, before it paints.
class RefreshCoalescer : public QObject {
    Q_OBJECT

public:
    explicit RefreshCoalescer(std::function<void()> refresh, QObject* parent = nullptr);

    template <typename Sender, typename Signal>
    void watch(const Sender* sender, Signal signal)
    {
        connect(sender, signal, this, &RefreshCoalescer::schedule);
    }

    bool isPending() const { return m_pending; }

public slots:
    // Queues one refresh unless one is already queued.
    void schedule();
    // Runs a queued refresh now (or a refresh if none is queued).
    void flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run();
    bool isOutOfSight() const;

    std::function<void()> m_refresh;
    bool m_pending = false;
    bool m_waitsForShow = false;
};
