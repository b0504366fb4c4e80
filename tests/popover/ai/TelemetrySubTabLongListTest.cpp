#include "fakes/ServedModelList.h"
#include "popover/ai/TelemetrySubTab.h"
#include "support/InertServices.h"
#include "support/ThreadCpuTime.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/PlainLabel.h"

#include <gtest/gtest.h>

// However many models the server lists, the sub-tab shows the first 100 and
// one line for the rest, and a refresh costs the main thread under 50 ms.
TEST(TelemetrySubTabLongList, ShowsTheFirstRowsAndOneLineForTheRestWithinBudget)
{
    ServedModelList served;
    InertServices s;
    TelemetrySubTab tab(s.stats.get(), s.processMonitor.get(), served.ai.localAI.get(), &s.themes, &s.settings);
    tab.resize(320, 900);
    tab.show();
    // Rows built, then all but one moved up.
    const struct {
        int count;
        int first;
    } lists[] = {{10'000, 0}, {40'000, 1}};
    for (const auto& list : lists) {
        ASSERT_TRUE(served.serve(FakeModelServer::modelList(list.count, list.first)));
        const qint64 start = threadCpuMicroseconds();
        tab.refreshNow();
        const qint64 spent = threadCpuMicroseconds() - start;
        EXPECT_LT(spent, 50'000 * kSanitizerSlowdown) << list.count << " models from " << list.first;
        EXPECT_EQ(tab.loadedCounter()->text(), QString::number(list.count) + " Loaded");
        ASSERT_EQ(tab.modelList()->count(), 100);
        EXPECT_EQ(static_cast<LoadedModelRow*>(tab.modelList()->rows()[0])->nameText(),
                  "model-" + QString::number(list.first));
        EXPECT_EQ(tab.modelList()->moreLabel()->text(), "and " + QString::number(list.count - 100) + " more");
        EXPECT_TRUE(tab.modelList()->moreLabel()->isVisibleTo(&tab));
    }

    // An answer the service refuses says why, on one line.
    served.server.answerPs(200, QByteArray(5 * 1024 * 1024, ' '));
    ASSERT_TRUE(runTask(served.ai.localAI->updateModels()));
    tab.refreshNow();
    EXPECT_TRUE(tab.emptyModelsCard()->isVisibleTo(&tab));
    EXPECT_FALSE(tab.modelList()->moreLabel()->isVisibleTo(&tab));
    EXPECT_EQ(tab.refusalNote()->text(), "Model server answer refused: over 4 MiB");
    EXPECT_TRUE(tab.refusalNote()->isVisibleTo(&tab));
}
