#include "dashboard/ai/AIModelsView.h"
#include "fakes/FakeModelServer.h"
#include "fakes/InertLocalAIServices.h"
#include "localai/ModelListDecoder.h"
#include "popover/ai/TelemetrySubTab.h"
#include "support/InertServices.h"
#include "support/TaskRunner.h"
#include "support/ThreadCpuTime.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"

#include <QSignalBlocker>
#include <QTest>

#include <gtest/gtest.h>

// Reading any answer keeps the main thread busy, in its longest stretch, under half of what decoding the largest list
// the cap lets through costs it in the same run, and a view's refresh under all of it (a loaded machine slows both
// alike); the views show 50 models and a line for the rest, or why refused.
TEST(ModelListViews, ShowTheFirstRowsAndOneLineForTheRestOrWhyTheAnswerWasRefused)
{
    FakeModelServer server;
    InertLocalAIServices ai(server.baseUrl());
    ai.localAI->setDemoMode(false);
    InertServices s;
    AIModelsView page(s.stats.get(), s.processMonitor.get(),
                      AIModelsView::Services{&s.themes, ai.localAI.get(), ai.buildCache.get(), &s.settings, &ai.scheduler});
    TelemetrySubTab tab(s.stats.get(), s.processMonitor.get(), ai.localAI.get(), &s.themes, &s.settings);
    page.show();
    tab.show();

    const struct {
        QByteArray body;
        int rows;
        QString first, counter, more, refusal;
    } answers[] = {
        {FakeModelServer::modelList(10'000), 50, "model-0", "10000 Loaded", "and 9950 more", {}},
        {FakeModelServer::modelList(40'000, 1), 50, "model-1", "40000 Loaded", "and 39950 more", {}}, // all moved up
        {QByteArray(5 * 1024 * 1024, ' '), 0, {}, "0 Loaded", {}, "Model server answer refused: over 4 MiB"},
        {FakeModelServer::modelList(1000).replace("\"model-999\",\"size\":4661224816", "\"model-999\""), 0, {}, "0 Loaded",
         {}, "Model server answer refused: not a readable model list"}, // a bad entry past the rows kept
        {FakeModelServer::modelList(3), 3, "model-0", "3 Loaded", {}, {}},
    };
    const QByteArray largest = FakeModelServer::modelList(40'000);
    const qint64 decoding = leastThreadCpuMicroseconds([&] { EXPECT_TRUE(decodeModelList(largest)); });
    server.answerPs(200, FakeModelServer::modelList(3)); // first-use costs out of the way
    ASSERT_TRUE(runTask(ai.localAI->updateModels()));
    page.refreshNow();
    tab.refreshNow();

    const auto check = [decoding](auto& view, const auto& a) {
        const auto shown = [&](PlainLabel* label) { return label->isVisibleTo(&view) ? label->text() : QString(); };
        const qint64 start = threadCpuMicroseconds();
        view.refreshNow();
        EXPECT_LT(threadCpuMicroseconds() - start, decoding) << "decoding took " << decoding << " µs";
        QTest::qWait(20); // its layout and painting, before the next read is timed
        EXPECT_EQ(view.loadedCounter()->text(), a.counter);
        EXPECT_EQ(view.modelList()->count(), a.rows);
        EXPECT_EQ(view.modelList()->keys().value(0), a.first);
        EXPECT_EQ(shown(view.modelList()->moreLabel()), a.more);
        EXPECT_EQ(shown(view.refusalNote()), a.refusal);
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.counter.toStdString());
        server.answerPs(200, a.body);
        QSignalBlocker quiet(ai.localAI.get()); // the views refresh below, timed apart
        const qint64 stretch = leastBusyStretch([&] { EXPECT_TRUE(runTask(ai.localAI->updateModels())); });
        EXPECT_LT(stretch, decoding / 2) << "decoding took " << decoding << " µs";
        quiet.unblock();
        EXPECT_EQ(ai.localAI->activeModels().size(), a.rows); // kept no more than shown
        check(page, a);
        check(tab, a);
    }
}
