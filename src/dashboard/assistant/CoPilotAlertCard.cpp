#include "dashboard/assistant/CoPilotAlertCard.h"

#include "widgets/AccentPillButton.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CoPilotAlertCard::CoPilotAlertCard(const QString& icon, const QString& title, const QString& description,
                                   const QString& buttonTitle, const UiColor& buttonColor,
                                   std::function<void()> action, QWidget* parent)
    : CoPilotAlertCard(Content{icon, title, description, buttonTitle, buttonColor}, std::move(action), parent)
{
}

CoPilotAlertCard::CoPilotAlertCard(const Content& content, std::function<void()> action, QWidget* parent)
    : QWidget(parent), m_content(content), m_action(std::move(action))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* plate = new CardFrame(UiColor(SystemColor::contrast).opacity(0.03), 10);
    plate->setStroke(UiColor(SystemColor::contrast).opacity(0.05));
    outer->addWidget(plate);

    auto* row = new QHBoxLayout(plate);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);

    m_tile = new CardFrame(content.buttonColor.opacity(0.1), 8);
    auto* tileLayout = new QVBoxLayout(m_tile);
    tileLayout->setContentsMargins(8, 8, 8, 8);
    m_icon = new SymbolView(content.icon, content.buttonColor, 18);
    tileLayout->addWidget(m_icon);
    row->addWidget(m_tile, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    m_title = new PlainLabel(content.title, Fonts::system(13, QFont::Bold), SystemColor::primary);
    m_description = new PlainLabel(content.description, Fonts::system(11), SystemColor::secondary);
    m_description->setWordWrap(true);
    column->addWidget(m_title);
    column->addWidget(m_description);
    column->addSpacing(4);
    m_button = new AccentPillButton(QString(), content.buttonTitle, content.buttonColor.opacity(0.8),
                                    AccentPillButton::Style::filled);
    m_button->setFont(Fonts::system(11, QFont::Bold));
    m_button->setPadding(12, 6);
    m_button->setCornerRadius(6);
    column->addWidget(m_button, 0, Qt::AlignLeft);
    row->addLayout(column, 1);

    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void CoPilotAlertCard::setContent(const Content& content)
{
    if (content == m_content)
        return;
    m_content = content;
    m_tile->setFill(content.buttonColor.opacity(0.1));
    m_icon->setSymbol(content.icon);
    m_icon->setTint(content.buttonColor);
    m_title->setText(content.title);
    m_description->setText(content.description);
    m_button->setText(content.buttonTitle);
    m_button->setColor(content.buttonColor.opacity(0.8));
    m_button->updateGeometry();
}

QAbstractButton* CoPilotAlertCard::button() const { return m_button; }
