#pragma once

#include <QString>

// Rules the dashboard's own pages share.
namespace PageRules {

// A reading as a whole number, truncated toward zero; "--" for a figure
// that is not a finite number.
QString whole(double value);

} // namespace PageRules
