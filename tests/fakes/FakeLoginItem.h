#pragma once

#include "platform/LoginItem.h"

// A login registration in memory that counts its calls and can be told
// to fail.
class FakeLoginItem : public LoginItem {
public:
    Status current = Status::notRegistered;
    std::optional<QString> failure;
    mutable int statusReads = 0;
    int registers = 0;
    int unregisters = 0;

    Status status() const override
    {
        ++statusReads;
        return current;
    }
    std::optional<QString> registerItem() override
    {
        ++registers;
        if (!failure)
            current = Status::enabled;
        return failure;
    }
    std::optional<QString> unregisterItem() override
    {
        ++unregisters;
        if (!failure)
            current = Status::notRegistered;
        return failure;
    }
};
