#pragma once

#include <QString>
#include <QStringList>

// One external command line: the tool to start and its argument list.
struct ToolCommand {
    QString program;
    QStringList arguments;
};
