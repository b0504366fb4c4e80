#pragma once

#include <QString>

// Shows a desktop notification. A later post with the same identifier
// replaces the earlier one instead of adding another. Never blocks and never
// fails loudly: where no notification service exists, nothing happens.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;

    virtual void post(const QString& identifier, const QString& title, const QString& body) = 0;
};
