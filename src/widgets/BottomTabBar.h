#pragma once

#include <QWidget>

class SettingsStore;
class TabBarButton;
class TabSelection;

// A free-standing bar of five tab buttons spread over its width (activity,
// warnings, terminal, servers, speed) on a dark rounded plate, bound to a
// page index of its owner.
class BottomTabBar : public QWidget {
    Q_OBJECT

public:
    explicit BottomTabBar(TabSelection* selectedTab, QWidget* parent = nullptr, SettingsStore* settings = nullptr);

    QList<TabBarButton*> buttons() const { return m_buttons; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<TabBarButton*> m_buttons;
};
