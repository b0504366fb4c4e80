#pragma once

#include "widgets/RefreshCoalescer.h"

#include <functional>

class QWidget;

// A coalescer for a page that redraws only while it is shown: a refresh that
// falls due while the page is hidden is kept and runs when the page is next
// shown, so a hidden page costs nothing.
class ShownRefreshCoalescer : public RefreshCoalescer {
    Q_OBJECT

public:
    ShownRefreshCoalescer(QWidget* view, std::function<void()> refresh);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshIfShown();
    void refreshNow();

    QWidget* m_view;
    std::function<void()> m_refreshView;
    bool m_stale = false;
};
