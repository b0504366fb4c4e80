#include "dashboard/assistant/InfoRow.h"

#include "core/OneLineText.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QRegularExpression>

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
    keepWordsWhole();
}

int InfoRow::widestWord(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = qMax(widest, metrics.horizontalAdvance(word));
    return widest;
}

// A label breaks lines at hyphens too, which tore identifiers such as the
// serial apart; the value column is kept as wide as its widest word instead.
void InfoRow::keepWordsWhole()
{
    m_value->setMinimumWidth(widestWord(m_value->fontMetrics(), m_value->text()) + 1);
}

QString InfoRow::label() const { return m_label->text(); }

QString InfoRow::value() const { return m_value->text(); }

void InfoRow::setValue(const QString& value)
{
    // Values are read from the machine (firmware, /proc): one line each.
    m_value->setText(oneLineText(value));
    keepWordsWhole();
}
