#pragma once

#include "theme/UiColor.h"

#include <QFont>
#include <QWidget>

class LegendItemSmall;
class MemoryShareBar;
class PlainLabel;

// Unified memory split into system, AI and free: a caption, the share bar,
// a three-entry legend and the note on the safe AI limit. It draws no
// background, so the dashboard can put it on a card and the popover on its
// page. Sizes in GB.
class UnifiedMemoryBlock : public QWidget {
    Q_OBJECT

public:
    // `spacing` between the rows; `legendLabelWeight` for the legend labels.
    UnifiedMemoryBlock(const UiColor& accent, int spacing, QFont::Weight legendLabelWeight = QFont::Normal,
                       QWidget* parent = nullptr);

    void setFigures(double memoryUsed, double memoryTotal, double aiVramUsed, double aiVramTotal);
    void setAccent(const UiColor& accent);

    MemoryShareBar* bar() const { return m_bar; }
    // System, AI VRAM and Free, in that order.
    QList<LegendItemSmall*> legend() const { return {m_system, m_ai, m_free}; }
    QString noteText() const;

private:
    MemoryShareBar* m_bar;
    LegendItemSmall* m_system;
    LegendItemSmall* m_ai;
    LegendItemSmall* m_free;
    PlainLabel* m_note;
};
