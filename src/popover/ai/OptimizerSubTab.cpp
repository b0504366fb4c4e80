#include "popover/ai/OptimizerSubTab.h"

#include "core/Format.h"
#include "core/SettingsStore.h"
#include "localai/LocalAIService.h"
#include "theme/ThemeManager.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/CheckboxToggle.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

struct SwitchText {
    const char* title;
    const char* badge; // null: none
    const char* description;
    const char* help;
};

constexpr SwitchText kSwitches[] = {
    {"Xcode Compiler VRAM Shield", "AUTO-PAUSE",
     "Auto-pause Ollama & heavy models when compiler (swiftc, clang, xcodebuild) is running.",
     "Automatically pauses heavy local AI models when compiling in Xcode/VS Code to preserve CPU/GPU cycles"},
    {"Build Turbo Proactive Cooling", "PRIMING",
     "Detect compilers and proactively spool fans to 100% to avoid thermal throttling.",
     "Instantly primes and spins up fans to 100% when active builds start to prevent thermal CPU throttling"},
    {"Docker / Colima VM Auto-Sleep", "AUTO-SLEEP",
     "Automatically hibernate container VMs when active container load is zero.",
     "Automatically suspends background VMs (Colima, Docker, Podman) when active containers are idle"},
    {"Unplugged Battery Shield", "DC POWER", "Auto-ejects models and hibernates VM containers on battery below 30%",
     "Throttles local AI GPU/VRAM models if your laptop battery transitions to DC power and drops below 30%"},
    {"Smart Pause Thermal Protector", nullptr, "Pause heavy training runs if battery < 20% or Temp > 88\u00b0C",
     "Automatically suspends background model processes if core CPU temperatures exceed 88\u00b0C to prevent "
     "thermal stress"},
};

// The card's separators: a hairline of white at 5 %.
class Separator final : public QWidget {
public:
    Separator() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), UiColor(SystemColor::contrast).opacity(0.05).resolve(this));
    }
};

} // namespace

OptimizerSubTab::OptimizerSubTab(LocalAIService* localAI, ThemeManager* themeManager, SettingsStore* settings,
                                 QWidget* parent)
    : QWidget(parent), m_localAI(localAI), m_themeManager(themeManager), m_settings(settings),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); }))
{
    Q_ASSERT(m_localAI && m_themeManager && m_settings);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 0, 10, 0);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    m_headerSymbol = new SymbolView(QStringLiteral("bolt.fill"), SystemColor::blue, 10);
    header->addWidget(m_headerSymbol, 0, Qt::AlignVCenter);
    header->addWidget(new PlainLabel(QStringLiteral("DEVELOPER WORKSPACE SUITE"), Fonts::system(10, QFont::Bold),
                                     SystemColor::primary),
                      0, Qt::AlignVCenter);
    header->addStretch(1);
    column->addLayout(header);

    auto* card = new CardFrame(UiColor(SystemColor::contrast).opacity(0.03), 8);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(10, 10, 10, 10);
    stack->setSpacing(8);
    for (int i = 0; i < switchCount; ++i) {
        if (i > 0)
            stack->addWidget(new Separator);
        stack->addWidget(buildSwitch(Switch(i)));
        if (i == compileShield) {
            m_banner = new QWidget;
            m_banner->setObjectName(QStringLiteral("shieldBanner"));
            auto* row = new QHBoxLayout(m_banner);
            row->setContentsMargins(20, 0, 0, 0);
            row->setSpacing(6);
            m_spinner = new Spinner(12);
            row->addWidget(m_spinner, 0, Qt::AlignVCenter);
            m_bannerText = new PlainLabel(QString(), Fonts::system(9, QFont::DemiBold), SystemColor::blue);
            m_bannerText->setWordWrap(true);
            row->addWidget(m_bannerText, 1, Qt::AlignVCenter);
            stack->addWidget(m_banner);
        }
    }
    column->addWidget(card);

    for (auto signal : {&LocalAIService::compileAutoSuspendEnabledChanged, &LocalAIService::buildTurboEnabledChanged,
                        &LocalAIService::vmAutoSleepEnabledChanged, &LocalAIService::batteryShieldEnabledChanged,
                        &LocalAIService::suspendedPIDsChanged})
        m_coalescer->watch(localAI, signal);
    m_coalescer->watch(themeManager, &ThemeManager::currentThemeChanged);
    connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kSmartPauseEnabled))
            m_coalescer->schedule();
    });
    refresh();
}

