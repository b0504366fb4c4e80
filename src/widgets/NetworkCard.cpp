#include "widgets/NetworkCard.h"

#include "widgets/FitLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

NetworkCard::NetworkCard(const QString& title, const QString& value, const QString& icon, const UiColor& color,
                         QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 10, parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(8);
    m_icon = new SymbolView(icon, color, Fonts::size(TextStyle::title2));
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = new PlainLabel(title, Fonts::style(TextStyle::caption), SystemColor::secondary);
    m_value = new FitLabel(value, Fonts::style(TextStyle::headline), SystemColor::primary, 9);
    m_value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    texts->addWidget(m_title);
    texts->addWidget(m_value, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString NetworkCard::title() const { return m_title->text(); }

QString NetworkCard::value() const { return m_value->text(); }

void NetworkCard::setValue(const QString& value) { m_value->setText(value); }
