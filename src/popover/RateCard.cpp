#include "popover/RateCard.h"

#include "widgets/ColorDot.h"
#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

RateCard::RateCard(const UiColor& color, const QString& label, QWidget* parent)
    : QWidget(parent),
      m_value(new FitLabel(QString(), Fonts::system(20, QFont::DemiBold, FontDesign::rounded), SystemColor::primary, 12)),
      m_dot(new ColorDot(color, 6)),
      m_label(new PlainLabel(label, Fonts::system(10, QFont::Medium), SystemColor::primary))
{
    m_value->setObjectName(QStringLiteral("rate"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_value, 0, Qt::AlignHCenter);
    auto* caption = new QHBoxLayout;
    caption->setSpacing(4);
    caption->addWidget(m_dot, 0, Qt::AlignVCenter);
    caption->addWidget(m_label, 0, Qt::AlignVCenter);
    column->addLayout(caption);
    column->setAlignment(caption, Qt::AlignHCenter);
}

QHBoxLayout* RateCard::pair(RateCard* leading, RateCard* trailing)
{
    // Equal stretch with the hints ignored splits the row in halves; the
    // alignment keeps each card at its own width inside its half.
    auto* row = new QHBoxLayout;
    // Two figures shrunk to their halves still stand apart.
    row->setSpacing(16);
    for (RateCard* card : {leading, trailing})
        card->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(leading, 1, Qt::AlignLeft);
    row->addWidget(trailing, 1, Qt::AlignRight);
    return row;
}

void RateCard::setValue(const QString& value) { m_value->setText(value); }

QString RateCard::value() const { return m_value->text(); }

QString RateCard::label() const { return m_label->text(); }

UiColor RateCard::color() const { return m_dot->color(); }
