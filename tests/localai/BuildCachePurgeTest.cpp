#include "CacheHome.h"

#include "support/BindMount.h"
#include "support/DeepTree.h"
#include "support/ImmutableFile.h"
#include "support/PrintCapture.h"
#include "support/TaskRunner.h"

#include <QSignalSpy>

#include <optional>

using namespace cachehome;

namespace {

const QString kDerivedData = QStringLiteral("Library/Developer/Xcode/DerivedData");

// Runs code with the working folder moved, for traps behind relative paths.
template <typename F>
void inFolder(const QString& folder, F&& body)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    body();
    QDir::setCurrent(previous);
}

} // namespace

class BuildCachePurgeTest : public CacheHomeTest {
protected:
    void SetUp() override
    {
        CacheHomeTest::SetUp();
        writeFile(outside + QStringLiteral("/precious"), 5);
    }
    bool outsideIntact() const { return exists(outside + QStringLiteral("/precious")); }
    bool run(QCoro::Task<> task) { return runTask(std::move(task)); }
};

TEST_F(BuildCachePurgeTest, EachFolderPurgeRemovesWhatItOwnsAndNoLinkTarget)
{
    using S = BuildCacheService;
    struct Case {
        QString folder;
        QCoro::Task<> (S::*purge)();
        qint64 (S::*size)() const;
        bool keepsFolder;
    };
    const QList<Case> cases = {
        {kDerivedData, &S::purgeDerivedData, &S::derivedDataSize, true},
        {QStringLiteral(".cache/org.swift.swiftpm"), &S::purgeSPMCache, &S::spmCacheSize, true},
        {QStringLiteral(".npm"), &S::purgeNpmCache, &S::npmCacheSize, false},
        {QStringLiteral(".cache/go-build"), &S::purgeGoCache, &S::goCacheSize, false},
        {QStringLiteral(".cache/com.apple.FinalCut"), &S::purgeFinalCutCache, &S::finalCutCacheSize, false},
        {QStringLiteral(".cache/DaVinci Resolve"), &S::purgeDavinciCache, &S::davinciCacheSize, false},
        {QStringLiteral(".local/share/Adobe/Common/Media Cache Files"), &S::purgeAdobeCache, &S::adobeCacheSize,
         false},
    };
    for (const Case& c : cases) {
        const QString root = inHome(c.folder);
        writeFile(root + QStringLiteral("/ProjectA/Build/a.o"), 100);
        writeFile(root + QStringLiteral("/ProjectB/b.idx"), 200);
        writeFile(root + QStringLiteral("/.DS_Store"), 3);
        link(outside, root + QStringLiteral("/escape"));
        link(outside + QStringLiteral("/precious"), root + QStringLiteral("/ProjectA/precious-link"));
        writeFile(inHome(QStringLiteral(".cargo/registry/keep")), 11);
        ASSERT_TRUE(run(service->scanCaches()));
        EXPECT_EQ(((*service).*c.size)(), 300);

        ASSERT_TRUE(run(((*service).*c.purge)()));
        if (c.keepsFolder)
            EXPECT_TRUE(isEmptyDir(root)) << c.folder.toStdString();
        else
            EXPECT_FALSE(exists(root)) << c.folder.toStdString();
        EXPECT_EQ(((*service).*c.size)(), 0);
        EXPECT_TRUE(outsideIntact());
        EXPECT_EQ(service->cargoCacheSize(), 11) << "other caches stay";
    }
}

TEST_F(BuildCachePurgeTest, CargoAndMissingFoldersAreHandledIndependently)
{
    writeFile(inHome(QStringLiteral(".cargo/git/checkouts/x")), 60);
    writeFile(inHome(QStringLiteral(".cargo/bin/cargo")), 70);
    ASSERT_TRUE(run(service->scanCaches()));
    writeFile(inHome(QStringLiteral(".cache/go-build/aa/blob")), 123); // appears after the last pass

    ASSERT_TRUE(run(service->purgeCargoCache()));
    EXPECT_FALSE(exists(inHome(QStringLiteral(".cargo/git"))));
    EXPECT_TRUE(exists(inHome(QStringLiteral(".cargo/bin/cargo"))));
    EXPECT_EQ(service->goCacheSize(), 123) << "every purge re-measures all eight folders";

    ASSERT_TRUE(run(service->purgeDerivedData()));
    EXPECT_FALSE(exists(inHome(kDerivedData))) << "a missing folder is not created";
}

