#pragma once

#include "widgets/CardFrame.h"

class PlainLabel;

// The cyan note shown above a process list while one of its processes is
// frozen: an info symbol and a sentence on how to resume it. It has no
// action of its own.
class SuspendedProcessBanner : public CardFrame {
    Q_OBJECT

public:
    static constexpr auto kText = "\u2744\ufe0f Suspended Processes: Paused helper processes are held in VRAM at 0% "
                                  "CPU. Click the green play icon to resume them.";

    explicit SuspendedProcessBanner(QWidget* parent = nullptr);

    QString text() const;

private:
    PlainLabel* m_text;
};
