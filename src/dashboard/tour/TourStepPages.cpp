#include "dashboard/tour/TourStepPages.h"

#include "core/Format.h"
#include "dashboard/tour/OnboardingTourView.h"
#include "dashboard/tour/PersonaCard.h"
#include "dashboard/tour/PresetMiniBadge.h"
#include "dashboard/tour/TourDetailLine.h"
#include "dashboard/tour/TourLogo.h"
#include "dashboard/tour/TourPageColumn.h"
#include "widgets/AppLogo.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <array>

QWidget* TourStepPages::build(int step, OnboardingTourView& tour)
{
    switch (step) {
    case 0: return welcome(tour);
    case 1: return personas(tour);
    case 2: return presets(tour);
    case 3: return caches(tour);
    case 4: return menus(tour);
    case 5: return popover(tour);
    default: return nullptr;
    }
}

int TourStepPages::menusRow(const QString& selectedSidebarItem)
{
    static const std::array<QStringList, 3> pages = {
        QStringList{QStringLiteral("AI Hardware"), QStringLiteral("Performance Presets"), QStringLiteral("AI Models")},
        QStringList{QStringLiteral("Sensors"), QStringLiteral("Memory")},
        QStringList{QStringLiteral("Settings")}};
    for (int row = 0; row < int(pages.size()); ++row)
        if (pages[size_t(row)].contains(selectedSidebarItem, Qt::CaseSensitive))
            return row;
    return -1;
}

int TourStepPages::popoverRow(int popoverHighlightIndex)
{
    switch (popoverHighlightIndex) {
    case 0:
    case 3: return 0;
    case 4: return 1;
    case 1:
    case 2: return 2;
    default: return -1;
    }
}

QString TourStepPages::reclaimedText(double totalSpaceReclaimed)
{
    return kestrova::format("%.1f GB reclaimed", totalSpaceReclaimed);
}

QString TourStepPages::presetDetail(int activePresetIndex)
{
    if (activePresetIndex == 0)
        return QStringLiteral("Compile Max (Nice priority -20)");
    if (activePresetIndex == 1)
        return QStringLiteral("Creative Max (Nice priority -10)");
    return QStringLiteral("Game Mode (Nice priority -15)");
}

QWidget* TourStepPages::welcome(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(16);
    auto* logo = new TourLogo(AppLogo::find(), tour.theme());
    logo->setObjectName(QStringLiteral("logo"));
    logo->setScale(tour.logoScale());
    page->add(logo, 10);
    QObject::connect(logo, &TourLogo::breath, &tour, &OnboardingTourView::setLogoScale);
    QObject::connect(&tour, &OnboardingTourView::logoScaleChanged, logo,
                     [logo, t = &tour] { logo->setScale(t->logoScale()); });
    QObject::connect(&tour, &OnboardingTourView::themeChanged, logo, [logo, t = &tour] { logo->setTheme(t->theme()); });
    page->add(new PlainLabel(QStringLiteral("Welcome to Kestrova"), Fonts::system(22, QFont::Black, FontDesign::rounded),
                             SystemColor::white));
    page->addBody(QStringLiteral("Your state-of-the-art system co-pilot. Tailored profiles, instant cache cleaners, and "
                                 "real-time hardware metrics optimized for the way you work."),
                  13, 30);
    return page;
}

