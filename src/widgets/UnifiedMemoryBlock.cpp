#include "widgets/UnifiedMemoryBlock.h"

#include "core/Format.h"
#include "widgets/Fonts.h"
#include "widgets/LegendItemSmall.h"
#include "widgets/MemoryShareBar.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

UnifiedMemoryBlock::UnifiedMemoryBlock(const UiColor& accent, int spacing, QFont::Weight legendLabelWeight,
                                       QWidget* parent)
    : QWidget(parent), m_bar(new MemoryShareBar(accent)),
      m_system(new LegendItemSmall(SystemColor::blue, QStringLiteral("System"), QString(), legendLabelWeight)),
      m_ai(new LegendItemSmall(accent, QStringLiteral("AI VRAM"), QString(), legendLabelWeight)),
      m_free(new LegendItemSmall(UiColor(SystemColor::contrast).opacity(0.4), QStringLiteral("Free"), QString(),
                                 legendLabelWeight)),
      m_note(new PlainLabel)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);

    auto* caption = new PlainLabel(QStringLiteral("UNIFIED VRAM ALLOCATION"));
    caption->setFont(Fonts::system(9, QFont::Bold));
    caption->setTextColor(SystemColor::secondary);
    column->addWidget(caption);
    column->addWidget(m_bar);

    auto* legend = new QHBoxLayout;
    legend->setSpacing(0);
    legend->addWidget(m_system);
    legend->addStretch(1);
    legend->addWidget(m_ai);
    legend->addStretch(1);
    legend->addWidget(m_free);
    column->addLayout(legend);

    auto* note = new QHBoxLayout;
    note->setContentsMargins(0, 2, 0, 0);
    note->setSpacing(5);
    note->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), SystemColor::orange, 9));
    m_note->setFont(Fonts::system(9));
    m_note->setTextColor(SystemColor::secondary);
    note->addWidget(m_note);
    note->addStretch(1);
    column->addLayout(note);

    setFigures(0, 0, 0, 0);
}

void UnifiedMemoryBlock::setFigures(double memoryUsed, double memoryTotal, double aiVramUsed, double aiVramTotal)
{
    m_bar->setFigures(memoryUsed, memoryTotal, aiVramUsed);
    m_system->setValue(kestrova::format("%.1fG", std::max(0.0, memoryUsed - aiVramUsed)));
    m_ai->setValue(kestrova::format("%.1fG", aiVramUsed));
    m_free->setValue(kestrova::format("%.1fG", std::max(0.0, memoryTotal - memoryUsed)));
    m_note->setText(QStringLiteral("AI limits: Max safe local VRAM is ") + kestrova::format("%.1f GB", aiVramTotal));
}

void UnifiedMemoryBlock::setAccent(const UiColor& accent)
{
    m_bar->setAccent(accent);
    m_ai->setColor(accent);
}

QString UnifiedMemoryBlock::noteText() const { return m_note->text(); }
