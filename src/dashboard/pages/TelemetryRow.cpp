#include "dashboard/pages/TelemetryRow.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QVBoxLayout>

TelemetryRow::TelemetryRow(const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), m_labelText(label),
      m_value(new PlainLabel(value, Fonts::system(10, QFont::Medium, FontDesign::rounded), SystemColor::primary))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addWidget(new PlainLabel(label.toUpper(), Fonts::system(7, QFont::Bold), SystemColor::secondary));
    column->addWidget(m_value);
}

QString TelemetryRow::value() const { return m_value->text(); }

void TelemetryRow::setValue(const QString& value) { m_value->setFigureText(value); }
