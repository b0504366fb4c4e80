#include "dashboard/tour/TourPageColumn.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QVBoxLayout>

TourPageColumn::TourPageColumn(int spacing, QWidget* parent) : QWidget(parent), m_column(new QVBoxLayout(this))
{
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(spacing);
    m_column->addStretch(1);
    m_column->addStretch(1);
}

void TourPageColumn::add(QWidget* element, int top)
{
    if (top > 0) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, top, 0, 0);
        row->addWidget(element, 0, Qt::AlignHCenter);
        add(row);
        return;
    }
    m_column->insertWidget(m_column->count() - 1, element, 0, Qt::AlignHCenter);
}

void TourPageColumn::add(QBoxLayout* row) { m_column->insertLayout(m_column->count() - 1, row); }

PlainLabel* TourPageColumn::addTitle(const QString& text)
{
    auto* title = new PlainLabel(text, Fonts::system(18, QFont::Bold), SystemColor::white);
    add(title);
    return title;
}

PlainLabel* TourPageColumn::addBody(const QString& text, qreal points, int inset)
{
    auto* body = new PlainLabel(text, Fonts::system(points), SystemColor::secondary);
    body->setWordWrap(true);
    body->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    body->setContentsMargins(inset, 0, inset, 0);
    m_column->insertWidget(m_column->count() - 1, body);
    return body;
}

void TourPageColumn::addSymbol(const QString& symbol, const UiColor& tint, qreal points)
{
    add(new SymbolView(symbol, tint, points));
}
