#pragma once

#include <QEvent>
#include <QObject>
#include <QStringList>

// Names the widgets that receive a paint event while it filters the
// application's events: a refresh that changed nothing should name none.
struct PaintCounter : QObject {
    QStringList painted;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted << QString::fromLatin1(watched->metaObject()->className());
        return false;
    }
};
