#include "core/Random.h"

#include <cmath>

Random::Random() : m_engine(std::random_device{}()) {}

Random::Random(quint64 seed) : m_engine(seed) {}

double Random::uniform(double low, double high)
{
    if (!(low < high))
        return low;
    // Closed range: the upper bound is reachable as the next double up.
    std::uniform_real_distribution<double> dist(low, std::nextafter(high, INFINITY));
    return std::min(dist(m_engine), high);
}

qint64 Random::uniformInt(qint64 low, qint64 high)
{
    if (high <= low)
        return low;
    std::uniform_int_distribution<qint64> dist(low, high);
    return dist(m_engine);
}

Random& Random::shared()
{
    static Random random;
    return random;
}
