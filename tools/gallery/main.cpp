// The widget gallery: everything in the kit on the dark and the light
// scheme, with sample data. `kestrova_gallery --screenshots DIR` renders the
// pages to PNG files (works on the offscreen platform) and exits.

#include "AIShots.h"
#include "DashboardShots.h"
#include "DiskShots.h"
#include "ExtremeShots.h"
#include "AssistantShots.h"
#include "PopoverShots.h"
#include "PopoverTabShots.h"
#include "PresetShots.h"
#include "TourShots.h"
#include "theme/AppTheme.h"
#include "core/SettingsStore.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/CheckboxToggle.h"
#include "theme/ColorScheme.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LegendItem.h"
#include "widgets/PlainLabel.h"
#include "widgets/PopoverBubble.h"
#include "widgets/ProcessRow.h"
#include "widgets/RingChart.h"
#include "widgets/SparklineView.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/SymbolView.h"
#include "widgets/ToggleSwitch.h"

#include <QApplication>
#include <QCoroTimer>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct Sample {
    qint32 pid;
    QString icon;
    QString name;
    double cpu;
    bool suspended;
    bool withImage;
    bool withAction;
};

const QList<Sample>& samples()
{
    static const QList<Sample> list = {
        {4211, QStringLiteral("cpu.fill"), QStringLiteral("clang++"), 87.3, false, false, true},
        {3120, QStringLiteral("cpu.fill"), QStringLiteral("ollama_llama_server"), 54.1, true, false, true},
        {2890, QStringLiteral("app.fill"), QStringLiteral("code - Visual Studio Code (renderer helper)"), 12.0, false,
         true, true},
        {1043, QStringLiteral("cpu"), QStringLiteral("Xwayland"), 3.6, false, false, true},
        {57, QStringLiteral("gearshape.fill"), QStringLiteral("kworker/u16:2"), 0.4, false, false, false},
    };
    return list;
}

QList<double> wave(int n, double phase, double base, double swing)
{
    QList<double> values;
    for (int i = 0; i < n; ++i)
        values << base + swing * std::sin(i / 4.0 + phase) + swing * 0.45 * std::sin(i / 1.7 + phase * 2);
    return values;
}

// A stand-in application image: a rounded tile with a monogram.
QIcon appImage()
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, QColor(41, 182, 246));
    g.setColorAt(1, QColor(21, 101, 192));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    p.fillPath(tile, g);
    p.setPen(Qt::white);
    QFont f = Fonts::system(34, QFont::Bold);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("{}"));
    return QIcon(pm);
}

PlainLabel* caption(const QString& text)
{
    auto* label = new PlainLabel(text);
    label->setFont(Fonts::system(9, QFont::Bold));
    label->setTextColor(SystemColor::secondary);
    return label;
}

PlainLabel* text(const QString& value, qreal size, QFont::Weight weight = QFont::Normal,
                 const UiColor& color = SystemColor::primary)
{
    auto* label = new PlainLabel(value);
    label->setFont(Fonts::system(size, weight));
    label->setTextColor(color);
    return label;
}

CardFrame* card(const AppTheme& theme, const QString& title, QVBoxLayout*& body)
{
    auto* frame = new CardFrame(theme.cardBackground(), 12);
    frame->setStroke(theme.dividerColor().opacity(0.6));
    body = new QVBoxLayout(frame);
    body->setContentsMargins(12, 12, 12, 12);
    body->setSpacing(10);
    body->addWidget(caption(title));
    return frame;
}

QWidget* header(const AppTheme& theme)
{
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new SymbolView(QStringLiteral("shield.fill"), SystemColor::blue, Fonts::size(TextStyle::title2)));
    row->addWidget(text(QStringLiteral("Kestrova"), 13, QFont::Bold));
    row->addStretch(1);
    auto* tour = new AccentPillButton(QStringLiteral("safari.fill"), QStringLiteral("Tour"), theme.accentColor());
    tour->setFont(Fonts::system(10, QFont::Bold));
    row->addWidget(tour);
    row->addWidget(new SymbolButton(QStringLiteral("list.bullet.rectangle.portrait"), SystemColor::secondary, 13));
    auto* gear = new SymbolButton(QStringLiteral("gearshape.fill"), SystemColor::secondary, 13);
    gear->setToolTip(QStringLiteral("Settings"));
    row->addWidget(gear);
    row->addWidget(new SymbolButton(QStringLiteral("paintbrush.fill"), theme.accentColor(), 13));
    return bar;
}

