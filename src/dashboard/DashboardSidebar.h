#pragma once

#include <QWidget>

#include <functional>

class DashboardPageState;
class PlainLabel;
class QAbstractButton;
class QScrollArea;
class QVBoxLayout;
class SettingsStore;
class SidebarButton;
class ThemeManager;

// The dashboard's left pane: the logo and name, the three sections of page
// buttons (the first two follow the stored persona and are rebuilt when it
// changes) and the Quit button at the bottom.
class DashboardSidebar : public QWidget {
    Q_OBJECT

public:
    DashboardSidebar(DashboardPageState* state, ThemeManager* themeManager, SettingsStore* settings,
                     std::function<void()> onQuit, QWidget* parent = nullptr);

    // Space kept free above both panes' content.
    static constexpr int kTopInset = 24;

    QList<SidebarButton*> buttons() const;
    SidebarButton* button(const QString& title) const;
    QStringList sectionHeaders() const;
    // Whether the title row shows the logo image (else the shield symbol).
    bool showsLogoImage() const;
    QAbstractButton* quitButton() const { return m_quit; }
    // The list of page buttons, which scrolls when the window is short.
    QScrollArea* scrollArea() const { return m_scroll; }

    void applyTheme();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void revealSelection();
    void scrollToTop();

    void rebuildSections();

    DashboardPageState* m_state;
    ThemeManager* m_themeManager;
    SettingsStore* m_settings;
    PlainLabel* m_name;
    PlainLabel* m_caption;
    QWidget* m_logo;
    QVBoxLayout* m_sections;
    QAbstractButton* m_quit;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_fade = nullptr;
    QList<PlainLabel*> m_headers;
};
