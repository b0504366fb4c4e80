#include "widgets/SensorRow.h"

#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SensorRow::SensorRow(const QString& title, const QString& subtitle, const QString& value, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    QFont titleFont = Fonts::style(TextStyle::caption2);
    titleFont.setWeight(QFont::Bold);
    m_title = new PlainLabel(title, titleFont, SystemColor::blue);
    column->addWidget(m_title);

    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    m_subtitle = new PlainLabel(subtitle, Fonts::system(14), SystemColor::primary);
    m_value = new PlainLabel(value, Fonts::system(14), SystemColor::primary);
    line->addWidget(m_subtitle, 0, Qt::AlignVCenter);
    line->addStretch(1);
    line->addWidget(m_value, 0, Qt::AlignVCenter);
    column->addLayout(line);

    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.1), 0);
    rule->setFixedHeight(1);
    column->addWidget(rule);
}

QString SensorRow::title() const { return m_title->text(); }

QString SensorRow::subtitle() const { return m_subtitle->text(); }

QString SensorRow::value() const { return m_value->text(); }

void SensorRow::setValue(const QString& value) { m_value->setFigureText(value); }
