#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// A repeating animation of the tour's small views: a phase that runs from 0
// to 1 over `periodMs`, then either back (a breath) or round again (a spin).
// It ticks only while it is on and its view is shown, at `frameMs` a frame,
// and calls `frame()` so the view repaints its own rect. With animations
// switched off it never ticks and rests at its end, 1.
class TourLoop : public QObject {
    Q_OBJECT

public:
    // 20 frames a second: enough for a 0.6 s breath of a small symbol and
    // for a one-second turn of an 8-point one.
    static constexpr int kFrameMs = 50;

    TourLoop(int periodMs, bool reverses, QObject* parent = nullptr);

    // The loop's own switch ("pulsate"); turning it on starts from 0.
    void setOn(bool on);
    bool isOn() const { return m_on; }
    // Whether the view is on screen.
    void setShown(bool shown);
    bool isTicking() const;

    // 0..1; 0 while off. A breath eases in and out; a spin is linear.
    double value() const;

signals:
    void frame();

private:
    void sync();

    int m_periodMs;
    bool m_reverses;
    bool m_on = false;
    bool m_shown = false;
    QTimer* m_timer;
    QElapsedTimer m_clock;
    qint64 m_offsetMs = 0;
};
