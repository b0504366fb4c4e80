#pragma once

#include "app/PopoverPresenter.h"

#include <QWidget>

// The popover: a frameless tool window of 320 x 620 that holds the popover's
// root view. It never grabs the pointer; the shell closes it when the
// application loses the focus.
class PopoverWindow final : public QWidget, public PopoverPresenter {
    Q_OBJECT

public:
    static constexpr QSize kSize{320, 620};
    static constexpr int kGap = 4; // between the tray item and the popover

    // Takes ownership of `content`.
    explicit PopoverWindow(QWidget* content);

    bool isShown() const override { return isVisible(); }
    void show(const QRect& anchor) override;
    void close() override { hide(); }

    // Where a popover of `size` goes for a tray item at `anchor` on a screen
    // whose usable area is `screen`: centred under the item, or above it when
    // there is no room below, and always inside the screen.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& screen);
};
