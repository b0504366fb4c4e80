#pragma once

#include <QStringList>

// The names under which the user's running programs are known, as given
// (not case-folded). A program may contribute more than one name.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;

    virtual QStringList names() = 0;
};