TEST_F(BuildCachePurgeTest, LinkedCacheFoldersAndUnsaneHomesAreRefused)
{
    // ~/.cache is a link: nothing is deleted through it.
    writeFile(outside + QStringLiteral("/xdg/org.swift.swiftpm/repo"), 9);
    writeFile(outside + QStringLiteral("/xdg/go-build/blob"), 9);
    link(outside + QStringLiteral("/xdg"), inHome(QStringLiteral(".cache")));
    ASSERT_TRUE(run(service->purgeSPMCache()));
    ASSERT_TRUE(run(service->purgeGoCache()));
    EXPECT_TRUE(exists(outside + QStringLiteral("/xdg/org.swift.swiftpm/repo")));
    EXPECT_TRUE(exists(outside + QStringLiteral("/xdg/go-build/blob")));
    // DerivedData itself is a link: its target keeps its children.
    link(outside, inHome(kDerivedData));
    ASSERT_TRUE(run(service->purgeDerivedData()));
    EXPECT_TRUE(outsideIntact());
    // .npm is a link: the link goes, never its target.
    link(outside, inHome(QStringLiteral(".npm")));
    ASSERT_TRUE(run(service->purgeNpmCache()));
    EXPECT_FALSE(exists(inHome(QStringLiteral(".npm"))));
    EXPECT_TRUE(outsideIntact());

    writeFile(inHome(QStringLiteral(".npm/blob")), 1);
    writeFile(inHome(QStringLiteral(".nvm/versions/node/v1/bin/node")), 1);
    const QStringList badHomes = {home + QStringLiteral("/"), home + QStringLiteral("/../home"),
                                  QStringLiteral("home"), QString(), QStringLiteral("/")};
    inFolder(dir.path(), [&] {
        for (const QString& badHome : badHomes) {
            auto other = makeService(badHome);
            ASSERT_TRUE(run(other->purgeNpmCache()));
            ASSERT_TRUE(run(other->purgeSDKVersion(badHome + QStringLiteral("/.nvm/versions/node/v1"))));
            EXPECT_EQ(other->npmCacheSize(), 0);
            EXPECT_TRUE(other->foundSDKVersions().isEmpty());
        }
    });
    EXPECT_TRUE(exists(inHome(QStringLiteral(".npm/blob"))));
    EXPECT_TRUE(exists(inHome(QStringLiteral(".nvm/versions/node/v1/bin/node"))));
}

