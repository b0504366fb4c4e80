#pragma once

#include <QRect>

// The popover as the shell drives it: shown under the status item, closed
// only when the shell says so. The application uses PopoverWindow.
class PopoverPresenter {
public:
    virtual ~PopoverPresenter() = default;

    virtual bool isShown() const = 0;
    // Shows the popover under `anchor` (global coordinates), or near the
    // pointer when the anchor is empty, and gives it the focus.
    virtual void show(const QRect& anchor) = 0;
    virtual void close() = 0;
};
