#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>

class QMenu;

// One item in the desktop's tray, as the shell drives it. The application
// uses SystemTrayItem; tests use a recorder.
class TrayItem : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False when the desktop has no tray: the item shows nothing and is
    // never clicked. It turns true, with buttonAppeared(), when a tray
    // shows up later.
    virtual bool hasButton() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& text) = 0;
    // Where the item is on screen (global coordinates); empty when the tray
    // does not say.
    virtual QRect geometry() const = 0;
    // False from the moment the item is first shown until the tray has put
    // it in its place; geometry() says nothing useful before. Turns true,
    // with placed(), once it has one, or once the tray has had long enough
    // and evidently never tells.
    virtual bool isPlaced() const = 0;
    // Shows `menu` at the item, or at the pointer when the item's place is
    // unknown, and returns at once. The menu stays the caller's.
    virtual void popUpMenu(QMenu* menu) = 0;

signals:
    // A left or right click on the item.
    void clicked(Qt::MouseButton button);
    // A tray appeared after the item was made: it now has a button, showing
    // the icon and tool tip set so far.
    void buttonAppeared();
    // The item now has its place on screen (see isPlaced()).
    void placed();
};
