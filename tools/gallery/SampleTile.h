#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// A stand-in application image: a rounded gradient tile with a symbol.
QIcon sampleTile(const QColor& from, const QColor& to, const QString& symbol);
