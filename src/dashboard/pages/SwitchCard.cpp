#include "dashboard/pages/SwitchCard.h"

#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QVBoxLayout>

SwitchCard::SwitchCard(const Texts& texts, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 12, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(15);

    auto* line = new QHBoxLayout;
    line->setSpacing(12);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(5);
    auto* head = new QHBoxLayout;
    head->setSpacing(6);
    head->addWidget(new SymbolView(texts.symbol, texts.symbolColor, 13), 0, Qt::AlignVCenter);
    head->addWidget(new PlainLabel(texts.title, Fonts::style(TextStyle::headline), SystemColor::primary), 0,
                    Qt::AlignVCenter);
    head->addStretch(1);
    labels->addLayout(head);
    auto* note = new PlainLabel(texts.note, Fonts::style(TextStyle::caption), SystemColor::secondary);
    note->setWordWrap(true);
    labels->addWidget(note);
    line->addLayout(labels, 1);
    m_toggle = new ToggleSwitch;
    m_toggle->setAccessibleName(texts.title);
    line->addWidget(m_toggle, 0, Qt::AlignVCenter);
    column->addLayout(line);

    auto* banner = new CardFrame(texts.bannerColor.opacity(0.1), 8);
    auto* bannerLine = new QHBoxLayout(banner);
    bannerLine->setContentsMargins(12, 10, 12, 10);
    bannerLine->setSpacing(8);
    bannerLine->addWidget(new SymbolView(texts.bannerSymbol, texts.bannerColor, 13), 0, Qt::AlignVCenter);
    m_bannerText = new PlainLabel(texts.bannerText, Fonts::system(13, QFont::Bold), texts.bannerColor);
    m_bannerText->setWordWrap(true);
    bannerLine->addWidget(m_bannerText, 1);
    m_banner = banner;
    m_banner->setVisible(false);
    column->addWidget(m_banner);

    connect(m_toggle, &ToggleSwitch::toggled, this, [this](bool on) {
        if (!m_showing)
            emit userToggled(on);
    });
}

void SwitchCard::setOn(bool on)
{
    const QScopedValueRollback showing(m_showing, true);
    m_toggle->setChecked(on);
    m_banner->setVisible(on);
}
