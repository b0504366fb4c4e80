#include "fakes/LayoutRequestCounter.h"
#include "widgets/Animations.h"
#include "widgets/CheckboxToggle.h"
#include "theme/ColorScheme.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/ToggleSwitch.h"
#include "theme/UiColor.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QTest>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

TEST(UiColor, NamedColoursHaveADarkAndALightVariant)
{
    const UiColor blue = SystemColor::blue;
    EXPECT_NE(blue.resolve(ColorScheme::dark), blue.resolve(ColorScheme::light));
    // Label colours flip between white and black text.
    EXPECT_GT(UiColor(SystemColor::primary).resolve(ColorScheme::dark).lightness(), 200);
    EXPECT_LT(UiColor(SystemColor::primary).resolve(ColorScheme::light).lightness(), 50);
    EXPECT_LT(UiColor(SystemColor::secondary).resolve(ColorScheme::dark).alpha(),
              UiColor(SystemColor::primary).resolve(ColorScheme::dark).alpha());
    // Fixed colours do not depend on the scheme; opacity multiplies.
    const UiColor fixed = UiColor::rgb(0, 0.95, 1).opacity(0.5).opacity(0.5);
    EXPECT_EQ(fixed.resolve(ColorScheme::dark), fixed.resolve(ColorScheme::light));
    EXPECT_NEAR(fixed.resolve(ColorScheme::dark).alphaF(), 0.25, 0.01);
    EXPECT_NEAR(UiColor(SystemColor::white).opacity(4).resolve(ColorScheme::dark).alphaF(), 1.0, 1e-6);
}

TEST(ColorScheme, ChildrenFollowTheSchemeOfTheirPanel)
{
    QWidget panel;
    auto* child = new QWidget(&panel);
    applyColorScheme(&panel, ColorScheme::dark);
    EXPECT_EQ(colorSchemeOf(child), ColorScheme::dark);
    applyColorScheme(&panel, ColorScheme::light);
    EXPECT_EQ(colorSchemeOf(child), ColorScheme::light);
    applyColorScheme(&panel, ColorScheme::dark, QColor::fromRgbF(0.06f, 0.07f, 0.10f));
    EXPECT_EQ(colorSchemeOf(child), ColorScheme::dark);
}

TEST(PlainLabel, ShowsMarkupAsTextAndFollowsTheScheme)
{
    QWidget panel;
    applyColorScheme(&panel, ColorScheme::dark);
    auto* label = new PlainLabel("<img src=x onerror=1><b>bold</b>");
    auto* layout = new QVBoxLayout(&panel);
    layout->addWidget(label);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), "<img src=x onerror=1><b>bold</b>");
    EXPECT_EQ(label->resolvedTextColor(), UiColor(SystemColor::primary).resolve(ColorScheme::dark));

    label->setTextColor(SystemColor::blue);
    EXPECT_EQ(label->resolvedTextColor(), systemColor(SystemColor::blue, ColorScheme::dark));
    applyColorScheme(&panel, ColorScheme::light);
    EXPECT_EQ(label->resolvedTextColor(), systemColor(SystemColor::blue, ColorScheme::light));
    // The window colour still comes from the panel.
    EXPECT_EQ(colorSchemeOf(label), ColorScheme::light);
}

TEST(PlainLabel, AFigureOfTheSameSizeLeavesTheLayoutAlone)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* figure = new PlainLabel(QString(), Fonts::monospaced(10, QFont::Bold), SystemColor::primary);
    row->addWidget(figure);
    row->addStretch(1);
    figure->setFigureText(QStringLiteral("1.0 W"));
    window.show();
    QCoreApplication::processEvents();
    LayoutRequestCounter requests;
    window.installEventFilter(&requests);

    struct Case {
        const char* text;
        int layouts;
    };
    for (const Case& c : {Case{"2.5 W", 0}, Case{"2.5 W", 0}, Case{"12.5 W", 1}, Case{"13.5 W", 1}}) {
        figure->setFigureText(QString::fromLatin1(c.text));
        QCoreApplication::processEvents();
        EXPECT_EQ(figure->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(figure->size(), figure->sizeHint()) << c.text;
        EXPECT_EQ(requests.count, c.layouts) << c.text;
    }
}

// A wrapped label keeps the heights it measured; each setting the height
// depends on gives the height a fresh label with that setting measures.
TEST(PlainLabel, AWrappedLabelsKeptHeightsFollowEveryChange)
{
    const QString sentence = QStringLiteral("A sentence long enough to wrap over several lines at these widths. ");
    const std::vector<std::pair<const char*, std::function<void(QLabel&)>>> changes{
        {"as built", [](QLabel&) {}},
        {"longer text", [&](QLabel& l) { l.setText(sentence.repeated(3)); }},
        {"larger font", [](QLabel& l) { l.setFont(Fonts::system(19)); }},
        {"contents margins", [](QLabel& l) { l.setContentsMargins(40, 3, 40, 3); }},
        {"margin", [](QLabel& l) { l.setMargin(12); }},
        {"indent", [](QLabel& l) { l.setIndent(60); }},
        {"alignment", [](QLabel& l) { l.setAlignment(Qt::AlignRight | Qt::AlignBottom); }},
    };
    PlainLabel label(sentence);
    label.setWordWrap(true);
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        change(label);
        QLabel fresh(label.text());
        fresh.setTextFormat(Qt::PlainText);
        fresh.setWordWrap(true);
        fresh.setFont(label.font());
        fresh.setContentsMargins(label.contentsMargins());
        fresh.setMargin(label.margin());
        fresh.setIndent(label.indent());
        fresh.setAlignment(label.alignment());
        for (const int width : {120, 300, 120, 500, 80, 300})
            EXPECT_EQ(label.heightForWidth(width), fresh.heightForWidth(width)) << width;
    }
}

