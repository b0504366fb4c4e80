#include "platform/XdgAutostartLoginItem.h"

#include "support/WithoutFileOverride.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using Status = LoginItem::Status;

namespace {

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeAll(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class XdgAutostartTest : public ::testing::Test {
protected:
    QTemporaryDir temp;
    QString folder = temp.path() + QStringLiteral("/config dir/autostart");
    QString executable = temp.path() + QStringLiteral("/My Apps/kestrova");
    XdgAutostartLoginItem item{folder, executable};
};

} // namespace

TEST_F(XdgAutostartTest, RoundTripWithSpacesInThePath)
{
    EXPECT_EQ(item.status(), Status::notRegistered);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.filePath(), folder + QStringLiteral("/kestrova.desktop"));
    const QString text = readAll(item.filePath());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\nType=Application\nName=Kestrova\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"") + executable + QStringLiteral("\"\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nX-GNOME-Autostart-enabled=true\n")));
    EXPECT_EQ(item.status(), Status::enabled);
    // No temporary file is left next to the entry.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kestrova.desktop")});

    ASSERT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_FALSE(QFile::exists(item.filePath()));
    EXPECT_EQ(item.status(), Status::notRegistered);
    // Nothing to remove is not a failure.
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
}

TEST_F(XdgAutostartTest, EntryOfAnotherExecutableIsNotOurs)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    writeAll(item.filePath(), "[Desktop Entry]\nType=Application\nExec=/old/place/kestrova\n");
    EXPECT_EQ(item.status(), Status::notRegistered);
    // Registering again points it at this executable.
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), Status::enabled);
    // An Exec key outside the [Desktop Entry] group does not count.
    writeAll(item.filePath(), "[Desktop Action x]\nExec=\"" + executable.toUtf8() + "\"\n[Desktop Entry]\nName=K\n");
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST_F(XdgAutostartTest, EntrySwitchedOffByTheDesktopNeedsApproval)
{
    ASSERT_EQ(item.registerItem(), std::nullopt);
    const QString ours = readAll(item.filePath());
    writeAll(item.filePath(), (ours + QStringLiteral("Hidden=true\n")).toUtf8());
    EXPECT_EQ(item.status(), Status::requiresApproval);
    writeAll(item.filePath(), QString(ours).replace(QStringLiteral("enabled=true"), QStringLiteral("enabled=false")).toUtf8());
    EXPECT_EQ(item.status(), Status::requiresApproval);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), Status::enabled);
}

TEST_F(XdgAutostartTest, SomethingElseAtTheEntrysNameIsNotAnEntry)
{
    ASSERT_TRUE(QDir().mkpath(item.filePath())); // a folder
    EXPECT_EQ(item.status(), Status::notRegistered);
    ASSERT_TRUE(QDir().rmdir(item.filePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(item.filePath()).constData(), 0600), 0); // would block a reader
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST_F(XdgAutostartTest, UnknownExecutableIsNotFound)
{
    XdgAutostartLoginItem nowhere(folder, QString());
    EXPECT_EQ(nowhere.status(), Status::notFound);
    EXPECT_TRUE(nowhere.registerItem().has_value());
    EXPECT_FALSE(QFile::exists(nowhere.filePath()));
}

TEST_F(XdgAutostartTest, ReadOnlyFolderFailsWithAReasonAndWritesNothing)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const std::optional<QString> error = runWithoutFileOverride([&] { return item.registerItem(); });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QStringLiteral("Cannot write ") + item.filePath() + QStringLiteral(": "))) << error->toStdString();
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST_F(XdgAutostartTest, FolderThatCannotBeMadeFails)
{
    ASSERT_TRUE(QDir().mkpath(temp.path() + QStringLiteral("/config dir")));
    writeAll(folder, "a file where the folder should be");
    const std::optional<QString> error = item.registerItem();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, QStringLiteral("Cannot create the folder %1.").arg(folder));
}

TEST_F(XdgAutostartTest, EntryThatCannotBeRemovedFails)
{
    ASSERT_EQ(item.registerItem(), std::nullopt);
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const std::optional<QString> error = runWithoutFileOverride([&] { return item.unregisterItem(); });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QStringLiteral("Cannot remove ") + item.filePath()));
    EXPECT_EQ(item.status(), Status::enabled);
}