QWidget* TourStepPages::personas(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(12);
    page->addTitle(QStringLiteral("Workspace Personas"));
    page->addBody(QStringLiteral("Adjust sidebar navigation and optimization tools to fit your specific workflow:"), 12,
                  30);
    struct Persona {
        const char* title;
        const char* icon;
        UiColor color;
        WorkspacePersona persona;
    };
    const std::array<Persona, 4> list = {{{"AI Engineer", "brain", tour.theme().accentColor(), WorkspacePersona::aiEngineer},
                                          {"Developer", "terminal", SystemColor::yellow, WorkspacePersona::developer},
                                          {"Creator", "slider.horizontal.3", SystemColor::pink, WorkspacePersona::creator},
                                          {"Gamer", "gamecontroller", SystemColor::cyan, WorkspacePersona::gamer}}};
    auto* row = new QHBoxLayout;
    // The cards keep room for their breath; together that makes the 10-point gaps.
    row->setSpacing(0);
    row->setContentsMargins(4, 0, 4, 0);
    row->addStretch(1);
    QList<PersonaCard*> cards;
    for (const Persona& p : list) {
        const WorkspacePersona persona = p.persona;
        auto* card = new PersonaCard(QString::fromUtf8(p.title), QString::fromUtf8(p.icon), p.color,
                                     tour.workspacePersona() == persona,
                                     [t = &tour, persona] { t->setWorkspacePersona(persona); });
        cards << card;
        row->addWidget(card, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    page->add(row);
    QObject::connect(&tour, &OnboardingTourView::workspacePersonaChanged, page, [cards, list, t = &tour] {
        for (int i = 0; i < cards.size(); ++i)
            cards[i]->setSelected(t->workspacePersona() == list[size_t(i)].persona);
    });
    QObject::connect(&tour, &OnboardingTourView::themeChanged, page,
                     [first = cards.first(), t = &tour] { first->setColor(t->theme().accentColor()); });
    return page;
}

QWidget* TourStepPages::presets(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(12);
    page->addSymbol(QStringLiteral("cpu.fill"), SystemColor::orange, 28);
    page->addTitle(QStringLiteral("Performance Profiles"));
    page->addBody(QStringLiteral("Instantly prioritize compile, render, or gaming workloads. Kestrova temporarily "
                                 "scales back background services, suspends inactive helpers, and optimizes unified "
                                 "memory."),
                  11, 35);
    struct Preset {
        const char* title;
        const char* icon;
        SystemColor color;
    };
    const std::array<Preset, 3> list = {{{"Compile Max", "terminal.fill", SystemColor::yellow},
                                         {"Creative Max", "slider.horizontal.3", SystemColor::pink},
                                         {"Game Mode", "gamecontroller.fill", SystemColor::cyan}}};
    auto* row = new QHBoxLayout;
    row->setSpacing(2); // plus the badges' own room for breath and glow
    row->addStretch(1);
    QList<PresetMiniBadge*> badges;
    for (int i = 0; i < int(list.size()); ++i) {
        const Preset& p = list[size_t(i)];
        auto* badge = new PresetMiniBadge(QString::fromUtf8(p.title), QString::fromUtf8(p.icon), p.color,
                                          tour.activePresetIndex() == i);
        badges << badge;
        row->addWidget(badge, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    page->add(row);

    auto* lines = new QWidget;
    lines->setFixedHeight(36);
    auto* column = new QVBoxLayout(lines);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* detail = new TourDetailLine(presetDetail(tour.activePresetIndex()));
    column->addWidget(detail, 0, Qt::AlignHCenter);
    auto* hint = new QHBoxLayout;
    hint->setSpacing(6);
    auto* hintSymbol = new SymbolView(QStringLiteral("menubar.arrow.up.rectangle"), tour.theme().accentColor(), 10);
    hint->addWidget(hintSymbol);
    hint->addWidget(new PlainLabel(QStringLiteral("Toggle profiles directly from the macOS status bar menu."),
                                   Fonts::system(10, QFont::DemiBold), SystemColor::secondary));
    column->addLayout(hint);
    column->setAlignment(hint, Qt::AlignHCenter);
    page->add(lines);

    QObject::connect(&tour, &OnboardingTourView::activePresetIndexChanged, page, [badges, detail, t = &tour] {
        for (int i = 0; i < badges.size(); ++i)
            badges[i]->setSelected(t->activePresetIndex() == i);
        detail->setText(presetDetail(t->activePresetIndex()));
    });
    QObject::connect(&tour, &OnboardingTourView::themeChanged, page,
                     [hintSymbol, t = &tour] { hintSymbol->setTint(t->theme().accentColor()); });
    return page;
}
