#include "core/SettingsStore.h"
#include "dashboard/assistant/AIGuideView.h"
#include "dashboard/assistant/InlineMarkup.h"
#include "dashboard/assistant/MarkupLabel.h"
#include "theme/ThemeManager.h"
#include "widgets/SymbolIcon.h"
#include "widgets/SymbolView.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(InlineMarkup, EscapesFirstThenReadsBoldCodeAndBreaks)
{
    struct Case {
        const char* markup;
        const char* html;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"a **bold** word", "a <b>bold</b> word"},
        {"a Unix `SIGSTOP` signal", "a Unix <code>SIGSTOP</code> signal"},
        {"one\ntwo\n\nthree", "one<br>two<br><br>three"},
        {"**SPM & CocoaPods**: x < y", "<b>SPM &amp; CocoaPods</b>: x &lt; y"},
        {"`<b>`", "<code>&lt;b&gt;</code>"},
        {"**open bold", "**open bold"},
        {"an `open code", "an `open code"},
        {"**a** and **b", "<b>a</b> and **b"},
        {"**run `ps`**", "<b>run <code>ps</code></b>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InlineMarkup::toHtml(QString::fromUtf8(c.markup)), QString::fromUtf8(c.html)) << c.markup;
}

TEST(AIGuideView, NineSectionsWhoseAccentPartsFollowTheTheme)
{
    ASSERT_EQ(AIGuideView::sections().size(), 9);
    EXPECT_EQ(AIGuideView::sections()[8].title, "9. Auto-Suspend on Compile & Battery Shield");
    for (const AIGuideView::Section& section : AIGuideView::sections())
        EXPECT_TRUE(SymbolIcon::resolves(section.symbol)) << section.symbol.toStdString();
    EXPECT_TRUE(AIGuideView::sections()[1].body.contains("clean.\n\nTo **Unfreeze"));
    EXPECT_EQ(AIGuideView::sections()[3].body.count('\n'), 4);

    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    ThemeManager theme(settings);
    AIGuideView page(&theme);
    EXPECT_EQ(page.bodies().size(), 9);
    EXPECT_TRUE(page.bodies()[1]->text().contains("<code>SIGSTOP</code>"));
    EXPECT_TRUE(page.bodies()[8]->text().contains("<b>Battery Shield</b>"));

    theme.setCurrentTheme(AppTheme::cyberpunk);
    const UiColor accent = AppTheme(AppTheme::cyberpunk).accentColor();
    const QList<QWidget*> parts = page.accentParts();
    ASSERT_EQ(parts.size(), 9); // header, seven section symbols, the tip
    for (int i = 0; i + 1 < parts.size(); ++i)
        EXPECT_EQ(static_cast<SymbolView*>(parts[i])->tint(), accent);
    EXPECT_EQ(static_cast<MarkupLabel*>(parts.last())->textColor(), accent);
    EXPECT_EQ(page.sectionSymbols()[1]->tint(), UiColor(SystemColor::blue));
    EXPECT_EQ(page.sectionSymbols()[3]->tint(), UiColor(SystemColor::orange));
}

} // namespace
