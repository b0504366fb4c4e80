#include "widgets/NeuralEngineCard.h"

#include "core/Format.h"
#include "widgets/Fonts.h"
#include "widgets/LoadBar.h"
#include "widgets/PlainLabel.h"
#include "widgets/PulseBadge.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

NeuralEngineCard::NeuralEngineCard(const UiColor& accent, QWidget* parent)
    : CardFrame(UiColor(SystemColor::contrast).opacity(0.04), 12, parent),
      m_power(new PlainLabel(QString(), Fonts::system(22, QFont::DemiBold, FontDesign::rounded), accent)),
      m_load(new PlainLabel(QString(), Fonts::monospaced(10, QFont::Bold), SystemColor::primary)),
      m_badge(new PulseBadge(QStringLiteral("cpu.fill"), accent)), m_bar(new LoadBar(accent))
{
    setStroke(accent.opacity(0.15), 1);
    auto* column = new QVBoxLayout(this);
    // The bar brings its own room for its glow below it.
    column->setContentsMargins(12, 12, 12, 12 - LoadBar::kGlow);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    auto* figures = new QVBoxLayout;
    figures->setSpacing(2);
    figures->addStretch(1);
    figures->addWidget(new PlainLabel(QStringLiteral("APPLE NEURAL ENGINE"), Fonts::system(9, QFont::Bold),
                                      SystemColor::secondary));
    figures->addWidget(m_power);
    figures->addStretch(1);
    top->addLayout(figures);
    top->addStretch(1);
    top->addWidget(m_badge, 0, Qt::AlignVCenter);
    column->addLayout(top);

    auto* loadBlock = new QVBoxLayout;
    loadBlock->setSpacing(4 - LoadBar::kGlow);
    auto* loadRow = new QHBoxLayout;
    loadRow->setSpacing(8);
    loadRow->addWidget(new PlainLabel(QStringLiteral("ANE Compute Core Load"), Fonts::system(10),
                                      SystemColor::secondary));
    loadRow->addStretch(1);
    loadRow->addWidget(m_load);
    loadBlock->addLayout(loadRow);
    loadBlock->addWidget(m_bar);
    column->addLayout(loadBlock);

    setFigures(0, 0);
}

void NeuralEngineCard::setFigures(double anePowerDraw, double aneUsage)
{
    m_power->setFigureText(kestrova::format("%.1f W", anePowerDraw));
    m_load->setFigureText(kestrova::format("%.1f%%", aneUsage));
    m_badge->setLoad(aneUsage);
    m_bar->setPercent(aneUsage);
}

void NeuralEngineCard::setAccent(const UiColor& accent)
{
    setStroke(accent.opacity(0.15), 1);
    m_power->setTextColor(accent);
    m_badge->setAccent(accent);
    m_bar->setAccent(accent);
}

QString NeuralEngineCard::powerText() const { return m_power->text(); }

QString NeuralEngineCard::loadText() const { return m_load->text(); }
