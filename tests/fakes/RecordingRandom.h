#pragma once

#include "core/Random.h"

#include <QList>
#include <QPair>

// A seeded Random that also records the range of every draw, so tests can
// check which figures were drawn and in what order.
class RecordingRandom final : public Random {
public:
    explicit RecordingRandom(quint64 seed = 42) : Random(seed) {}

    double uniform(double low, double high) override
    {
        ranges.append({low, high});
        const double value = Random::uniform(low, high);
        values.append(value);
        return value;
    }

    qint64 uniformInt(qint64 low, qint64 high) override
    {
        intRanges.append({low, high});
        const qint64 value = Random::uniformInt(low, high);
        intValues.append(value);
        return value;
    }

    QList<QPair<double, double>> ranges;
    QList<double> values;
    // Integer draws, kept apart so the lists above stay as they were.
    QList<QPair<qint64, qint64>> intRanges;
    QList<qint64> intValues;
};
