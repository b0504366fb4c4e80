#pragma once

#include "platform/ProcessIconProvider.h"

#include <QHash>
#include <QStringList>

// Answers with the icons it was given per path and records every request.
class FakeIconProvider final : public ProcessIconProvider {
public:
    QIcon iconForPath(const QString& path) override
    {
        requests.append(path);
        return icons.value(path);
    }

    QHash<QString, QIcon> icons;
    QStringList requests;
};
