#include "widgets/ActionTipsView.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ActionTipsView::ActionTipsView(const QString& title, const QStringList& tips, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.04), 10, parent), m_title(title), m_tips(tips)
{
    setStroke(UiColor(SystemColor::blue).opacity(0.15), 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->setContentsMargins(0, 0, 0, 2);
    header->addWidget(new SymbolView(QStringLiteral("lightbulb.fill"), SystemColor::yellow, 12), 0, Qt::AlignVCenter);
    header->addWidget(new PlainLabel(title, Fonts::system(12, QFont::Bold), SystemColor::primary), 0, Qt::AlignVCenter);
    header->addStretch(1);
    column->addLayout(header);

    for (const QString& tip : tips) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        line->addWidget(new PlainLabel(QStringLiteral("\u2022"), Fonts::system(13, QFont::Bold), SystemColor::blue), 0,
                        Qt::AlignTop);
        auto* text = new PlainLabel(tip, Fonts::system(11), SystemColor::secondary);
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_tipLabels << text;
        line->addWidget(text, 1);
        column->addLayout(line);
    }
}
