#include "localai/BuildCacheService.h"

#include "core/Clock.h"
#include "core/Print.h"
#include "localai/ToolchainInventory.h"
#include "platform/FileWorker.h"
#include "platform/SafeDelete.h"
#include "platform/TreeSizeCache.h"

#include <QCoroFuture>
#include <QPointer>

// Awaited futures and gate entries are named before the co_await: g++ 12
// destroys non-trivial temporaries of a co_await expression twice.

namespace {

constexpr int kPollIntervalMs = 5000;

enum Row { derivedData, spm, npm, cargo, go, finalCut, davinci, adobe };

QString inHome(const QString& home, const QString& relative) { return home + QLatin1Char('/') + relative; }

QList<SDKVersionInfo> demoVersions(const QDateTime& now)
{
    return {
        {QStringLiteral("nvm"), QStringLiteral("node"), QStringLiteral("v18.16.0"),
         QStringLiteral("~/.nvm/versions/node/v18.16.0"), 188'743'680, now.addSecs(-3'888'000)},
        {QStringLiteral("nvm"), QStringLiteral("node"), QStringLiteral("v20.9.0"),
         QStringLiteral("~/.nvm/versions/node/v20.9.0"), 199'229'440, now.addSecs(-172'800)},
        {QStringLiteral("mise"), QStringLiteral("python"), QStringLiteral("3.11.4"),
         QStringLiteral("~/.local/share/mise/installs/python/3.11.4"), 314'572'800, now.addSecs(-7'776'000)},
        {QStringLiteral("asdf"), QStringLiteral("golang"), QStringLiteral("1.20.5"),
         QStringLiteral("~/.asdf/installs/golang/1.20.5"), 419'430'400, now.addSecs(-10'368'000)},
    };
}

} // namespace

// One measured folder below the home folder. Per-user "Caches" and
// "Application Support" folders live under ~/.cache and ~/.local/share on
// Linux; folders with no Linux counterpart keep their home-relative path and
// simply measure 0 when absent.
//
// A purge removes the folder's contents (or, for folders the tools expect to
// find, only its children) and then any extra folders of the same tool.
struct BuildCacheService::CacheFolder {
    QString relativePath;
    qint64 demoBytes;
    qint64 BuildCacheService::*field;
    void (BuildCacheService::*signal)();
    // What the purge removes, and so what the size counts.
    SafeDelete::Scope purgeScope = SafeDelete::Scope::whole;
    QStringList purgeAlso = {};
};

const QList<BuildCacheService::CacheFolder>& BuildCacheService::cacheFolders()
{
    using S = BuildCacheService;
    static const QList<CacheFolder> folders = {
        {QStringLiteral("Library/Developer/Xcode/DerivedData"), 42'450'000'000, &S::m_derivedDataSize,
         &S::derivedDataSizeChanged, SafeDelete::Scope::contents},
        {QStringLiteral(".cache/org.swift.swiftpm"), 8'210'000'000, &S::m_spmCacheSize, &S::spmCacheSizeChanged,
         SafeDelete::Scope::contents},
        {QStringLiteral(".npm"), 4'120'000'000, &S::m_npmCacheSize, &S::npmCacheSizeChanged},
        // The git checkouts go too, though no pass measures them.
        {QStringLiteral(".cargo/registry"), 9'560'000'000, &S::m_cargoCacheSize, &S::cargoCacheSizeChanged,
         SafeDelete::Scope::whole, {QStringLiteral(".cargo/git")}},
        {QStringLiteral(".cache/go-build"), 3'420'000'000, &S::m_goCacheSize, &S::goCacheSizeChanged},
        {QStringLiteral(".cache/com.apple.FinalCut"), 18'450'000'000, &S::m_finalCutCacheSize,
         &S::finalCutCacheSizeChanged},
        {QStringLiteral(".cache/DaVinci Resolve"), 34'820'000'000, &S::m_davinciCacheSize,
         &S::davinciCacheSizeChanged},
        {QStringLiteral(".local/share/Adobe/Common/Media Cache Files"), 27'110'000'000, &S::m_adobeCacheSize,
         &S::adobeCacheSizeChanged},
    };
    return folders;
}

BuildCacheService::BuildCacheService(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent), m_deps(std::move(deps)), m_sizes(std::make_shared<TreeSizeCache>())
{
    m_timer.setInterval(kPollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BuildCacheService::tick);
    if (autoStart)
        startPolling();
}

BuildCacheService::~BuildCacheService() = default;

bool BuildCacheService::demoMode() const { return m_deps.demoMode && m_deps.demoMode(); }

FileWorker& BuildCacheService::worker() const { return m_deps.worker ? *m_deps.worker : FileWorker::shared(); }

QDateTime BuildCacheService::now() const { return (m_deps.clock ? *m_deps.clock : Clock::system()).now(); }

void BuildCacheService::setSize(int row, qint64 bytes)
{
    const CacheFolder& folder = cacheFolders().at(row);
    assign(this->*folder.field, bytes, folder.signal);
}

void BuildCacheService::startPolling()
{
    if (m_timer.isActive())
        return;
    m_timer.start();
    QTimer::singleShot(0, this, &BuildCacheService::tick);
}

void BuildCacheService::tick()
{
    // A timer firing while a pass waits or runs is covered by that pass.
    if (m_passQueued)
        return;
    m_passQueued = true;
    runPass();
}

QCoro::Task<> BuildCacheService::runPass()
{
    QPointer<BuildCacheService> self(this);
    SerialGate::Awaiter entry = m_turns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (!self)
        co_return;
    co_await measureCaches();
    if (!self)
        co_return;
    co_await listSDKVersions();
    if (!self)
        co_return;
    m_passQueued = false;
}

QCoro::Task<> BuildCacheService::scanCaches()
{
    QPointer<BuildCacheService> self(this);
    SerialGate::Awaiter entry = m_turns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (self)
        co_await measureCaches();
}

QCoro::Task<> BuildCacheService::scanSDKVersions()
{
    QPointer<BuildCacheService> self(this);
    SerialGate::Awaiter entry = m_turns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (self)
        co_await listSDKVersions();
}

QCoro::Task<> BuildCacheService::measureCaches()
{
    const QList<CacheFolder>& folders = cacheFolders();
    if (demoMode()) {
        for (int row = 0; row < folders.size(); ++row)
            setSize(row, folders[row].demoBytes);
        co_return;
    }
    QPointer<BuildCacheService> self(this);
    const QString home = m_deps.home;
    for (int row = 0; row < folders.size(); ++row) {
        // Each folder is published as soon as it is measured, in table order.
        const QString path = inHome(home, folders[row].relativePath);
        const SafeDelete::Scope scope = folders[row].purgeScope;
        QFuture<qint64> measured = worker().run([home, path, scope, sizes = m_sizes] {
            // Counted as the purge reaches it: nothing behind a linked
            // folder, no mount point, no mounted file. A purge that removed
            // all it may leaves the row clean.
            return SafeDelete::isSaneHome(home)
                ? sizes->totalSize(path, {.includeHidden = false,
                                          .stayOnFileSystem = true,
                                          .removalRoot = home,
                                          .removalScope = scope})
                : qint64(0);
        });
        const qint64 bytes = co_await measured;
        if (!self)
            co_return;
        setSize(row, bytes);
    }
}

QCoro::Task<> BuildCacheService::listSDKVersions()
{
    if (demoMode()) {
        // Filled once; purged demo rows stay gone until the list is empty.
        if (m_foundSDKVersions.isEmpty())
            announce(m_foundSDKVersions, demoVersions(now()), &BuildCacheService::foundSDKVersionsChanged);
        co_return;
    }
    QPointer<BuildCacheService> self(this);
    const QString home = m_deps.home;
    const QDateTime scanTime = now();
    QFuture<QList<SDKVersionInfo>> listed =
        worker().run([home, scanTime, sizes = m_sizes] { return ToolchainInventory::scan(home, scanTime, *sizes); });
    QList<SDKVersionInfo> rows = co_await listed;
    if (!self)
        co_return;
    announce(m_foundSDKVersions, std::move(rows), &BuildCacheService::foundSDKVersionsChanged);
}

QCoro::Task<> BuildCacheService::purgeRow(int row)
{
    QPointer<BuildCacheService> self(this);
    SerialGate::Awaiter entry = m_turns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (!self)
        co_return;
    if (demoMode()) {
        setSize(row, 0);
        co_return;
    }
    const QString home = m_deps.home;
    const CacheFolder& folder = cacheFolders().at(row);
    QFuture<DeletionLeftovers> removed = worker().run([home, folder] {
        // Deletion needs a real home; each folder goes (or is emptied) on its
        // own, so one failure does not keep the next folder.
        DeletionLeftovers left;
        if (!SafeDelete::isSaneHome(home))
            return left;
        if (folder.purgeScope == SafeDelete::Scope::contents)
            SafeDelete::removeChildren(home, inHome(home, folder.relativePath), &left);
        else
            SafeDelete::removeInside(home, inHome(home, folder.relativePath), &left);
        for (const QString& relative : folder.purgeAlso)
            SafeDelete::removeInside(home, inHome(home, relative), &left);
        return left;
    });
    const DeletionLeftovers left = co_await removed;
    if (left.any())
        kestrova::print(left.printedLine());
    if (self)
        co_await measureCaches();
}

QCoro::Task<> BuildCacheService::purgeDerivedData() { return purgeRow(derivedData); }
QCoro::Task<> BuildCacheService::purgeSPMCache() { return purgeRow(spm); }
QCoro::Task<> BuildCacheService::purgeNpmCache() { return purgeRow(npm); }
QCoro::Task<> BuildCacheService::purgeCargoCache() { return purgeRow(cargo); }
QCoro::Task<> BuildCacheService::purgeGoCache() { return purgeRow(go); }
QCoro::Task<> BuildCacheService::purgeFinalCutCache() { return purgeRow(finalCut); }
QCoro::Task<> BuildCacheService::purgeDavinciCache() { return purgeRow(davinci); }
QCoro::Task<> BuildCacheService::purgeAdobeCache() { return purgeRow(adobe); }

QCoro::Task<> BuildCacheService::purgeSDKVersion(QString path)
{
    QPointer<BuildCacheService> self(this);
    SerialGate::Awaiter entry = m_turns.enter();
    const SerialGate::Turn turn = co_await entry;
    if (!self)
        co_return;
    if (demoMode()) {
        QList<SDKVersionInfo> kept;
        for (const SDKVersionInfo& row : std::as_const(m_foundSDKVersions)) {
            if (row.path != path)
                kept << row;
        }
        announce(m_foundSDKVersions, std::move(kept), &BuildCacheService::foundSDKVersionsChanged);
        co_return;
    }
    const QString home = m_deps.home;
    QFuture<DeletionLeftovers> removed = worker().run([home, path] {
        // Only a version entry directly under a toolchain root, reached
        // without links; a linked entry is unlinked, never followed.
        DeletionLeftovers left;
        if (ToolchainInventory::isVersionEntryPath(home, path))
            SafeDelete::removeInside(home, path, &left);
        return left;
    });
    const DeletionLeftovers left = co_await removed;
    if (left.any())
        kestrova::print(left.printedLine());
    if (self)
        co_await listSDKVersions();
}

void BuildCacheService::purgeCache(const QString& path)
{
    if (path.contains(QLatin1String("huggingface")))
        assign(m_huggingfaceCacheSizeGB, 0.0, &BuildCacheService::huggingfaceCacheSizeGBChanged);
    else if (path.contains(QLatin1String("ollama")))
        assign(m_ollamaCacheSizeGB, 0.0, &BuildCacheService::ollamaCacheSizeGBChanged);
}