// A row counts what its purge may take (no mounted folder or file, nothing behind a linked parent), then reads Clean.
TEST_F(BuildCachePurgeTest, TheRowCountsWhatThePurgeTakesAndLeavesMountsAndLinkedParents)
{
    using S = BuildCacheService;
    struct Case {
        QCoro::Task<> (S::*purge)();
        qint64 (S::*size)() const;
        QString taken, mountedFrom, mountedOn; // a 7-byte file in a folder of its own, the row's whole size; a bind mount
        QString line, survivor;                // printed once by the purge; stays
    };
    const QString folderMount = inHome(QStringLiteral(".cargo/registry/src/mounted"));
    const QString fileMount = inHome(QStringLiteral(".npm/_cacache/content/mounted.bin"));
    const QString left = QStringLiteral("⚠️ Purge left 1 mount point in place, first: ");
    const QList<Case> cases = { // the mounted ones last: they are skipped where mounting is refused
        {&S::purgeAdobeCache, &S::adobeCacheSize, {}, {}, {},
         QStringLiteral("⚠️ Purge refused 1 path behind a link, first: ") + inHome(QStringLiteral(".local/share/Adobe/Common/Media Cache Files")),
         outside + QStringLiteral("/Adobe/Common/Media Cache Files/clip.cfa")},
        {&S::purgeCargoCache, &S::cargoCacheSize, inHome(QStringLiteral(".cargo/registry/index/entry")),
         outside + QStringLiteral("/crates"), folderMount, left + folderMount, folderMount + QStringLiteral("/big.crate")},
        {&S::purgeNpmCache, &S::npmCacheSize, inHome(QStringLiteral(".npm/_cacache/index-v5/entry")),
         outside + QStringLiteral("/tarball.tgz"), fileMount, left + fileMount, outside + QStringLiteral("/tarball.tgz")},
    };
    writeFile(outside + QStringLiteral("/crates/big.crate"), 40);
    writeFile(outside + QStringLiteral("/tarball.tgz"), 2'500'000);
    writeFile(outside + QStringLiteral("/Adobe/Common/Media Cache Files/clip.cfa"), 3'000'000);
    link(outside + QStringLiteral("/Adobe"), inHome(QStringLiteral(".local/share/Adobe")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        std::optional<BindMount> mount;
        if (!c.mountedFrom.isEmpty()) {
            QFileInfo(c.mountedFrom).isDir() ? makeDir(c.mountedOn) : writeFile(c.mountedOn, 0);
            if (!mount.emplace(c.mountedFrom, c.mountedOn).usable())
                GTEST_SKIP() << "the mounted cases: " << mount->reason().toStdString();
        }
        if (!c.taken.isEmpty())
            writeFile(c.taken, 7);
        ASSERT_TRUE(run(service->scanCaches()));
        EXPECT_EQ(((*service).*c.size)(), c.taken.isEmpty() ? 0 : 7) << "what the purge may take, no more";
        PrintCapture printed;
        ASSERT_TRUE(run(((*service).*c.purge)()));
        EXPECT_EQ(printed.lines(), QStringList{c.line});
        EXPECT_FALSE(!c.taken.isEmpty() && exists(QFileInfo(c.taken).path())) << "its folder too";
        EXPECT_TRUE(exists(c.survivor));
        EXPECT_EQ(((*service).*c.size)(), 0) << "the row reads Clean";
    }
}

TEST_F(BuildCachePurgeTest, DeepTreesArePurgedWithFewDescriptorsAndWhatStaysIsShown)
{
    // Thousands of folders made and removed: slow on a busy disk.
    constexpr auto kDeepWork = std::chrono::minutes(2);
    const QString npm = inHome(QStringLiteral(".npm"));
    ASSERT_TRUE(deeptree::make(npm, 5000, 10));
    const int bottom = deeptree::openLevel(npm, 5000, false);
    ASSERT_GE(bottom, 0);
    ImmutableFile pinned(bottom, "bottom");
    ::close(bottom);
    ASSERT_TRUE(runTask(service->scanCaches(), kDeepWork));
    EXPECT_EQ(service->npmCacheSize(), 20) << "every level is measured";
    PrintCapture printed;

    if (pinned.usable()) {
        {
            deeptree::DescriptorCap cap(64);
            ASSERT_TRUE(cap.applied());
            ASSERT_TRUE(runTask(service->purgeNpmCache(), kDeepWork));
        }
        ASSERT_EQ(printed.lines().size(), 1);
        EXPECT_EQ(printed.lines().first(), QStringLiteral("⚠️ Purge left 1 item in place, first: ") + npm
                                               + QStringLiteral("/d").repeated(5000) + QStringLiteral("/bottom"));
        EXPECT_EQ(service->npmCacheSize(), 10) << "the file that stayed, not 0";
        printed.clear();
    } else {
        std::printf("immutable files are not available here; only the full purge is checked\n");
    }
    pinned.release();
    {
        deeptree::DescriptorCap cap(64);
        ASSERT_TRUE(cap.applied());
        ASSERT_TRUE(runTask(service->purgeNpmCache(), kDeepWork));
    }
    EXPECT_FALSE(exists(npm));
    EXPECT_EQ(service->npmCacheSize(), 0);
    EXPECT_TRUE(printed.lines().isEmpty());
}

TEST_F(BuildCachePurgeTest, SDKPurgeRemovesAVersionEntryAndRescans)
{
    const QString v18 = inHome(QStringLiteral(".nvm/versions/node/v18.16.0"));
    const QString target = inHome(QStringLiteral(".local/share/mise/installs/node/20.11.0"));
    const QString latest = inHome(QStringLiteral(".local/share/mise/installs/node/latest"));
    writeFile(v18 + QStringLiteral("/bin/node"), 10);
    link(outside, v18 + QStringLiteral("/lib/escape"));
    writeFile(target + QStringLiteral("/bin/node"), 10);
    link(target, latest);
    ASSERT_TRUE(run(service->scanSDKVersions()));
    ASSERT_EQ(service->foundSDKVersions().size(), 3);
    QSignalSpy spy(service.get(), &BuildCacheService::foundSDKVersionsChanged);

    ASSERT_TRUE(run(service->purgeSDKVersion(v18)));
    EXPECT_FALSE(exists(v18));
    EXPECT_TRUE(outsideIntact());
    ASSERT_TRUE(run(service->purgeSDKVersion(latest)));
    EXPECT_FALSE(exists(latest));
    EXPECT_TRUE(exists(target + QStringLiteral("/bin/node"))) << "a linked entry is unlinked, not followed";
    ASSERT_EQ(service->foundSDKVersions().size(), 1);
    EXPECT_EQ(service->foundSDKVersions().first().id(), QStringLiteral("mise-node-20.11.0"));

    ASSERT_TRUE(run(service->purgeSDKVersion(v18)));
    EXPECT_EQ(spy.count(), 3) << "rescanned even when the folder was already gone";
}

TEST_F(BuildCachePurgeTest, SDKPurgeRefusesAnythingButAVersionEntry)
{
    // Version-looking folders reached through linked folders.
    writeFile(outside + QStringLiteral("/asdf/installs/golang/1.20/bin/go"), 1);
    link(outside + QStringLiteral("/asdf"), inHome(QStringLiteral(".asdf")));
    writeFile(outside + QStringLiteral("/tools/1.0/x"), 1);
    link(outside + QStringLiteral("/tools"), inHome(QStringLiteral(".local/share/mise/installs/python")));
    // Real folders that are not version entries.
    writeFile(inHome(QStringLiteral(".nvm/versions/node/system/x")), 1);
    writeFile(inHome(QStringLiteral(".nvm/versions/node/v1/bin/node")), 1);
    writeFile(inHome(QStringLiteral(".local/share/mise/installs/node/.hidden/x")), 1);
    writeFile(inHome(QStringLiteral(".npm/blob")), 1);
    // A "~" folder in the working folder: the trap for a demo path taken literally.
    const QString tildeVersion = dir.filePath(QStringLiteral("~/.nvm/versions/node/v18.16.0/keep"));
    writeFile(tildeVersion, 1);

    const QStringList refused = {
        QStringLiteral("~/.nvm/versions/node/v18.16.0"),
        QStringLiteral(".nvm/versions/node/v1"),
        inHome(QStringLiteral(".asdf/installs/golang/1.20")),
        inHome(QStringLiteral(".local/share/mise/installs/python/1.0")),
        inHome(QStringLiteral(".local/share/mise/installs/node/.hidden")),
        inHome(QStringLiteral(".nvm/versions/node/system")),
        inHome(QStringLiteral(".nvm/versions/node/v1/bin")),
        inHome(QStringLiteral(".nvm/versions/node/v1/")),
        inHome(QStringLiteral(".nvm/versions/node/v1/../v1")),
        inHome(QStringLiteral(".nvm/versions/node")),
        inHome(QStringLiteral(".npm")),
        home,
        outside,
    };
    ASSERT_TRUE(run(service->scanSDKVersions()));
    for (const SDKVersionInfo& row : service->foundSDKVersions())
        EXPECT_EQ(row.sizeBytes, row.manager == QLatin1String("nvm") ? 1 : 0) << "sized as the purge reaches it";
    PrintCapture printed;
    inFolder(dir.path(), [&] {
        for (const QString& path : refused)
            ASSERT_TRUE(run(service->purgeSDKVersion(path))) << path.toStdString();
    });
    const QString behindLink = QStringLiteral("⚠️ Purge refused 1 path behind a link, first: ");
    EXPECT_EQ(printed.lines(), (QStringList{behindLink + refused[2], behindLink + refused[3]}));
    for (const QString& survivor :
         {outside + QStringLiteral("/asdf/installs/golang/1.20/bin/go"), outside + QStringLiteral("/tools/1.0/x"),
          inHome(QStringLiteral(".nvm/versions/node/system/x")), inHome(QStringLiteral(".nvm/versions/node/v1/bin/node")),
          inHome(QStringLiteral(".local/share/mise/installs/node/.hidden/x")), inHome(QStringLiteral(".npm/blob")),
          tildeVersion, outside + QStringLiteral("/precious")})
        EXPECT_TRUE(exists(survivor)) << survivor.toStdString();
}

TEST_F(BuildCachePurgeTest, DemoSDKPurgeEditsTheRowsOnly)
{
    demo = true;
    const QString trap = dir.filePath(QStringLiteral("~/.nvm/versions/node/v18.16.0/keep"));
    writeFile(trap, 1);
    ASSERT_TRUE(run(service->scanSDKVersions()));
    QSignalSpy spy(service.get(), &BuildCacheService::foundSDKVersionsChanged);

    inFolder(dir.path(), [&] { ASSERT_TRUE(run(service->purgeSDKVersion(QStringLiteral("~/.nvm/versions/node/v18.16.0")))); });
    EXPECT_TRUE(exists(trap));
    ASSERT_EQ(service->foundSDKVersions().size(), 3);
    EXPECT_EQ(service->foundSDKVersions().first().version, QStringLiteral("v20.9.0"));
    ASSERT_TRUE(run(service->purgeSDKVersion(QStringLiteral("~/nothing"))));
    EXPECT_EQ(service->foundSDKVersions().size(), 3);
    EXPECT_EQ(spy.count(), 2) << "announced even when no row matched";

    // Once the last row is gone, the next pass brings all four back.
    for (const QString& path : {QStringLiteral("~/.nvm/versions/node/v20.9.0"),
                                QStringLiteral("~/.local/share/mise/installs/python/3.11.4"),
                                QStringLiteral("~/.asdf/installs/golang/1.20.5")})
        ASSERT_TRUE(run(service->purgeSDKVersion(path)));
    EXPECT_TRUE(service->foundSDKVersions().isEmpty());
    ASSERT_TRUE(run(service->scanSDKVersions()));
    EXPECT_EQ(service->foundSDKVersions().size(), 4);
}

TEST_F(BuildCachePurgeTest, PurgeCacheMatchesCaseSensitivelyAndNeverReadsDemoMode)
{
    QSignalSpy hf(service.get(), &BuildCacheService::huggingfaceCacheSizeGBChanged);
    QSignalSpy ollama(service.get(), &BuildCacheService::ollamaCacheSizeGBChanged);
    for (const char* path : {"HuggingFace", "~/.OLLAMA/models", "/somewhere/else"})
        service->purgeCache(QString::fromLatin1(path));
    EXPECT_DOUBLE_EQ(service->huggingfaceCacheSizeGB(), 12.4);
    EXPECT_DOUBLE_EQ(service->ollamaCacheSizeGB(), 18.2);

    service->purgeCache(QStringLiteral("~/.cache/huggingface/ollama"));
    EXPECT_DOUBLE_EQ(service->huggingfaceCacheSizeGB(), 0.0);
    EXPECT_DOUBLE_EQ(service->ollamaCacheSizeGB(), 18.2) << "huggingface is tested first";
    service->purgeCache(QStringLiteral("~/.ollama/models"));
    EXPECT_DOUBLE_EQ(service->ollamaCacheSizeGB(), 0.0);
    service->purgeCache(QStringLiteral("huggingface"));
    EXPECT_EQ(hf.count(), 1);
    EXPECT_EQ(ollama.count(), 1);
    EXPECT_EQ(demoReads, 0);

    demo = true;
    ASSERT_TRUE(run(service->scanCaches()));
    EXPECT_DOUBLE_EQ(service->huggingfaceCacheSizeGB(), 0.0) << "nothing brings the figures back";
}