QWidget* memoryCard(const AppTheme& theme)
{
    QVBoxLayout* body = nullptr;
    auto* frame = card(theme, QStringLiteral("MEMORY PRESSURE"), body);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addWidget(new RingChart(62.4, QStringLiteral("PRESSURE"), SystemColor::orange, QStringLiteral("62%")));
    auto* legend = new QVBoxLayout;
    legend->setSpacing(4);
    legend->addStretch(1);
    legend->addWidget(new LegendItem(SystemColor::blue, QStringLiteral("App Memory"), QStringLiteral("8.4 GB")));
    legend->addWidget(new LegendItem(SystemColor::orange, QStringLiteral("Wired"), QStringLiteral("2.1 GB")));
    legend->addWidget(new LegendItem(SystemColor::purple, QStringLiteral("Compressed"), QStringLiteral("1.3 GB")));
    legend->addWidget(new LegendItem(SystemColor::green, QStringLiteral("Free"), QStringLiteral("3.9 GB")));
    legend->addStretch(1);
    row->addLayout(legend, 1);
    body->addLayout(row);
    return frame;
}

QWidget* historyCard(const AppTheme& theme)
{
    QVBoxLayout* body = nullptr;
    auto* frame = card(theme, QStringLiteral("CPU HISTORY"), body);
    auto* cpu = new SparklineView(wave(60, 0.3, 42, 18), theme.secondaryAccent());
    cpu->setFixedHeight(44);
    body->addWidget(cpu);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    auto* net = new SparklineView(wave(60, 2.1, 30, 22), SystemColor::green);
    net->setFixedHeight(28);
    auto* spiky = new SparklineView({10, 35, std::nan(""), 80, 120, 60, 20, -10, 45, 50}, SystemColor::pink);
    spiky->setFixedHeight(28);
    row->addWidget(net, 2);
    row->addWidget(spiky, 1);
    body->addLayout(row);
    return frame;
}

QWidget* processCard(const AppTheme& theme, SettingsStore* settings)
{
    QVBoxLayout* body = nullptr;
    auto* frame = card(theme, QStringLiteral("TOP PROCESSES"), body);
    auto* list = new KeyedRowList;
    list->setSpacing(2);
    const QIcon image = appImage();
    const ProcessRow::Services services{settings, {}};
    list->setItems<ProcessRow>(
        samples(), [](const Sample& s) { return QString::number(s.pid); },
        [&](const Sample& s) {
            return new ProcessRow(s.icon, s.withImage ? image : QIcon(), s.name, QString::asprintf("%.1f%%", s.cpu),
                                  SystemColor::blue, s.suspended,
                                  s.withAction ? std::function<void()>([] {}) : std::function<void()>(), nullptr,
                                  services);
        },
        [](ProcessRow*, const Sample&) {});
    body->addWidget(list);
    return frame;
}

QWidget* labelled(QWidget* control, const QString& title, const QString& subtitle)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(text(title, 12, QFont::DemiBold));
    texts->addWidget(text(subtitle, 10, QFont::Normal, SystemColor::secondary));
    row->addLayout(texts, 1);
    row->addWidget(control, 0, Qt::AlignVCenter);
    return box;
}

