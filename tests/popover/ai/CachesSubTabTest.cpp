#include "popover/ai/CachesSubTab.h"

#include "AISubTabFixture.h"
#include "support/TaskRunner.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/ElidedLabel.h"
#include "widgets/FitLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QString sizeOf(QWidget* row) { return row->findChild<PlainLabel*>(QStringLiteral("size"))->text(); }
Badge* badgeOf(QWidget* row) { return row->findChild<Badge*>(QStringLiteral("badge")); }
DestructiveIconButton* trashOf(QWidget* row)
{
    return row->findChild<DestructiveIconButton*>(QStringLiteral("trashButton"));
}

class CachesSubTabTest : public ::testing::Test, protected AISubTabFixture {
protected:
    // The figures the services' first demo pass puts in place.
    std::unique_ptr<CachesSubTab> makeWithDemoFigures()
    {
        ai.loadDemoRows();
        EXPECT_TRUE(runTask(ai.buildCache->scanCaches()));
        EXPECT_TRUE(runTask(ai.buildCache->scanSDKVersions()));
        auto tab = show(std::make_unique<CachesSubTab>(ai.localAI.get(), ai.buildCache.get(), &s.themes));
        tab->refreshNow();
        return tab;
    }
    QStringList sizes(KeyedRowList* list)
    {
        QStringList texts;
        for (QWidget* row : list->rows())
            texts << sizeOf(row);
        return texts;
    }
};

TEST_F(CachesSubTabTest, FiguresOfTheDemoRowsAndTheEmptyStates)
{
    auto tab = makeWithDemoFigures();
    EXPECT_EQ(sizes(tab->modelList()), (QStringList{"4.40 GB", "4.34 GB", "0.00 GB", "0.00 GB"}));
    EXPECT_EQ(tab->modelTotalLabel()->text(), "8.7 GB Total");
    EXPECT_EQ(tab->derivedDataLabel()->text(), "39.53 GB");
    EXPECT_EQ(tab->spmLabel()->text(), "7.65 GB");
    EXPECT_EQ(sizes(tab->sdkList()), (QStringList{"180.0 MB", "190.0 MB", "300.0 MB", "400.0 MB"}));
    EXPECT_FALSE(tab->modelsEmptyLabel()->isVisibleTo(tab.get()));
    EXPECT_FALSE(tab->sdkEmptyLabel()->isVisibleTo(tab.get()));

    ai.localAI->setCachedModelFiles({});
    tab->refreshNow();
    EXPECT_EQ(tab->modelTotalLabel()->text(), "0.0 GB Total");
    EXPECT_TRUE(tab->modelsEmptyLabel()->isVisibleTo(tab.get()));
    EXPECT_EQ(tab->modelsEmptyLabel()->text(), "Model cache is completely clean");
}

TEST_F(CachesSubTabTest, BadgeColoursFollowTypeManagerAndTheme)
{
    auto tab = makeWithDemoFigures();
    const auto check = [&](const UiColor& accent) {
        const QList<QWidget*> models = tab->modelList()->rows();
        EXPECT_EQ(badgeOf(models[0])->background(), UiColor(SystemColor::blue).opacity(0.2)); // Ollama
        EXPECT_EQ(badgeOf(models[2])->background(), accent.opacity(0.2));                     // HuggingFace
        const QList<QWidget*> sdks = tab->sdkList()->rows();
        EXPECT_EQ(badgeOf(sdks[0])->background(), UiColor(SystemColor::blue).opacity(0.2));  // nvm
        EXPECT_EQ(badgeOf(sdks[2])->background(), accent.opacity(0.2));                      // mise
        EXPECT_EQ(badgeOf(sdks[3])->background(), UiColor(SystemColor::green).opacity(0.2)); // asdf
        EXPECT_EQ(tab->modelTotalLabel()->textColor(), accent);
        EXPECT_EQ(tab->purgeXcodeButton()->color(), accent);
    };
    check(SystemColor::blue);
    s.themes.setCurrentTheme(AppTheme::cyberpunk);
    tab->refreshNow();
    check(UiColor::rgb(0, 0.95, 1));
}

TEST_F(CachesSubTabTest, ButtonsReachTheirServiceWithTheRowsPath)
{
    auto tab = makeWithDemoFigures();
    const QString modelPath = ai.localAI->cachedModelFiles()[1].path;
    QTest::mouseClick(trashOf(tab->modelList()->row(modelPath)), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.localAI->cachedModelFiles().size() == 3; }));
    for (const ModelCacheFile& f : ai.localAI->cachedModelFiles())
        EXPECT_NE(f.path, modelPath);

    const SDKVersionInfo sdk = ai.buildCache->foundSDKVersions()[2];
    QTest::mouseClick(trashOf(tab->sdkList()->row(sdk.id())), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.buildCache->foundSDKVersions().size() == 3; }));
    for (const SDKVersionInfo& v : ai.buildCache->foundSDKVersions())
        EXPECT_NE(v.path, sdk.path);

    QTest::mouseClick(tab->purgeXcodeButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.buildCache->derivedDataSize() == 0; }));
    EXPECT_GT(ai.buildCache->spmCacheSize(), 0);
    QTest::mouseClick(tab->purgeSPMButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ai.buildCache->spmCacheSize() == 0; }));
}

TEST_F(CachesSubTabTest, ExampleRowsOfferNoTrashOnceDemoModeIsOff)
{
    auto tab = makeWithDemoFigures();
    ai.localAI->setDemoMode(false);
    tab->refreshNow();
    for (QWidget* row : tab->modelList()->rows())
        EXPECT_FALSE(trashOf(row)->isVisibleTo(tab.get()));
    for (QWidget* row : tab->sdkList()->rows())
        EXPECT_FALSE(trashOf(row)->isVisibleTo(tab.get()));

    ai.localAI->setCachedModelFiles({{QStringLiteral("qwen.gguf"), 1 << 30, QStringLiteral("/home/u/.ollama/models/x"),
                                      QStringLiteral("Ollama")}});
    tab->refreshNow();
    EXPECT_TRUE(trashOf(tab->modelList()->rows()[0])->isVisibleTo(tab.get()));
}

} // namespace
