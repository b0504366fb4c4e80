// The caches, menus and popover steps of the tour's pages.
#include "dashboard/tour/TourStepPages.h"

#include "dashboard/tour/CacheTagBadge.h"
#include "dashboard/tour/MenuGuideRow.h"
#include "dashboard/tour/OnboardingTourView.h"
#include "dashboard/tour/TourPageColumn.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <array>

namespace {

struct Guide {
    const char* icon;
    SystemColor color;
    const char* title;
    const char* desc;
};

// Three guide rows, the one at `lit` highlighted.
QList<MenuGuideRow*> addGuide(TourPageColumn* page, const std::array<Guide, 3>& guide, int lit, AppTheme theme)
{
    auto* column = new QVBoxLayout;
    // The rows keep room for their highlight; with it the gaps come to 8 points.
    column->setSpacing(2);
    column->setContentsMargins(11, 0, 11, 0);
    QList<MenuGuideRow*> rows;
    for (int i = 0; i < int(guide.size()); ++i) {
        const Guide& g = guide[size_t(i)];
        auto* row = new MenuGuideRow(QString::fromUtf8(g.icon), g.color, QString::fromUtf8(g.title),
                                     QString::fromUtf8(g.desc), i == lit, theme);
        rows << row;
        column->addWidget(row);
    }
    page->add(column);
    return rows;
}

void light(const QList<MenuGuideRow*>& rows, int lit)
{
    for (int i = 0; i < rows.size(); ++i)
        rows[i]->setHighlighted(i == lit);
}

} // namespace

QWidget* TourStepPages::caches(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(12);
    page->addSymbol(QStringLiteral("trash.circle.fill"), SystemColor::red, 34);
    page->addTitle(QStringLiteral("Clean Cache Sweepers"));
    page->addBody(QStringLiteral("Prune space-hogging build directories, compiler registries, game shaders, and video "
                                 "render files with a single click. Keep your MacBook clean and performant."),
                  11, 35);
    const std::array<std::pair<const char*, const char*>, 5> list = {
        {{"npm", "1.2 GB"}, {"Cargo", "0.8 GB"}, {"DaVinci", "4.5 GB"}, {"Ollama", "9.2 GB"}, {"Steam", "2.1 GB"}}};
    auto* row = new QHBoxLayout;
    row->setSpacing(3); // plus the badges' own room for the cleaning scale
    row->setContentsMargins(0, 4, 0, 4);
    row->addStretch(1);
    QList<CacheTagBadge*> badges;
    for (int i = 0; i < int(list.size()); ++i) {
        auto* badge = new CacheTagBadge(QString::fromUtf8(list[size_t(i)].first),
                                        QString::fromUtf8(list[size_t(i)].second), tour.activeCacheIndex() == i,
                                        tour.cacheCleanStates().value(i));
        badges << badge;
        row->addWidget(badge, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    page->add(row);

    auto* result = new QWidget;
    result->setFixedHeight(18);
    auto* line = new QHBoxLayout(result);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(6);
    line->addWidget(new SymbolView(QStringLiteral("sparkles"), SystemColor::green, 10), 0, Qt::AlignVCenter);
    line->addWidget(new PlainLabel(QStringLiteral("Simulated clean: "), Fonts::system(11), SystemColor::secondary), 0,
                    Qt::AlignVCenter);
    auto* total = new PlainLabel(reclaimedText(tour.totalSpaceReclaimed()),
                                 Fonts::system(11, QFont::Bold, FontDesign::monospaced), SystemColor::green);
    total->setObjectName(QStringLiteral("reclaimed"));
    line->addWidget(total, 0, Qt::AlignVCenter);
    page->add(result);

    QObject::connect(&tour, &OnboardingTourView::cacheStateChanged, page, [badges, total, t = &tour] {
        for (int i = 0; i < badges.size(); ++i)
            badges[i]->setState(t->activeCacheIndex() == i, t->cacheCleanStates().value(i));
        total->setText(reclaimedText(t->totalSpaceReclaimed()));
    });
    return page;
}

// The two guide pages sit in the smaller card; their elements stand closer
// so that the three rows keep both lines of their descriptions.
constexpr int kGuideSpacing = 4;

QWidget* TourStepPages::menus(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(kGuideSpacing);
    page->addSymbol(QStringLiteral("hand.point.left.fill"), SystemColor::green, 36);
    page->addTitle(QStringLiteral("Interactive Navigation Tour"));
    page->addBody(QStringLiteral("Kestrova is now cycling through your sidebar menus on the left. Notice the green/blue "
                                 "pulsating highlights guiding you through the sections:"),
                  12, 30);
    static const std::array<Guide, 3> guide = {
        {{"bolt.horizontal.fill", SystemColor::yellow, "AI-First Suite",
          "Optimize workloads & monitor local AI models (VRAM/Ollama)."},
         {"gauge.with.needle.fill", SystemColor::cyan, "System Monitors",
          "Track sensors, memory pressure, fan speed, power draw, & network."},
         {"gearshape.fill", SystemColor::pink, "Preferences & System Info",
          "Explore detailed Mac hardware specs, configure autostart, & updates."}}};
    const QList<MenuGuideRow*> rows = addGuide(page, guide, menusRow(tour.selectedSidebarItem()), tour.theme());
    QObject::connect(&tour, &OnboardingTourView::selectedSidebarItemChanged, page,
                     [rows, t = &tour] { light(rows, menusRow(t->selectedSidebarItem())); });
    return page;
}

QWidget* TourStepPages::popover(OnboardingTourView& tour)
{
    auto* page = new TourPageColumn(kGuideSpacing);
    auto* symbol = new SymbolView(QStringLiteral("macwindow.and.cursorarrow"), tour.theme().accentColor(), 36);
    page->add(symbol);
    page->addTitle(QStringLiteral("Menu Bar Quick Control"));
    page->addBody(QStringLiteral("Access Kestrova instantly from anywhere in macOS using the system menu bar icon. The "
                                 "compact window is perfect for quick adjustments:"),
                  12, 30);
    static const std::array<Guide, 3> guide = {
        {{"bolt.shield.fill", SystemColor::yellow, "Status Bar Telemetry",
          "A glanceable menu bar icon displaying real-time CPU & memory footprint."},
         {"hare.fill", SystemColor::cyan, "One-Click Optimization",
          "Instantly switch presets (AI Mode, Eco, Max Boost) without opening the main window."},
         {"thermometer.medium", SystemColor::pink, "Instant Thermal Controls",
          "Monitor fan speeds and key system temperatures on the fly."}}};
    const QList<MenuGuideRow*> rows = addGuide(page, guide, popoverRow(tour.popoverHighlightIndex()), tour.theme());
    QObject::connect(&tour, &OnboardingTourView::popoverHighlightIndexChanged, page,
                     [rows, t = &tour] { light(rows, popoverRow(t->popoverHighlightIndex())); });
    QObject::connect(&tour, &OnboardingTourView::themeChanged, page,
                     [symbol, t = &tour] { symbol->setTint(t->theme().accentColor()); });
    return page;
}
