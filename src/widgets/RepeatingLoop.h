#pragma once

#include <QElapsedTimer>
#include <QObject>

class QTimer;

// A repeating animation of a small view: a phase that runs from 0 to 1 over
// `periodMs`, then either back (a breath) or round again (a spin). It ticks
// only while it is on and its view is shown, and calls `frame()` so the view
// repaints what moves. With animations switched off it never ticks and rests
// at its end, 1.
//
// It ticks on the kit's ten-frames-a-second beat, the interval of the other
// slow animations, so that whatever moves in a window repaints in one pass;
// and its phase only takes the values of whole frames, so that a view can
// keep each look it draws as a sprite.
class RepeatingLoop : public QObject {
    Q_OBJECT

public:
    static constexpr int kFrameMs = 100;

    RepeatingLoop(int periodMs, bool reverses, QObject* parent = nullptr);

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
