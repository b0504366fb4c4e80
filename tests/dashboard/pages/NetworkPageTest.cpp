#include "dashboard/pages/NetworkPage.h"

#include "support/InertServices.h"
#include "widgets/KeyedRowList.h"
#include "widgets/NetworkCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolView.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

ActiveConnection connection(const QString& remote, const QString& pid, const QString& status = "ESTABLISHED")
{
    return {remote, status, QStringLiteral("curl"), pid};
}

bool hasKill(QWidget* row) { return !row->findChild<SymbolButton*>(QStringLiteral("killButton"))->isHidden(); }

} // namespace

TEST(NetworkPage, KillButtonOnlyForAPidThatMayBeKilled)
{
    const QString own = QString::number(QCoreApplication::applicationPid());
    struct Case {
        QString pid;
        bool offered;
    };
    for (const Case& c : {Case{"", false}, Case{"0", false}, Case{"1", false}, Case{own, false},
                          Case{"00", true}, Case{" 0", true}, Case{"4242", true}})
        EXPECT_EQ(NetworkPage::offersKill(c.pid), c.offered) << c.pid.toStdString();

    InertServices s;
    NetworkPage page(s.stats.get());
    s.stats->setActiveConnections({connection("10.0.0.2:443", "4242"), connection("10.0.0.3:22", own),
                                   connection("No external connections", "0", "IDLE")});
    page.refreshNow();
    QStringList kill;
    for (QWidget* row : page.connectionList()->rows())
        kill << (hasKill(row) ? "kill" : "-");
    EXPECT_EQ(kill, QStringList({"kill", "-", "-"}));
}

TEST(NetworkPage, MarkerStatusColourAndRowsFollowTheList)
{
    for (const auto& [remote, flagged] : {std::pair{"142.250.74.46 (google)", true}, std::pair{"Google DNS", false},
                                          std::pair{"tracker.example:443", true}, std::pair{"example.org", false}})
        EXPECT_EQ(NetworkPage::isFlagged(QString::fromUtf8(remote)), flagged) << remote;

    InertServices s;
    NetworkPage page(s.stats.get());
    s.stats->setNetworkDownload(12.345);
    s.stats->setActiveConnections({connection("a.google.com:443", "10"), connection("b:80", "11", "established"),
                                   connection("c:80", "12")});
    page.refreshNow();
    EXPECT_EQ(page.downloadCard()->value(), "12.3 KB/s");
    ASSERT_EQ(page.connectionList()->count(), 3);
    QWidget* first = page.connectionList()->rows().first();
    EXPECT_EQ(first->findChild<SymbolView*>()->symbol(), "eye.trianglebadge.exclamationmark");
    const auto statusOf = [](QWidget* row) {
        for (PlainLabel* label : row->findChildren<PlainLabel*>())
            if (label->text().compare(QLatin1String("ESTABLISHED"), Qt::CaseInsensitive) == 0)
                return label->textColor();
        return UiColor();
    };
    EXPECT_EQ(statusOf(first), UiColor(SystemColor::green));
    EXPECT_EQ(statusOf(page.connectionList()->rows()[1]), UiColor(SystemColor::secondary));

    // A shorter list: its rows only, showing the new entries.
    s.stats->setActiveConnections({connection("d.example:443", "0", "IDLE")});
    page.refreshNow();
    ASSERT_EQ(page.connectionList()->count(), 1);
    QWidget* only = page.connectionList()->rows().first();
    EXPECT_EQ(only->findChild<SymbolView*>()->symbol(), "globe");
    EXPECT_FALSE(hasKill(only));
    s.stats->setActiveConnections({});
    page.refreshNow();
    EXPECT_EQ(page.connectionList()->count(), 0);
}

TEST(NetworkPage, TheSamplerReadsConnectionsOnlyWhileThePageIsShown)
{
    InertServices s;
    auto page = std::make_unique<NetworkPage>(s.stats.get());
    EXPECT_FALSE(s.stats->connectionsShown());
    page->show();
    EXPECT_TRUE(s.stats->connectionsShown());
    page->hide();
    EXPECT_FALSE(s.stats->connectionsShown());
    page->show();
    page.reset();
    EXPECT_FALSE(s.stats->connectionsShown()) << "a page deleted while shown lets go too";
}
