#include "widgets/LoadedModelRow.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "widgets/Badge.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

LoadedModelRow::LoadedModelRow(const LocalAIModel& model, const UiColor& accent, Style style, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.03), 8, parent), m_name(new ElidedLabel),
      m_tag(new Badge(QString(), accent, accent.opacity(0.2))),
      m_format(new PlainLabel(QString(), Fonts::system(9, QFont::Bold), SystemColor::secondary)),
      m_quantization(new PlainLabel(QString(),
                                    style.monospacedQuantization ? Fonts::monospaced(9) : Fonts::system(9),
                                    SystemColor::secondary)),
      m_size(new PlainLabel(QString(), Fonts::monospaced(11, QFont::Bold), SystemColor::primary)),
      m_eject(new DestructiveIconButton(QStringLiteral("eject.fill"), style.ejectToolTip))
{
    m_name->setObjectName(QStringLiteral("modelName"));
    m_name->setFont(Fonts::system(12, QFont::DemiBold));
    m_tag->setFont(Fonts::system(8, QFont::Bold));
    m_tag->setPadding(4, 1);
    m_tag->setCornerRadius(4);
    m_eject->setObjectName(QStringLiteral("ejectButton"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(0);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* first = new QHBoxLayout;
    first->setSpacing(6);
    first->addWidget(m_name);
    first->addWidget(m_tag, 0, Qt::AlignVCenter);
    first->addStretch(1);
    texts->addLayout(first);
    auto* second = new QHBoxLayout;
    second->setSpacing(8);
    second->addWidget(m_format);
    second->addWidget(new PlainLabel(QStringLiteral("\u2022"), Fonts::system(9), SystemColor::secondary));
    second->addWidget(m_quantization);
    second->addStretch(1);
    texts->addLayout(second);
    row->addLayout(texts, 1);

    row->addSpacing(8);
    row->addWidget(m_size, 0, Qt::AlignVCenter);
    row->addSpacing(6);
    row->addWidget(m_eject, 0, Qt::AlignVCenter);
    connect(m_eject, &QAbstractButton::clicked, this, [this] {
        if (m_onEject)
            m_onEject();
    });
    m_eject->hide();
    setModel(model);
}

QString LoadedModelRow::sizeText(qint64 bytes) { return kestrova::format("%.1f GB", double(bytes) / 1024 / 1024 / 1024); }

void LoadedModelRow::setModel(const LocalAIModel& model)
{
    m_model = model;
    // Every field comes from the model server: each shows on one line, in
    // its own order (the name's label does this itself).
    m_name->setText(model.name);
    m_tag->setText(oneLineText(model.parameterSize));
    m_format->setText(oneLineText(model.format).toUpper());
    m_quantization->setText(oneLineText(model.quantization));
    m_size->setText(sizeText(model.size));
}

void LoadedModelRow::setAccent(const UiColor& accent) { m_tag->setColors(accent, accent.opacity(0.2)); }

void LoadedModelRow::setOnEject(std::function<void()> onEject)
{
    m_onEject = std::move(onEject);
    m_eject->setVisible(bool(m_onEject));
}

QString LoadedModelRow::nameText() const { return m_name->text(); }
QString LoadedModelRow::tagText() const { return m_tag->text(); }
QString LoadedModelRow::detailText() const
{
    return m_format->text() + QStringLiteral(" \u2022 ") + m_quantization->text();
}
QString LoadedModelRow::sizeLabelText() const { return m_size->text(); }

void LoadedModelRow::showModels(KeyedRowList* list, const QList<LocalAIModel>& models, const UiColor& accent,
                                const Style& style, const EjectAction& ejectAction, qsizetype unlisted)
{
    list->setItems<LoadedModelRow>(
        models, [](const LocalAIModel& m) { return m.name; },
        [&](const LocalAIModel& m) {
            auto* row = new LoadedModelRow(m, accent, style);
            row->setOnEject(ejectAction(m));
            return row;
        },
        [&](LoadedModelRow* row, const LocalAIModel& m) {
            row->setModel(m);
            row->setAccent(accent);
            row->setOnEject(ejectAction(m));
        },
        unlisted);
}
