#pragma once

#include <QByteArrayView>
#include <QString>

// The model a client asks for, searched in the first bytes it sends: the
// value of the first "model" member, with any white space (line breaks
// included) around the colon. "General Request" when there is none.
QString proxyModelName(QByteArrayView firstRead);
