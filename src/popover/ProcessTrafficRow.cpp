#include "popover/ProcessTrafficRow.h"

#include "telemetry/ProcessInfoData.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessIconView.h"

#include <QHBoxLayout>

ProcessTrafficRow::ProcessTrafficRow(int figureWidth, QWidget* parent)
    : QWidget(parent), m_icon(new ProcessIconView), m_name(new ElidedLabel), m_first(new PlainLabel),
      m_second(new PlainLabel)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_icon->setObjectName(QStringLiteral("icon"));
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setFont(Fonts::system(12, QFont::Medium));
    m_first->setObjectName(QStringLiteral("firstFigure"));
    m_second->setObjectName(QStringLiteral("secondFigure"));
    for (PlainLabel* figure : {m_first, m_second}) {
        figure->setFont(Fonts::monospaced(12, QFont::DemiBold));
        figure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (figureWidth > 0)
            figure->setFixedWidth(figureWidth);
    }

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(8);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addWidget(m_name, 1, Qt::AlignVCenter);
    row->addWidget(m_first, 0, Qt::AlignVCenter);
    row->addWidget(m_second, 0, Qt::AlignVCenter);
}

void ProcessTrafficRow::setInputs(const QIcon& image, const QString& name, const QString& fullPath,
                                  bool showFullPath, const QString& firstFigure, const QString& secondFigure)
{
    m_icon->set(QStringLiteral("app.fill"), image, SystemColor::white);
    m_name->setText(showFullPath ? fullPath : name);
    m_name->setElideMode(showFullPath ? Qt::ElideLeft : Qt::ElideRight);
    m_name->setFixedToolTip(fullPath);
    m_first->setText(firstFigure);
    m_second->setText(secondFigure);
}

void ProcessTrafficRow::showProcesses(KeyedRowList* list, const QList<ProcessInfoData>& processes,
                                      bool showFullPath, int figureWidth,
                                      const std::function<QPair<QString, QString>()>& figures)
{
    struct Shown {
        const ProcessInfoData* process;
        QPair<QString, QString> figures;
    };
    // Drawn up front, in list order, so every refresh draws the same way.
    QList<Shown> shown;
    shown.reserve(processes.size());
    for (const ProcessInfoData& p : processes)
        shown.append({&p, figures()});
    const auto apply = [showFullPath](ProcessTrafficRow* row, const Shown& s) {
        row->setInputs(s.process->icon, s.process->name, s.process->fullPath, showFullPath, s.figures.first,
                       s.figures.second);
    };
    list->setItems<ProcessTrafficRow>(
        shown, [](const Shown& s) { return QString::number(s.process->id); },
        [&](const Shown& s) {
            auto* row = new ProcessTrafficRow(figureWidth);
            apply(row, s);
            return row;
        },
        apply);
}
