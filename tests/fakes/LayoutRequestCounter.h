#pragma once

#include <QEvent>
#include <QObject>

// Counts the layout requests posted to the widgets it filters: a refresh that
// lays a window out again shows up as one or more.
struct LayoutRequestCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::LayoutRequest;
        return false;
    }
};