QWidget* controlsCard(const AppTheme& theme)
{
    QVBoxLayout* body = nullptr;
    auto* frame = card(theme, QStringLiteral("CONTROLS"), body);
    auto* on = new ToggleSwitch(theme.accentColor());
    on->setChecked(true);
    body->addWidget(labelled(on, QStringLiteral("Offline Developer Sandbox"), QStringLiteral("Example rows stand in for live data")));
    body->addWidget(labelled(new ToggleSwitch(theme.accentColor()), QStringLiteral("Battery Shield"),
                             QStringLiteral("Eject models when unplugged")));

    auto* smart = new CheckboxToggle(QStringLiteral("Smart Pause background daemons while compiling"), SystemColor::green);
    smart->setChecked(true);
    smart->setFont(Fonts::system(11));
    body->addWidget(smart);
    auto* off = new CheckboxToggle(QStringLiteral("Auto-sleep the container VM"), SystemColor::green);
    off->setFont(Fonts::system(11));
    body->addWidget(off);

    auto* busy = new QHBoxLayout;
    busy->setSpacing(8);
    busy->addWidget(new Spinner(16));
    busy->addWidget(text(QStringLiteral("Scanning caches\u2026"), 11, QFont::Normal, SystemColor::secondary));
    busy->addStretch(1);
    auto* p0 = new Badge(QStringLiteral("P0"), SystemColor::primary, UiColor(SystemColor::white).opacity(0.1));
    p0->setFont(Fonts::system(8, QFont::Bold));
    busy->addWidget(p0);
    auto* active = new Badge(QStringLiteral("Active"), SystemColor::green, UiColor(SystemColor::green).opacity(0.15));
    active->setFont(Fonts::system(9, QFont::DemiBold));
    active->setPadding(8, 3);
    active->setCornerRadius(10);
    busy->addWidget(active);
    auto* idle = new Badge(QStringLiteral("Idle"), SystemColor::orange, UiColor(SystemColor::orange).opacity(0.15));
    idle->setFont(Fonts::system(9, QFont::DemiBold));
    idle->setPadding(8, 3);
    idle->setCornerRadius(10);
    busy->addWidget(idle);
    body->addLayout(busy);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(new DestructiveIconButton(QStringLiteral("eject.fill"), QStringLiteral("Eject Model")));
    actions->addWidget(new DestructiveIconButton(QStringLiteral("xmark.circle.fill"), QStringLiteral("Kill Process")));
    actions->addWidget(new DestructiveIconButton(QStringLiteral("trash"), QStringLiteral("Delete")));
    actions->addStretch(1);
    auto* scan = new AccentPillButton(QStringLiteral("magnifyingglass"), QStringLiteral("Scan Junk"), SystemColor::blue,
                                      AccentPillButton::Style::tinted);
    scan->setFont(Fonts::system(11, QFont::DemiBold));
    scan->setPadding(10, 5);
    actions->addWidget(scan);
    auto* purge = new AccentPillButton(QStringLiteral("trash.fill"), QStringLiteral("Purge All"), SystemColor::red,
                                       AccentPillButton::Style::filled);
    purge->setFont(Fonts::system(11, QFont::DemiBold));
    purge->setPadding(10, 5);
    actions->addWidget(purge);
    body->addLayout(actions);
    return frame;
}

// One chip per theme: its accent pair as a gradient, and its name.
class ThemeChip : public QWidget {
public:
    explicit ThemeChip(AppTheme theme) : m_theme(theme) { setFixedSize(56, 52); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = colorSchemeOf(this);
        const QRectF dot(width() / 2.0 - 14, 2, 28, 28);
        QLinearGradient g(dot.topLeft(), dot.bottomRight());
        g.setColorAt(0, m_theme.accentColor().resolve(scheme));
        g.setColorAt(1, m_theme.secondaryAccent().resolve(scheme));
        p.setPen(QPen(UiColor(SystemColor::separator).resolve(scheme), 1));
        p.setBrush(g);
        p.drawEllipse(dot);
        p.setPen(UiColor(SystemColor::secondary).resolve(scheme));
        p.setFont(Fonts::system(10, QFont::Medium));
        p.drawText(QRectF(0, 34, width(), 16), Qt::AlignCenter, m_theme.rawValue());
    }

private:
    AppTheme m_theme;
};

QWidget* themesCard(const AppTheme& theme)
{
    QVBoxLayout* body = nullptr;
    auto* frame = card(theme, QStringLiteral("THEMES"), body);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (AppTheme t : AppTheme::allCases())
        row->addWidget(new ThemeChip(t));
    body->addLayout(row);
    return frame;
}

