#include "dashboard/assistant/InfoRow.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>

InfoRow::InfoRow(const QString& label, const QString& value, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_label = new PlainLabel(label, Fonts::system(11), SystemColor::secondary);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_value = new PlainLabel(value, Fonts::monospaced(11, QFont::Medium), SystemColor::primary);
    m_value->setWordWrap(true);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignTop);
    row->addWidget(m_label, 1);
    row->addWidget(m_value, 1);
}

QString InfoRow::label() const { return m_label->text(); }

QString InfoRow::value() const { return m_value->text(); }

void InfoRow::setValue(const QString& value) { m_value->setText(value); }
