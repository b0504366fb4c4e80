#include "platform/FileWalker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, qsizetype size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
}

} // namespace

TEST(FileWalkerTest, CountsRegularFilesOnceAndNeverFollowsLinks)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("tree"));
    writeFile(root + QStringLiteral("/a.bin"), 100);
    writeFile(root + QStringLiteral("/sub/b.bin"), 50);
    writeFile(root + QStringLiteral("/.hidden/c.bin"), 7);
    writeFile(dir.filePath(QStringLiteral("outside/big.bin")), 100000);
    QFile::link(root + QStringLiteral("/a.bin"), root + QStringLiteral("/sub/link-to-a"));
    QFile::link(dir.filePath(QStringLiteral("outside")), root + QStringLiteral("/escape"));

    EXPECT_EQ(FileWalker::totalSize(root), 157);
    EXPECT_EQ(FileWalker::totalSize(root, {.includeHidden = false}), 150);
    EXPECT_EQ(FileWalker::totalSize(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_EQ(FileWalker::totalSize(root + QStringLiteral("/escape")), 0) << "a linked root is not entered";

    QStringList seen;
    FileWalker::forEachFile(root, [&](const QByteArray& path, const struct stat& info) {
        seen << QFile::decodeName(path).mid(root.size()) + (S_ISLNK(info.st_mode) ? QStringLiteral("@") : QString());
        return true;
    });
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("/.hidden/c.bin"), QStringLiteral("/a.bin"),
                                 QStringLiteral("/escape@"), QStringLiteral("/sub/b.bin"),
                                 QStringLiteral("/sub/link-to-a@")}));
}

TEST(FileWalkerTest, VisitorCanStopTheWalk)
{
    QTemporaryDir dir;
    for (int i = 0; i < 10; ++i)
        writeFile(dir.filePath(QStringLiteral("f%1").arg(i)), 1);
    int visits = 0;
    FileWalker::forEachFile(dir.path(), [&](const QByteArray&, const struct stat&) { return ++visits < 3; });
    EXPECT_EQ(visits, 3);
}
