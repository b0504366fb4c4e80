#include "widgets/SuspendedProcessBanner.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>

SuspendedProcessBanner::SuspendedProcessBanner(QWidget* parent)
    : CardFrame(UiColor(SystemColor::cyan).opacity(0.08), 6, parent),
      m_text(new PlainLabel(QString::fromUtf8(kText), Fonts::system(9, QFont::Medium),
                            UiColor(SystemColor::cyan).opacity(0.95)))
{
    setObjectName(QStringLiteral("suspendedBanner"));
    setStroke(UiColor(SystemColor::cyan).opacity(0.2), 1);
    m_text->setWordWrap(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(8);
    row->addWidget(new SymbolView(QStringLiteral("info.circle.fill"), SystemColor::cyan, 11), 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
}

QString SuspendedProcessBanner::text() const { return m_text->text(); }
