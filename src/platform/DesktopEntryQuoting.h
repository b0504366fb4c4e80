#pragma once

#include <QString>
#include <QStringList>

namespace kestrova {

// The Exec value of a desktop entry that runs exactly `arguments`: each
// argument quoted when it holds a reserved character, '"', '`', '$' and '\'
// escaped inside quotes, '%' doubled, and the string-value escapes (\\, \n,
// \t, \r) applied last, as the desktop entry rules require.
QString desktopExecValue(const QStringList& arguments);

// One argument, quoted and escaped for an Exec line (before the
// string-value escapes).
QString quoteExecArgument(const QString& argument);

} // namespace kestrova
