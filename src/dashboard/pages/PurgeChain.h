#pragma once

#include <QCoroTask>
#include <QList>

#include <functional>

// Runs purges one after another: each starts when the one before it has
// returned. The chain owns itself, not the page that started it, so closing
// the window never stops it halfway; its steps hold what they purge, never
// the page.
class PurgeChain {
public:
    using Step = std::function<QCoro::Task<>()>;

    // Starts the chain and returns at once.
    static void start(QList<Step> steps);
    // The chain itself, for a caller that wants to await its end.
    static QCoro::Task<> run(QList<Step> steps);
};
