#include "services/LaunchAtLoginManager.h"

#include "fakes/FakeLoginItem.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/PrintCapture.h"
#include "support/WithoutFileOverride.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Status = LoginItem::Status;

TEST(LaunchAtLoginManager, CreationMirrorsTheRegistrationAndChangesNothing)
{
    for (const auto& [status, expected] : {std::pair{Status::enabled, true}, std::pair{Status::notRegistered, false},
                                          std::pair{Status::requiresApproval, false}, std::pair{Status::notFound, false}}) {
        FakeLoginItem item;
        item.current = status;
        PrintCapture printed;
        LaunchAtLoginManager manager(item);
        EXPECT_EQ(manager.isEnabled(), expected);
        EXPECT_EQ(item.registers + item.unregisters, 0);
        EXPECT_TRUE(printed.lines().isEmpty());
    }
}

TEST(LaunchAtLoginManager, SwitchingRegistersAndUnregistersWithOneLineEach)
{
    FakeLoginItem item;
    LaunchAtLoginManager manager(item);
    QSignalSpy changed(&manager, &LaunchAtLoginManager::isEnabledChanged);
    PrintCapture printed;

    manager.setIsEnabled(true);
    EXPECT_EQ(item.registers, 1);
    EXPECT_EQ(item.current, Status::enabled);
    manager.setIsEnabled(false);
    EXPECT_EQ(item.unregisters, 1);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(printed.lines(), QStringList({"Successfully registered Launch at Login",
                                            "Successfully unregistered Launch at Login"}));
}

TEST(LaunchAtLoginManager, StoringTheMatchingValueCallsNothing)
{
    FakeLoginItem item;
    item.current = Status::enabled;
    LaunchAtLoginManager manager(item);
    QSignalSpy changed(&manager, &LaunchAtLoginManager::isEnabledChanged);
    PrintCapture printed;
    const int readsBefore = item.statusReads;

    // Twice: each store runs the update step, which finds nothing to do.
    manager.setIsEnabled(true);
    manager.setIsEnabled(true);
    EXPECT_EQ(item.statusReads - readsBefore, 2);
    EXPECT_EQ(item.registers + item.unregisters, 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(printed.lines().isEmpty());

    // Off while the desktop has switched the entry off: nothing to remove.
    item.current = Status::requiresApproval;
    manager.setIsEnabled(false);
    EXPECT_EQ(item.unregisters, 0);
    EXPECT_TRUE(printed.lines().isEmpty());
    // On again registers anew.
    manager.setIsEnabled(true);
    EXPECT_EQ(item.registers, 1);
}

TEST(LaunchAtLoginManager, FailureIsPrintedAndTheSwitchShowsTheTruth)
{
    FakeLoginItem item;
    item.failure = QStringLiteral("disk on fire");
    LaunchAtLoginManager manager(item);
    QSignalSpy changed(&manager, &LaunchAtLoginManager::isEnabledChanged);
    PrintCapture printed;

    manager.setIsEnabled(true);
    EXPECT_FALSE(manager.isEnabled());
    EXPECT_EQ(changed.count(), 2); // on, then back off
    EXPECT_EQ(printed.lines(), QStringList{"Failed to register Launch at Login: disk on fire"});

    item.failure.reset();
    item.current = Status::enabled;
    manager.refreshStatus();
    EXPECT_TRUE(manager.isEnabled());
    item.failure = QStringLiteral("busy");
    printed.clear();
    manager.setIsEnabled(false);
    EXPECT_TRUE(manager.isEnabled());
    EXPECT_EQ(printed.lines(), QStringList{"Failed to unregister Launch at Login: busy"});
    EXPECT_EQ(item.registers, 1);
}

TEST(LaunchAtLoginManager, RealAutostartFolderRoundTripAndReadOnlyFailure)
{
    QTemporaryDir temp;
    const QString folder = temp.path() + QStringLiteral("/auto start");
    XdgAutostartLoginItem item(folder, temp.path() + QStringLiteral("/bin dir/kestrova"));
    LaunchAtLoginManager manager(item);
    PrintCapture printed;

    manager.setIsEnabled(true);
    EXPECT_TRUE(QFile::exists(item.filePath()));
    LaunchAtLoginManager again(item); // a later launch reads it back
    EXPECT_TRUE(again.isEnabled());
    manager.setIsEnabled(false);
    EXPECT_FALSE(QFile::exists(item.filePath()));

    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    printed.clear();
    runWithoutFileOverride([&] {
        manager.setIsEnabled(true);
        return 0;
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(printed.lines().size(), 1);
    EXPECT_TRUE(printed.lines().first().startsWith(QStringLiteral("Failed to register Launch at Login: Cannot write ") + item.filePath()))
        << printed.lines().first().toStdString();
    EXPECT_FALSE(manager.isEnabled());
}