TEST(ElidedLabel, CutsAtTheTailAndOffersTheFullTextAsPlainToolTip)
{
    ElidedLabel label("<b>ollama_llama_server --model deepseek-r1:70b</b>");
    label.show();
    label.resize(label.sizeHint());
    EXPECT_FALSE(label.isElided());
    EXPECT_TRUE(label.toolTip().isEmpty());
    EXPECT_LT(label.minimumSizeHint().width(), label.sizeHint().width());

    label.resize(label.sizeHint().width() / 3, label.height());
    EXPECT_TRUE(label.isElided());
    EXPECT_TRUE(label.displayedText().endsWith(QChar(0x2026)));
    EXPECT_TRUE(label.displayedText().startsWith("<b>ollama"));
    EXPECT_EQ(label.toolTip(), "<qt>&lt;b&gt;ollama_llama_server --model deepseek-r1:70b&lt;/b&gt;</qt>");
}

TEST(ToggleSwitch, ClickFlipsAndTheKnobLandsAtOnceWithoutAnimations)
{
    ToggleSwitch toggle;
    toggle.resize(toggle.sizeHint());
    toggle.show();
    QSignalSpy spy(&toggle, &QAbstractButton::toggled);
    QTest::mouseClick(&toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(toggle.knobPosition(), 1.0);
    toggle.setChecked(false);
    EXPECT_EQ(toggle.knobPosition(), 0.0);
    EXPECT_EQ(spy.count(), 2);
}

TEST(CheckboxToggle, ClickOnTheLabelFlipsTheBox)
{
    CheckboxToggle toggle("Smart Pause", SystemColor::green);
    toggle.resize(toggle.sizeHint());
    toggle.show();
    EXPECT_EQ(toggle.boxSymbol(), "square");
    QWidget* label = toggle.label();
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, label->geometry().center());
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(toggle.boxSymbol(), "checkmark.square.fill");
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, label->geometry().center());
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(toggle.boxSymbol(), "square");
}

TEST(RefreshCoalescer, ABurstOfChangesRefreshesOnce)
{
    int refreshes = 0;
    RefreshCoalescer coalescer([&] { ++refreshes; });
    QObject source;
    coalescer.watch(&source, &QObject::objectNameChanged);
    source.setObjectName("a");
    source.setObjectName("b");
    coalescer.schedule();
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(coalescer.isPending());
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(coalescer.isPending());

    // A flush runs the queued refresh now and the queued call is dropped.
    coalescer.schedule();
    coalescer.flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 2);
}

// Out of sight in a window on screen, a view's refreshes wait for it to be
// shown again and run then, once, before it paints; in a window not on
// screen (built, not shown yet) they run as they fall due.
TEST(RefreshCoalescer, AViewOutOfSightRefreshesAsItIsShownAgain)
{
    QWidget window;
    auto* view = new QWidget(&window);
    int refreshes = 0;
    bool shownAtRefresh = false;
    RefreshCoalescer coalescer(
        [&] {
            ++refreshes;
            shownAtRefresh = view->isVisible();
        },
        view);
    coalescer.schedule();
    QCoreApplication::processEvents();
    EXPECT_EQ(refreshes, 1);

    window.show();
    view->hide();
    for (int i = 0; i < 3; ++i) {
        coalescer.schedule();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(refreshes, 1);
    view->show();
    EXPECT_EQ(refreshes, 2) << "not at the next turn: the view would paint stale figures first";
    EXPECT_TRUE(shownAtRefresh);
    QCoreApplication::processEvents();
    view->hide();
    view->show();
    EXPECT_EQ(refreshes, 2) << "nothing fell due while it was hidden";
}

TEST(Fonts, PointSizesBecomePixelSizes)
{
    const QFont name = Fonts::system(12, QFont::Medium);
    EXPECT_EQ(name.pixelSize(), 12);
    EXPECT_EQ(name.weight(), QFont::Medium);
    // Some monospaced faces do not flag themselves fixed-pitch; measure.
    for (const QFont& mono : {Fonts::monospaced(12, QFont::DemiBold), Fonts::system(12, QFont::Normal, FontDesign::monospaced)}) {
        const QFontMetricsF metrics(mono);
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("MMMM"));
        EXPECT_EQ(mono.pixelSize(), 12);
    }
    const QFont headline = Fonts::style(TextStyle::headline);
    EXPECT_EQ(headline.pixelSize(), 13);
    EXPECT_EQ(headline.weight(), QFont::Bold);
    EXPECT_EQ(Fonts::style(TextStyle::title2).pixelSize(), 17);
}

TEST(Animations, OffSwitchGivesZeroDurations)
{
    EXPECT_FALSE(Animations::enabled()); // the test main turns them off
    EXPECT_EQ(Animations::duration(300), 0);
    Animations::setEnabled(true);
    EXPECT_EQ(Animations::duration(300), 300);
    Animations::setEnabled(false);
}

} // namespace
