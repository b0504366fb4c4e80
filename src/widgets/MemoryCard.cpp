#include "widgets/MemoryCard.h"

#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QVBoxLayout>

MemoryCard::MemoryCard(const QString& title, const QString& value, const UiColor& color, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 10, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    m_title = new PlainLabel(title, Fonts::style(TextStyle::caption), SystemColor::secondary);
    m_value = new FitLabel(value, Fonts::style(TextStyle::headline), color, 9);
    m_value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    column->addWidget(m_title);
    column->addWidget(m_value, 0, Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString MemoryCard::title() const { return m_title->text(); }

QString MemoryCard::value() const { return m_value->text(); }

UiColor MemoryCard::color() const { return m_value->textColor(); }

void MemoryCard::setValue(const QString& value) { m_value->setText(value); }

void MemoryCard::setColor(const UiColor& color) { m_value->setTextColor(color); }
