#pragma once

#include <QString>

#include <optional>

// The registration that starts the application when the user logs in.
// Only `enabled` counts as registered.
class LoginItem {
public:
    enum class Status {
        enabled,          // registered and active
        notRegistered,    // no registration, or one that starts something else
        requiresApproval, // registered but switched off by the desktop's own settings
        notFound,         // the application's executable is unknown
    };

    virtual ~LoginItem() = default;

    virtual Status status() const = 0;
    // Each returns the error's description on failure, nothing on success.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
};
