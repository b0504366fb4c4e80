#include "dashboard/pages/SettingsPage.h"

#include "services/LaunchAtLoginManager.h"
#include "core/Format.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SegmentedPicker.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The slider works in hundredths of a percent: continuous enough.
constexpr int kSliderScale = 100;

QStringList personaNames()
{
    QStringList names;
    for (const WorkspacePersona persona : WorkspacePersona::allCases())
        names << persona.rawValue();
    return names;
}

QStringList themeNames()
{
    QStringList names;
    for (const AppTheme theme : AppTheme::allCases())
        names << theme.rawValue();
    return names;
}

} // namespace

SettingsPage::SettingsPage(Deps deps, QWidget* parent) : QWidget(parent), m_deps(deps)
{
    Q_ASSERT(m_deps.state && m_deps.settings && m_deps.themeManager && m_deps.launchManager);
    m_shownPersona = WorkspacePersona::fromRaw(m_deps.settings->workspacePersona()).value_or(WorkspacePersona());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(16);

    column->addWidget(header(QStringLiteral("General")));
    m_launch = new ToggleSwitch;
    column->addWidget(switchRow(QStringLiteral("Launch at Login"), m_launch));
    m_fullPath = new ToggleSwitch;
    column->addWidget(switchRow(QStringLiteral("Show Full Process Paths"), m_fullPath));

    m_tour = new AccentPillButton(QStringLiteral("safari.fill"), QStringLiteral("Start Guided Onboarding Tour"),
                                  SystemColor::blue);
    m_tour->setFont(Fonts::system(Fonts::size(TextStyle::subheadline), QFont::DemiBold));
    m_tour->setPadding(14, 8);
    m_tour->setCornerRadius(8);
    auto* tourRow = new QHBoxLayout;
    tourRow->setContentsMargins(0, 4, 0, 0);
    tourRow->addWidget(m_tour);
    tourRow->addStretch(1);
    column->addLayout(tourRow);

    m_advanced = new ToggleSwitch;
    auto* advancedBlock = new QVBoxLayout;
    advancedBlock->setSpacing(4);
    advancedBlock->addWidget(switchRow(QStringLiteral("Enable Advanced Mode"), m_advanced));
    auto* note = new PlainLabel(
        QStringLiteral("Unlocks Fan RPMs, Diode Temperatures, Swap Memory, and Deep Network Stats."),
        Fonts::style(TextStyle::caption), SystemColor::secondary);
    note->setWordWrap(true);
    note->setContentsMargins(24, 0, 0, 0);
    advancedBlock->addWidget(note);
    column->addLayout(advancedBlock);

    column->addWidget(divider());
    column->addWidget(header(QStringLiteral("Alerts & Notifications")));
    const auto alwaysOn = [this](const QString& label) {
        auto* toggle = new ToggleSwitch;
        toggle->setChecked(true);
        // Shown as on and nothing else: a flip springs back and stores nothing.
        connect(toggle, &ToggleSwitch::toggled, toggle, [toggle](bool on) {
            if (!on)
                toggle->setChecked(true);
        });
        m_alerts << toggle;
        return switchRow(label, toggle);
    };
    column->addWidget(alwaysOn(QStringLiteral("High CPU Alerts")));
    column->addWidget(thresholdRow());
    column->addWidget(alwaysOn(QStringLiteral("New Network Connection Alerts")));
    column->addWidget(alwaysOn(QStringLiteral("Disk Space Low Alerts")));

    column->addWidget(divider());
    column->addWidget(header(QStringLiteral("Workspace Persona")));
    m_persona = new SegmentedPicker(personaNames());
    m_persona->setAccessibleName(QStringLiteral("Workspace Persona"));
    column->addWidget(m_persona);

    column->addWidget(divider());
    column->addWidget(header(QStringLiteral("Theme")));
    m_theme = new SegmentedPicker(themeNames());
    m_theme->setAccessibleName(QStringLiteral("App Theme"));
    column->addWidget(m_theme);
    column->addStretch(1);

    // The controls report only what the user does, not what showSettings()
    // puts into them.
    connect(m_launch, &ToggleSwitch::toggled, this, [this](bool on) {
        if (!m_showing)
            m_deps.launchManager->setIsEnabled(on);
    });
    connect(m_fullPath, &ToggleSwitch::toggled, this, [this](bool on) {
        if (!m_showing)
            m_deps.settings->setShowFullProcessPath(on);
    });
    connect(m_advanced, &ToggleSwitch::toggled, this, [this](bool on) {
        if (!m_showing)
            m_deps.settings->setAdvancedMode(on);
    });
    connect(m_tour, &AccentPillButton::clicked, this, &SettingsPage::startTour);
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (!m_showing)
            m_deps.settings->setCpuAlertThreshold(kThresholdMin + double(value) / kSliderScale);
    });
    connect(m_persona, &SegmentedPicker::activated, this, [this](int index) {
        m_deps.settings->setWorkspacePersona(WorkspacePersona::allCases()[size_t(index)].rawValue());
    });
    connect(m_theme, &SegmentedPicker::activated, this,
            [this](int index) { m_deps.themeManager->setCurrentTheme(AppTheme::allCases()[size_t(index)]); });

    connect(m_deps.launchManager, &LaunchAtLoginManager::isEnabledChanged, this, &SettingsPage::showSettings);
    connect(m_deps.settings, &SettingsStore::changed, this, &SettingsPage::onSettingChanged);
    connect(m_deps.themeManager, &ThemeManager::currentThemeChanged, this, &SettingsPage::applyTheme);
    showSettings();
    applyTheme();
}

