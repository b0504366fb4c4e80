#pragma once

#include "localai/PortProber.h"

#include <QHash>
#include <QList>
#include <QObject>

// A prober that answers from a table: ports marked accepted or refused
// answer at once; every other port never answers (a filtered port), so the
// caller's time-out decides. Records every probed port.
class FakePortProber final : public PortProber {
public:
    QObject* start(quint16 port, Done done) override
    {
        probed << port;
        if (const auto it = answers.constFind(port); it != answers.constEnd())
            done(*it);
        return new QObject;
    }

    QHash<quint16, bool> answers;
    QList<quint16> probed;
};
