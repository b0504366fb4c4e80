#pragma once

#include "theme/UiColor.h"

#include <QHBoxLayout>

class SymbolView;

// The first row of the dashboard's AI pages: a 14-point symbol and a bold
// capitalised caption, then a stretch; a page may add a badge at the end.
class AIPageHeader : public QHBoxLayout {
public:
    AIPageHeader(const QString& symbol, const UiColor& tint, const QString& caption);

    SymbolView* symbol() const { return m_symbol; }

private:
    SymbolView* m_symbol;
};
