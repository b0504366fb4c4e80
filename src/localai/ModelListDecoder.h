#pragma once

#include "localai/LocalAIModel.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Decodes the model server's answer to GET /api/ps. The answer is read
// strictly: a missing required key or a value of the wrong JSON type
// anywhere makes the whole answer unreadable (nullopt); no partial list
// survives. A missing or empty "models" gives an empty list. Unknown keys
// are ignored; a JSON null counts as a missing optional key. An expiry text
// that is not an internet date-time leaves `expiresAt` absent.
//
// What a hostile or broken server could send is bounded: an answer over
// kMaxModelListBytes or a name longer than kMaxModelNameLength makes the
// answer unreadable, and a negative size reads as 0. Every element is
// checked, but only the first kMaxListedModels are kept (no view shows more
// rows); `total` says how many the answer lists. The answer is read in one
// pass that builds no document, so beyond the body itself decoding takes
// only the kept rows, however many elements the answer holds.
inline constexpr qint64 kMaxModelListBytes = 4 * 1024 * 1024;
inline constexpr qsizetype kMaxModelNameLength = 1024;
inline constexpr qsizetype kMaxListedModels = 50;

struct DecodedModelList {
    QList<LocalAIModel> models;
    qsizetype total = 0;
};

std::optional<DecodedModelList> decodeModelList(const QByteArray& body);
