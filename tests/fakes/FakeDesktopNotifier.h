#pragma once

#include "platform/DesktopNotifier.h"

#include <QList>

// Records every notification instead of showing it.
class FakeDesktopNotifier final : public DesktopNotifier {
public:
    struct Post {
        QString identifier;
        QString title;
        QString body;
    };

    void post(const QString& identifier, const QString& title, const QString& body) override
    {
        posts.append({identifier, title, body});
    }

    QList<Post> posts;
};
