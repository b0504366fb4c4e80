#include "dashboard/assistant/InfoBlock.h"

#include "dashboard/assistant/InfoRow.h"
#include "theme/ThemeManager.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

InfoBlock::InfoBlock(const QString& title, const QString& icon, ThemeManager* themeManager, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.015), 12, parent), m_title(title),
      m_themeManager(themeManager)
{
    setStroke(UiColor(SystemColor::contrast).opacity(0.04));
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(12, 12, 12, 12);
    m_column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    m_icon = new SymbolView(icon, m_themeManager->currentTheme().accentColor(), 13);
    header->addWidget(m_icon, 0, Qt::AlignTop);
    auto* titleLabel = new PlainLabel(title, Fonts::system(13, QFont::Bold, FontDesign::rounded), SystemColor::primary);
    titleLabel->setWordWrap(true);
    header->addWidget(titleLabel, 1);
    m_column->addLayout(header);

    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 0);
    rule->setFixedHeight(1);
    m_column->addWidget(rule);
    m_column->addStretch(1);

    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &InfoBlock::applyTheme);
}

InfoRow* InfoBlock::addRow(const QString& label)
{
    auto* row = new InfoRow(label);
    m_rows.append(row);
    // Rows go above the closing stretch, so short blocks keep them on top.
    m_column->insertWidget(m_column->count() - 1, row);
    return row;
}

void InfoBlock::applyTheme() { m_icon->setTint(m_themeManager->currentTheme().accentColor()); }
