#pragma once

#include "dashboard/DashboardPage.h"
#include "dashboard/DashboardPageContext.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QWidget;

// Turns the selected page title into the page of the content pane. Titles
// compare exactly (case and spacing count); several titles share a page.
// Each page is built by a factory registered for it; a page without one,
// and any unknown title, shows the empty page.
class DashboardRouter {
public:
    using Factory = std::function<QWidget*(const DashboardPageContext& context)>;

    // The router with every page the application has.
    static const DashboardRouter& standard();

    static DashboardPage route(const QString& title);
    // The titles that lead to a page, in table order (none for empty).
    static QStringList titles(DashboardPage page);
    // The window's own long pages scroll with a visible indicator.
    static bool showsScrollIndicator(DashboardPage page);

    void setFactory(DashboardPage page, Factory factory);
    bool hasFactory(DashboardPage page) const;

    // A new page for the title, owned by the caller.
    QWidget* build(const QString& title, const DashboardPageContext& context) const;

private:
    std::array<Factory, kDashboardPageCount> m_factories;
};