QWidget* panel(AppTheme theme, SettingsStore* settings)
{
    auto* page = new QWidget;
    applyColorScheme(page, theme.colorScheme(), theme.contentBackground().resolve(theme.colorScheme()));
    page->setFont(Fonts::style(TextStyle::body));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(header(theme));
    column->addWidget(memoryCard(theme));
    column->addWidget(historyCard(theme));
    column->addWidget(processCard(theme, settings));
    column->addWidget(controlsCard(theme));
    column->addWidget(themesCard(theme));
    column->addStretch(1);
    page->setFixedWidth(372);
    return page;
}

QWidget* symbolSheet(ColorScheme scheme)
{
    auto* sheet = new QWidget;
    applyColorScheme(sheet, scheme, AppTheme(scheme == ColorScheme::dark ? AppTheme::standard : AppTheme::light)
                                        .contentBackground()
                                        .resolve(scheme));
    auto* grid = new QGridLayout(sheet);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);
    const QStringList names = SymbolIcon::knownNames();
    constexpr int columns = 4;
    const UiColor tints[] = {SystemColor::blue, SystemColor::purple, SystemColor::green, SystemColor::orange,
                             SystemColor::cyan, SystemColor::pink, SystemColor::primary};
    for (int i = 0; i < names.size(); ++i) {
        auto* cell = new QHBoxLayout;
        cell->setSpacing(6);
        cell->addWidget(new SymbolView(names[i], tints[i % 7], 14));
        auto* label = new ElidedLabel(names[i]);
        label->setFont(Fonts::monospaced(10));
        label->setTextColor(SystemColor::secondary);
        label->setFixedWidth(180);
        cell->addWidget(label);
        grid->addLayout(cell, i / columns, i % columns);
    }
    auto* unknown = new QHBoxLayout;
    unknown->addWidget(new SymbolView(QStringLiteral("no.such.symbol"), SystemColor::red, 14));
    auto* label = new ElidedLabel(QStringLiteral("(unknown name)"));
    label->setFont(Fonts::monospaced(10));
    label->setTextColor(SystemColor::red);
    unknown->addWidget(label);
    grid->addLayout(unknown, int(names.size()) / columns + 1, 0);
    return sheet;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The window's own grab plus every open popup over it, at their places.
