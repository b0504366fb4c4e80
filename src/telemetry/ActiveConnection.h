#pragma once

#include <QMetaType>
#include <QString>

// One established TCP connection as the network page lists it.
struct ActiveConnection {
    QString remote;        // local and remote endpoints
    QString status;        // the state word, "ESTABLISHED"
    QString processName;
    QString pid;           // decimal text

    bool operator==(const ActiveConnection&) const = default;
};

Q_DECLARE_METATYPE(ActiveConnection)
