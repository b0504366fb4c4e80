#include "dashboard/assistant/AIHealthReportView.h"

#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/Spinner.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

AIHealthReportView::AIHealthReportView(SystemStatsProvider* stats, Reporter reporter, ThemeManager* themeManager,
                                       QWidget* parent)
    : CardFrame(parent), m_stats(stats), m_reporter(std::move(reporter)), m_themeManager(themeManager)
{
    Q_ASSERT(m_stats && m_reporter && m_themeManager);
    setCornerRadius(12);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    m_button = new AccentPillButton(QString(), QStringLiteral("Generate Daily Health Report"), SystemColor::blue,
                                    AccentPillButton::Style::filled);
    m_button->setFont(Fonts::system(13, QFont::Medium));
    m_button->setPadding(12, 5);
    m_button->setCornerRadius(6);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_button);
    buttonRow->addStretch(1);
    column->addLayout(buttonRow);

    m_progress = new QWidget;
    auto* progressLine = new QHBoxLayout(m_progress);
    progressLine->setContentsMargins(0, 0, 0, 0);
    progressLine->setSpacing(8);
    m_spinner = new Spinner(16);
    progressLine->addWidget(m_spinner, 0, Qt::AlignVCenter);
    progressLine->addWidget(new PlainLabel(QStringLiteral("Analyzing system telemetry..."), Fonts::system(13),
                                           SystemColor::secondary),
                            0, Qt::AlignVCenter);
    progressLine->addStretch(1);
    column->addWidget(m_progress);

    // The answer is outside text: shown as it stands, markup and all.
    m_reportLabel = new PlainLabel(QString(), Fonts::style(TextStyle::body), SystemColor::white);
    m_reportLabel->setWordWrap(true);
    m_reportLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_reportLabel);

    connect(m_button, &AccentPillButton::clicked, this, &AIHealthReportView::generate);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &AIHealthReportView::applyTheme);
    applyTheme();
    showState();
}

void AIHealthReportView::generate()
{
    if (m_isGenerating || m_report)
        return;
    m_isGenerating = true;
    showState();
    requestReport();
}

QCoro::Task<> AIHealthReportView::requestReport()
{
    QPointer<AIHealthReportView> self(this);
    // The figures as they are at the tap; later samples do not alter it.
    QCoro::Task<QString> pending = m_reporter(m_stats->cpuUsage(), m_stats->socTemperature(),
                                              m_stats->memoryPressure(), m_stats->batteryPercentage());
    QString text = co_await std::move(pending);
    if (!self)
        co_return;
    m_report = std::move(text);
    m_isGenerating = false;
    showState();
}

void AIHealthReportView::showState()
{
    m_button->setVisible(!m_isGenerating && !m_report);
    m_progress->setVisible(m_isGenerating);
    m_reportLabel->setVisible(!m_isGenerating && m_report.has_value());
    m_reportLabel->setText(m_report.value_or(QString()));
}

void AIHealthReportView::applyTheme()
{
    const AppTheme theme = m_themeManager->currentTheme();
    const UiColor accent = theme.accentColor();
    setFill(accent.opacity(0.1));
    m_button->setColor(accent);
    // White on the light theme's pale tint could not be read; there the
    // paragraph takes the theme's text colour.
    m_reportLabel->setTextColor(theme.isLight() ? theme.textColor() : UiColor(SystemColor::white));
}
