#include "dashboard/pages/PageRules.h"

#include "core/Format.h"

#include <cmath>

namespace PageRules {

QString whole(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("--");
    return QString::number(kestrova::safeTrunc(value));
}

} // namespace PageRules
