#pragma once

#include <QString>

// One sidebar entry: a symbol name and the page title, which is both the
// label and the page's identity.
struct SidebarItem {
    QString icon;
    QString title;

    bool operator==(const SidebarItem&) const = default;
};
