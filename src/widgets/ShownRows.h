#pragma once

#include <QString>

// Lists that anyone on the machine can make long (listening ports and their
// latencies) show their first rows only and one line for the rest, so that
// a refresh costs the main thread a bounded time however long they are.
namespace ShownRows {

constexpr qsizetype limit = 200;

// The line under a list that left `hidden` rows out: "and N more".
QString moreText(qsizetype hidden);

} // namespace ShownRows