QString SettingsPage::thresholdText(double threshold)
{
    return QString::number(kestrova::safeTrunc(threshold)) + QLatin1Char('%');
}

QString SettingsPage::startPage(WorkspacePersona persona)
{
    return persona == WorkspacePersona::aiEngineer ? QStringLiteral("AI Hardware")
                                                   : QStringLiteral("Performance Presets");
}

QWidget* SettingsPage::header(const QString& text)
{
    return new PlainLabel(text, Fonts::style(TextStyle::headline), SystemColor::primary);
}

QWidget* SettingsPage::divider()
{
    auto* rule = new CardFrame(UiColor(SystemColor::primary).opacity(0.2), 0);
    rule->setFixedHeight(1);
    return rule;
}

QWidget* SettingsPage::switchRow(const QString& label, ToggleSwitch* toggle)
{
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(10);
    line->addWidget(toggle, 0, Qt::AlignVCenter);
    line->addWidget(new PlainLabel(label, Fonts::system(13), SystemColor::primary), 0, Qt::AlignVCenter);
    line->addStretch(1);
    toggle->setAccessibleName(label);
    return row;
}

QWidget* SettingsPage::thresholdRow()
{
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(10);
    line->addWidget(new PlainLabel(QStringLiteral("CPU Threshold:"), Fonts::system(13), SystemColor::primary), 0,
                    Qt::AlignVCenter);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setRange(0, int((kThresholdMax - kThresholdMin) * kSliderScale));
    m_slider->setAccessibleName(QStringLiteral("CPU Threshold"));
    line->addWidget(m_slider, 1, Qt::AlignVCenter);
    m_thresholdText = new PlainLabel(QString(), Fonts::system(13), SystemColor::primary);
    m_thresholdText->setMinimumWidth(m_thresholdText->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    m_thresholdText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(m_thresholdText, 0, Qt::AlignVCenter);
    return row;
}

void SettingsPage::startTour()
{
    m_deps.settings->setOnboardingTourStep(0);
    m_deps.settings->setShowOnboardingTour(true);
}

void SettingsPage::onSettingChanged(const QString& key)
{
    if (key == QLatin1String(SettingsStore::kWorkspacePersona)) {
        const WorkspacePersona persona =
            WorkspacePersona::fromRaw(m_deps.settings->workspacePersona()).value_or(WorkspacePersona());
        // Only a real change moves the window; choosing the persona
        // already shown leaves the page where it is.
        if (persona != m_shownPersona) {
            m_shownPersona = persona;
            showSettings();
            m_deps.state->setSelectedSidebarItem(startPage(persona));
            return;
        }
    }
    showSettings();
}

void SettingsPage::showSettings()
{
    const QScopedValueRollback showing(m_showing, true);
    m_launch->setChecked(m_deps.launchManager->isEnabled());
    m_fullPath->setChecked(m_deps.settings->showFullProcessPath());
    m_advanced->setChecked(m_deps.settings->advancedMode());
    const double threshold = m_deps.settings->cpuAlertThreshold();
    if (std::isfinite(threshold))
        m_slider->setValue(int(std::lround((std::clamp(threshold, kThresholdMin, kThresholdMax) - kThresholdMin)
                                           * kSliderScale)));
    m_thresholdText->setText(thresholdText(threshold));
    m_persona->setSelectedIndex(int(WorkspacePersona::Case(m_shownPersona)));
}

void SettingsPage::applyTheme()
{
    const AppTheme theme = m_deps.themeManager->currentTheme();
    const UiColor accent = theme.accentColor();
    m_tour->setColor(accent);
    for (ToggleSwitch* toggle : {m_launch, m_fullPath, m_advanced})
        toggle->setTint(accent);
    for (ToggleSwitch* toggle : std::as_const(m_alerts))
        toggle->setTint(accent);
    m_theme->setSelectedIndex(int(AppTheme::Case(theme)));
    const ColorScheme scheme = theme.colorScheme();
    const QColor tint = accent.resolve(scheme);
    m_slider->setStyleSheet(
        QStringLiteral("QSlider::groove:horizontal { height: 4px; border-radius: 2px; background: %1; }"
                       "QSlider::sub-page:horizontal { height: 4px; border-radius: 2px; background: %2; }"
                       "QSlider::handle:horizontal { width: 16px; height: 16px; margin: -6px 0; border-radius: 8px;"
                       " background: white; border: 1px solid rgba(0,0,0,60); }")
            .arg(UiColor(SystemColor::contrast).opacity(0.2).resolve(scheme).name(QColor::HexArgb), tint.name()));
}