QWidget* OptimizerSubTab::buildSwitch(Switch which)
{
    const SwitchText& text = kSwitches[which];
    auto* label = new QWidget;
    auto* lines = new QVBoxLayout(label);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    titleRow->addWidget(new PlainLabel(QString::fromUtf8(text.title), Fonts::system(11, QFont::Bold),
                                       SystemColor::primary));
    if (text.badge) {
        auto* badge = new Badge(QString::fromLatin1(text.badge), SystemColor::blue, SystemColor::clear);
        badge->setFont(Fonts::system(7, QFont::Bold));
        badge->setPadding(4, 1);
        badge->setCornerRadius(3);
        m_badges[which] = badge;
        titleRow->addWidget(badge, 0, Qt::AlignVCenter);
    }
    titleRow->addStretch(1);
    lines->addLayout(titleRow);
    auto* description = new PlainLabel(QString::fromUtf8(text.description), Fonts::system(9), SystemColor::secondary);
    description->setWordWrap(true);
    lines->addWidget(description);

    auto* toggle = new CheckboxToggle(label, SystemColor::blue);
    toggle->setToolTip(QString::fromUtf8(text.help));
    toggle->setChecked(value(which));
    connect(toggle, &QAbstractButton::toggled, this, [this, which](bool on) { write(which, on); });
    m_toggles[which] = toggle;
    return toggle;
}

bool OptimizerSubTab::value(Switch which) const
{
    if (which == smartPause)
        return m_settings->smartPauseEnabled();
    if (!m_localAI)
        return false;
    switch (which) {
    case compileShield: return m_localAI->compileAutoSuspendEnabled();
    case buildTurbo: return m_localAI->buildTurboEnabled();
    case vmAutoSleep: return m_localAI->vmAutoSleepEnabled();
    case batteryShield: return m_localAI->batteryShieldEnabled();
    default: return false;
    }
}

void OptimizerSubTab::write(Switch which, bool on)
{
    if (which == smartPause) {
        m_settings->setSmartPauseEnabled(on);
        return;
    }
    if (!m_localAI)
        return;
    switch (which) {
    case compileShield: m_localAI->setCompileAutoSuspendEnabled(on); break;
    case buildTurbo: m_localAI->setBuildTurboEnabled(on); break;
    case vmAutoSleep: m_localAI->setVmAutoSleepEnabled(on); break;
    case batteryShield: m_localAI->setBatteryShieldEnabled(on); break;
    default: break;
    }
}

QString OptimizerSubTab::shieldText(qsizetype heldCount)
{
    return QStringLiteral("VRAM Shield Active: Suspending ") + kestrova::format("%lld", static_cast<long long>(heldCount))
         + QStringLiteral(" local AI process(es)");
}

void OptimizerSubTab::refreshNow() { m_coalescer->flush(); }

void OptimizerSubTab::refresh()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerSymbol->setTint(accent);
    for (int i = 0; i < switchCount; ++i) {
        m_toggles[i]->setTint(accent);
        m_toggles[i]->setChecked(value(Switch(i)));
        if (m_badges[i])
            m_badges[i]->setColors(accent, accent.opacity(0.2));
    }
    const qsizetype held = m_localAI ? m_localAI->suspendedPIDs().size() : 0;
    m_banner->setVisible(held > 0);
    m_bannerText->setText(shieldText(held));
    m_bannerText->setTextColor(accent);
}
