#include "widgets/EmptyStateCard.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QVBoxLayout>

EmptyStateCard::EmptyStateCard(const QString& symbolName, const QString& text, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.02), 8, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 20, 0, 20);
    column->setSpacing(6);
    column->addWidget(new SymbolView(symbolName, UiColor(SystemColor::secondary).opacity(0.5),
                                     Fonts::size(TextStyle::title3)),
                      0, Qt::AlignHCenter);
    column->addWidget(new PlainLabel(text, Fonts::system(11), SystemColor::secondary), 0, Qt::AlignHCenter);
}
