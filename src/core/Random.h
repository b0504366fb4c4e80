#pragma once

#include <QtGlobal>

#include <random>

// Uniform random figures for the modelled values. Seedable so tests can
// reproduce a sequence; draw order matters, so callers draw in a fixed order.
class Random {
public:
    Random();                         // seeded from the system
    explicit Random(quint64 seed);
    virtual ~Random() = default;

    // Uniform on the closed range [low, high].
    virtual double uniform(double low, double high);
    // Uniform integer on the closed range [low, high].
    virtual qint64 uniformInt(qint64 low, qint64 high);

    static Random& shared();

private:
    std::mt19937_64 m_engine;
};
