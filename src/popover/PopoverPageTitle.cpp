#include "popover/PopoverPageTitle.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

QHBoxLayout* popoverPageTitle(const QString& symbol, const UiColor& color, const QString& title)
{
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(new SymbolView(symbol, color, 12));
    auto* label = new PlainLabel(title);
    label->setObjectName(QStringLiteral("pageTitle"));
    label->setFont(Fonts::system(10, QFont::Bold));
    label->setTextColor(color);
    line->addWidget(label);
    line->addStretch(1);
    return line;
}

void layOutTitleOnlyPage(QWidget* page, const QString& symbol, const UiColor& color, const QString& title)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(16);
    column->addLayout(popoverPageTitle(symbol, color, title));
    column->addStretch(1);
}
