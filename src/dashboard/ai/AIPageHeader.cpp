#include "dashboard/ai/AIPageHeader.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

AIPageHeader::AIPageHeader(const QString& symbol, const UiColor& tint, const QString& caption)
    : m_symbol(new SymbolView(symbol, tint, 14))
{
    setSpacing(8);
    addWidget(m_symbol);
    addWidget(new PlainLabel(caption, Fonts::system(11, QFont::Bold), SystemColor::primary));
    addStretch(1);
}
