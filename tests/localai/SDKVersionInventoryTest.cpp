#include "CacheHome.h"

#include "support/TaskRunner.h"

#include <QSignalSpy>

using namespace cachehome;

class SDKVersionInventoryTest : public CacheHomeTest {
protected:
    QString nvm(const QString& v) const { return inHome(QStringLiteral(".nvm/versions/node/") + v); }
    QString mise(const QString& p) const { return inHome(QStringLiteral(".local/share/mise/installs/") + p); }
    QString asdf(const QString& p) const { return inHome(QStringLiteral(".asdf/installs/") + p); }

    QStringList scanIds()
    {
        EXPECT_TRUE(runTask(service->scanSDKVersions()));
        QStringList out;
        for (const SDKVersionInfo& row : service->foundSDKVersions())
            out << row.id();
        return out;
    }
    const SDKVersionInfo& row(const QString& id) const
    {
        for (const SDKVersionInfo& r : service->foundSDKVersions()) {
            if (r.id() == id)
                return r;
        }
        static const SDKVersionInfo none;
        ADD_FAILURE() << "no row " << id.toStdString();
        return none;
    }
};

TEST_F(SDKVersionInventoryTest, ListsVisibleVersionEntriesWithoutFollowingLinks)
{
    makeDir(inHome(QStringLiteral(".local/share")));
    EXPECT_TRUE(scanIds().isEmpty());

    writeFile(nvm(QStringLiteral("v21.1.0/bin/node")), 4000);
    writeFile(nvm(QStringLiteral("v21.1.0/.cache/junk")), 999);
    for (const QString& skipped : {QStringLiteral("system"), QStringLiteral("V21"), QStringLiteral(".v19")})
        makeDir(nvm(skipped));
    writeFile(mise(QStringLiteral("node/20.11.0/bin/node")), 700);
    link(mise(QStringLiteral("node/20.11.0")), mise(QStringLiteral("node/latest")));
    makeDir(mise(QStringLiteral("node/.hidden-version")));
    makeDir(mise(QStringLiteral(".hidden-tool/1.0")));
    writeFile(mise(QStringLiteral("stray-file")), 10);
    writeFile(outside + QStringLiteral("/elsewhere/9.9/big"), 100'000);
    link(outside + QStringLiteral("/elsewhere"), mise(QStringLiteral("linked-tool")));
    writeFile(asdf(QStringLiteral("golang/1.21.0/bin/go")), 300);

    QStringList ids = scanIds();
    ids.sort();
    EXPECT_EQ(ids, (QStringList{QStringLiteral("asdf-golang-1.21.0"), QStringLiteral("mise-node-20.11.0"),
                                QStringLiteral("mise-node-latest"), QStringLiteral("nvm-node-v21.1.0")}));
    const SDKVersionInfo& node = row(QStringLiteral("nvm-node-v21.1.0"));
    EXPECT_EQ(node.path, nvm(QStringLiteral("v21.1.0")));
    EXPECT_EQ(node.sizeBytes, 4000);
    EXPECT_EQ(row(QStringLiteral("mise-node-20.11.0")).sizeBytes, 700);
    EXPECT_EQ(row(QStringLiteral("mise-node-latest")).sizeBytes, 0) << "a linked entry is never walked";
    EXPECT_EQ(row(QStringLiteral("asdf-golang-1.21.0")).path, asdf(QStringLiteral("golang/1.21.0")));
}

TEST_F(SDKVersionInventoryTest, OldestFirstWithTiesInManagerThenNameOrder)
{
    const auto made = [&](const QString& path, int daysAgo) {
        makeDir(path);
        setModified(path, clock.now().addDays(-daysAgo));
    };
    made(nvm(QStringLiteral("v10")), 10);
    made(mise(QStringLiteral("python/3.12")), 40);
    made(asdf(QStringLiteral("ruby/3.3")), 5);
    made(asdf(QStringLiteral("ruby/3.2")), 10);
    made(asdf(QStringLiteral("erlang/26")), 10);

    QSignalSpy spy(service.get(), &BuildCacheService::foundSDKVersionsChanged);
    const QStringList expected = {QStringLiteral("mise-python-3.12"), QStringLiteral("nvm-node-v10"),
                                  QStringLiteral("asdf-erlang-26"), QStringLiteral("asdf-ruby-3.2"),
                                  QStringLiteral("asdf-ruby-3.3")};
    EXPECT_EQ(scanIds(), expected);
    EXPECT_EQ(row(expected[0]).lastAccessDate.toSecsSinceEpoch(), clock.now().addDays(-40).toSecsSinceEpoch());
    EXPECT_EQ(scanIds(), expected);
    EXPECT_EQ(spy.count(), 2) << "an equal list is announced too";
}

TEST_F(SDKVersionInventoryTest, DemoRowsFillAnEmptyListOnlyAndTouchNoFile)
{
    makeDir(nvm(QStringLiteral("v1")));
    demo = true;
    {
        WorkerHold hold(worker);
        EXPECT_EQ(scanIds(), (QStringList{QStringLiteral("nvm-node-v18.16.0"), QStringLiteral("nvm-node-v20.9.0"),
                                          QStringLiteral("mise-python-3.11.4"), QStringLiteral("asdf-golang-1.20.5")}));
        const QList<SDKVersionInfo>& rows = service->foundSDKVersions();
        EXPECT_EQ(rows[0].path, QStringLiteral("~/.nvm/versions/node/v18.16.0"));
        EXPECT_EQ(rows[2].path, QStringLiteral("~/.local/share/mise/installs/python/3.11.4"));
        EXPECT_DOUBLE_EQ(rows[0].sizeInMB(), 180.0);
        EXPECT_EQ(rows[3].sizeBytes, 419'430'400);
        EXPECT_EQ(rows[1].lastAccessDate, clock.now().addSecs(-172'800));
        EXPECT_EQ(rows[3].lastAccessDate, clock.now().addSecs(-10'368'000));

        QSignalSpy spy(service.get(), &BuildCacheService::foundSDKVersionsChanged);
        scanIds();
        EXPECT_EQ(spy.count(), 0) << "once filled, demo passes leave the list alone";
    }
    demo = false;
    EXPECT_EQ(scanIds(), QStringList{QStringLiteral("nvm-node-v1")});
    demo = true;
    EXPECT_EQ(scanIds(), QStringList{QStringLiteral("nvm-node-v1")}) << "a real list is kept in demo mode";
}
