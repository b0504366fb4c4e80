#pragma once

#include "app/PopoverPresenter.h"
#include "app/ShellPlatform.h"
#include "app/TrayItem.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

// A tray item that records what the shell does with it.
class FakeTrayItem final : public TrayItem {
public:
    FakeTrayItem(bool button, bool placed) : m_button(button), m_placed(placed) {}

    bool hasButton() const override { return m_button; }
    void setIcon(const QIcon& value) override
    {
        icon = value;
        ++iconSets;
    }
    void setToolTip(const QString& text) override { toolTip = text; }
    QRect geometry() const override { return place; }
    bool isPlaced() const override { return m_placed; }
    void popUpMenu(QMenu* menu) override { menus.push_back(menu); }

    void click(Qt::MouseButton button) { emit clicked(button); }
    // A tray shows up after the item was made.
    void appear()
    {
        m_button = true;
        emit buttonAppeared();
    }
    // The tray puts the item at `where`.
    void settle(const QRect& where)
    {
        place = where;
        m_placed = true;
        emit placed();
    }

    QIcon icon;
    int iconSets = 0;
    QString toolTip;
    QRect place{1200, 0, 22, 22};
    std::vector<QPointer<QMenu>> menus;

private:
    bool m_button;
    bool m_placed;
};

// A popover that only remembers whether and where it is shown. Owns its
// root view like the real one.
class FakePopover final : public PopoverPresenter {
public:
    explicit FakePopover(QWidget* content) : root(content) {}

    bool isShown() const override { return shown; }
    void show(const QRect& anchor) override
    {
        shown = true;
        anchors.push_back(anchor);
    }
    void close() override
    {
        shown = false;
        ++closes;
    }

    std::unique_ptr<QWidget> root;
    bool shown = false;
    int closes = 0;
    std::vector<QRect> anchors;
};

class FakeShellPlatform final : public ShellPlatform {
public:
    std::unique_ptr<TrayItem> createTrayItem() override
    {
        auto item = std::make_unique<FakeTrayItem>(trayAvailable, itemPlaced);
        items.push_back(item.get());
        return item;
    }
    std::unique_ptr<PopoverPresenter> createPopover(QWidget* content) override
    {
        auto created = std::make_unique<FakePopover>(content);
        popover = created.get();
        return created;
    }
    std::unique_ptr<QObject> watchOutsideClicks(std::function<void()> handler) override
    {
        ++watchesInstalled;
        if (refuseWatch)
            return nullptr;
        auto watch = std::make_unique<QObject>();
        QObject::connect(watch.get(), &QObject::destroyed, [this] { --liveWatches; });
        ++liveWatches;
        outsideClick = std::move(handler);
        return watch;
    }

    // A click in another application, as the watch would report it.
    void clickElsewhere()
    {
        if (liveWatches > 0 && outsideClick)
            outsideClick();
    }

    bool trayAvailable = true;
    bool itemPlaced = true; // false: the tray has yet to place a new item
    bool refuseWatch = false;
    std::vector<FakeTrayItem*> items;
    FakePopover* popover = nullptr;
    int watchesInstalled = 0;
    int liveWatches = 0;
    std::function<void()> outsideClick;
};