QImage grabWithPopups(QWidget* window, const QList<QWidget*>& popups)
{
    QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
    for (QWidget* popup : popups)
        area |= popup->geometry();
    QImage shot(area.size() * 2, QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(2);
    shot.fill(Qt::transparent);
    QPainter p(&shot);
    p.drawPixmap(window->mapToGlobal(QPoint(0, 0)) - area.topLeft(), window->grab());
    for (QWidget* popup : popups)
        p.drawPixmap(popup->pos() - area.topLeft(), popup->grab());
    return shot;
}

QCoro::Task<QString> sampleExplanation(QString name)
{
    co_return QStringLiteral("%1 is the model server's inference worker. It loads the weights of the active "
                             "model and answers generation requests on port 11434; its CPU use follows the "
                             "prompts it is given.")
        .arg(name);
}

int writeScreenshots(const QString& directory)
{
    QDir().mkpath(directory);
    QTemporaryDir settingsDir;
    SettingsStore darkSettings(settingsDir.filePath(QStringLiteral("dark.ini")));
    darkSettings.setAdvancedMode(true);
    SettingsStore lightSettings(settingsDir.filePath(QStringLiteral("light.ini")));

    QWidget sheet;
    auto* row = new QHBoxLayout(&sheet);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(panel(AppTheme::standard, &darkSettings));
    row->addWidget(panel(AppTheme::light, &lightSettings));
    sheet.show();
    settle();
    const bool ok1 = sheet.grab().save(directory + QStringLiteral("/gallery.png"));

    QWidget* symbolsDark = symbolSheet(ColorScheme::dark);
    symbolsDark->show();
    settle();
    const bool ok2 = symbolsDark->grab().save(directory + QStringLiteral("/symbols-dark.png"));
    QWidget* symbolsLight = symbolSheet(ColorScheme::light);
    symbolsLight->show();
    settle();
    const bool ok3 = symbolsLight->grab().save(directory + QStringLiteral("/symbols-light.png"));

    // The insight popover, answered and loading, over a small list.
    bool ok4 = true;
    for (const AppTheme theme : {AppTheme(AppTheme::standard), AppTheme(AppTheme::light)}) {
        QWidget host;
        applyColorScheme(&host, theme.colorScheme(), theme.contentBackground().resolve(theme.colorScheme()));
        host.setFixedWidth(340);
        auto* column = new QVBoxLayout(&host);
        column->setContentsMargins(16, 12, 16, 150);
        SettingsStore* settings = theme.isLight() ? &lightSettings : &darkSettings;
        auto* answered = new ProcessRow(QStringLiteral("cpu.fill"), QIcon(), QStringLiteral("ollama_llama_server"),
                                        QStringLiteral("54.1%"), SystemColor::blue, false, [] {}, nullptr,
                                        {settings, sampleExplanation});
        auto* waiting = new ProcessRow(QStringLiteral("cpu.fill"), QIcon(), QStringLiteral("clang++"),
                                       QStringLiteral("87.3%"), SystemColor::blue, false, [] {}, nullptr,
                                       {settings, [](QString) -> QCoro::Task<QString> {
                                            co_await QCoro::sleepFor(std::chrono::hours(1));
                                            co_return QString();
                                        }});
        column->addWidget(answered);
        column->addWidget(waiting);
        host.move(100, 100);
        host.show();
        settle();
        answered->toggleInsight();
        settle();
        const QString suffix = theme.isLight() ? QStringLiteral("light") : QStringLiteral("dark");
        ok4 = grabWithPopups(&host, {answered->insightPopover()})
                  .save(directory + QStringLiteral("/insight-answer-%1.png").arg(suffix)) && ok4;
        answered->toggleInsight();
        waiting->toggleInsight();
        settle();
        ok4 = grabWithPopups(&host, {waiting->insightPopover()})
                  .save(directory + QStringLiteral("/insight-loading-%1.png").arg(suffix)) && ok4;
        waiting->toggleInsight();
    }
    delete symbolsDark;
    delete symbolsLight;
    const bool ok5 = writePopoverScreenshots(directory);
    bool ok6 = writeAIScreenshots(directory);
    ok6 = writePopoverTabScreenshots(directory) && ok6;
    ok6 = writePresetScreenshots(directory) && ok6;
    ok6 = writeDashboardScreenshots(directory) && ok6;
    ok6 = writeDiskScreenshots(directory) && ok6;
    ok6 = writeAssistantScreenshots(directory) && ok6;
    ok6 = writeTourScreenshots(directory) && ok6;
    ok6 = writeExtremeScreenshots(directory) && ok6;
    return ok1 && ok2 && ok3 && ok4 && ok5 && ok6 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // Screenshots are rendered at twice the size, like on a HiDPI screen.
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--screenshots") == 0)
            qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrova Gallery"));
    SymbolIcon::loadFont();

    const QStringList args = QApplication::arguments();
    const int shotIndex = int(args.indexOf(QStringLiteral("--screenshots")));
    if (shotIndex >= 0)
        return writeScreenshots(shotIndex + 1 < args.size() ? args[shotIndex + 1] : QDir::tempPath());

    QTemporaryDir settingsDir;
    SettingsStore darkSettings(settingsDir.filePath(QStringLiteral("dark.ini")));
    darkSettings.setAdvancedMode(true);
    SettingsStore lightSettings(settingsDir.filePath(QStringLiteral("light.ini")));
    ProcessRow::setDefaultExplainer(sampleExplanation);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Kestrova widget gallery"));
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(panel(AppTheme::standard, &darkSettings));
    row->addWidget(panel(AppTheme::light, &lightSettings));
    window.show();
    return QApplication::exec();
}
