#pragma once

#include "theme/UiColor.h"

#include <QElapsedTimer>
#include <QWidget>

class QTimer;

// The Neural Engine's pulse: a symbol on a 38-point disc in the accent. The
// disc is faint at its resting size while the load is at most 1 % and
// brighter and 1.2 times larger above that. When the load crosses that line
// the disc starts to breathe between the two looks, a second each way, and
// keeps doing so.
class PulseBadge : public QWidget {
    Q_OBJECT

public:
    PulseBadge(const QString& symbol, const UiColor& accent, QWidget* parent = nullptr);

    static constexpr int kDisc = 38;
    static constexpr double kBusyAbove = 1.0;

    void setLoad(double percent);
    void setAccent(const UiColor& accent);

    bool isBusy() const { return m_busy; }
    // The look the disc settles on for the current load.
    double targetScale() const { return m_busy ? 1.2 : 1.0; }
    double targetOpacity() const { return m_busy ? 0.2 : 0.05; }
    // Breathing now (not while off screen).
    bool isPulsing() const;

    // A breath is slow: this many frames a second draw it smoothly.
    static constexpr int kFramesPerSecond = 10;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startBreathing();
    void stopBreathing();
    void nextFrame();

    QString m_symbol;
    UiColor m_accent;
    bool m_busy = false;
    bool m_hasLoad = false;
    // The disc moves between two looks; phase 1 is the current target.
    double m_fromScale = 1.0;
    double m_fromOpacity = 0.05;
    double m_phase = 1.0;
    // Frames come only while the disc breathes and is on screen; the time
    // already breathed survives a hide, so the breath resumes where it was.
    bool m_breathing = false;
    qint64 m_breathedMs = 0;
    QElapsedTimer m_sinceShown;
    QTimer* m_frames;
};
