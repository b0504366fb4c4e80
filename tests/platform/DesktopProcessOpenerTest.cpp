#include "platform/DesktopEntry.h"
#include "platform/DesktopEntryCatalog.h"
#include "platform/DesktopProcessOpener.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(DesktopEntryTest, ExecSplitsByTheQuotingRulesWithoutFieldCodes)
{
    using Args = std::optional<QStringList>;
    EXPECT_EQ(DesktopEntry::splitExec(QStringLiteral("/usr/bin/code --new-window %F")),
              Args({"/usr/bin/code", "--new-window"}));
    EXPECT_EQ(DesktopEntry::splitExec(QStringLiteral(R"("/opt/My App/run" --title "a \"b\" \$c" %i %U)")),
              Args({"/opt/My App/run", "--title", R"(a "b" $c)"}));
    EXPECT_EQ(DesktopEntry::splitExec(QStringLiteral("tool --rate=100%% --file=%f")),
              Args({"tool", "--rate=100%", "--file="}));
    EXPECT_EQ(DesktopEntry::splitExec(QStringLiteral("\"/opt/broken")), std::nullopt);
}

TEST(DesktopEntryTest, OnlyStartableApplicationEntriesParse)
{
    const auto entry = DesktopEntry::parse(QStringLiteral("x.desktop"), "[Desktop Entry]\n"
                                                                        "Type=Application\n"
                                                                        "Name=Editor\n"
                                                                        "Name[de]=Bearbeiter\n"
                                                                        "Exec=env GDK_BACKEND=x11 editor\\s--wait %F\n"
                                                                        "Terminal=false\n"
                                                                        "[Desktop Action new]\n"
                                                                        "Name=Other\nExec=/bin/false\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Editor");
    EXPECT_EQ(entry->command, (QStringList{"env", "GDK_BACKEND=x11", "editor", "--wait"}));
    EXPECT_FALSE(entry->terminal);
    EXPECT_FALSE(DesktopEntry::parse("l.desktop", "[Desktop Entry]\nType=Link\nURL=https://x\nExec=x\n"));
    EXPECT_FALSE(DesktopEntry::parse("h.desktop", "[Desktop Entry]\nType=Application\nExec=x\nHidden=true\n"));
    EXPECT_FALSE(DesktopEntry::parse("n.desktop", "[Desktop Entry]\nType=Application\nName=No command\n"));
}

// Real programs and entries in a temp folder: bin/ holds the programs,
// user/ and system/ are two application folders, user/ first.
class OpenerTest : public ::testing::Test {
protected:
    OpenerTest()
    {
        QDir(root()).mkpath(QStringLiteral("bin"));
        QDir(root()).mkpath(QStringLiteral("user"));
        QDir(root()).mkpath(QStringLiteral("system/vendor"));
        QDir(root()).mkpath(QStringLiteral("Tools/Editor.app/Contents/MacOS"));
        program(QStringLiteral("bin/editor"));
        program(QStringLiteral("bin/daemon"));
        program(QStringLiteral("bin/console"));
        program(QStringLiteral("Tools/Editor.app/Contents/MacOS/editor"));
        QFile::link(root() + QStringLiteral("/bin/editor"), root() + QStringLiteral("/bin/editor-link"));
    }

    QString root() const { return m_dir.path(); }

    void program(const QString& relative)
    {
        QFile file(root() + QLatin1Char('/') + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nexit 0\n");
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void entry(const QString& relative, const QByteArray& body)
    {
        QFile file(root() + QLatin1Char('/') + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\n" + body);
    }

    DesktopProcessOpener opener()
    {
        DesktopProcessOpener::Deps deps;
        deps.applicationDirs = {root() + QStringLiteral("/user"), root() + QStringLiteral("/system")};
        deps.launch = [this](const DesktopEntry& e) {
            launched << QFileInfo(e.filePath).fileName();
            return launchSucceeds;
        };
        deps.reveal = [this](const QString& path) { revealed << path.mid(root().size() + 1); };
        return DesktopProcessOpener(std::move(deps));
    }

    QStringList launched;
    QStringList revealed;
    bool launchSucceeds = true;

private:
    QTemporaryDir m_dir;
};

TEST_F(OpenerTest, LaunchesTheProgramsEntryElseRevealsTheProgram)
{
    // The menu entry runs the program through a link; a vendor entry for
    // the same program is hidden from menus and loses to it.
    entry(QStringLiteral("system/vendor/helper.desktop"), "NoDisplay=true\nExec=" + root().toUtf8() + "/bin/editor\n");
    entry(QStringLiteral("system/editor.desktop"), "Exec=\"" + root().toUtf8() + "/bin/editor-link\" %F\n");
    entry(QStringLiteral("system/console.desktop"), "Terminal=true\nExec=" + root().toUtf8() + "/bin/console\n");
    auto o = opener();

    ASSERT_TRUE(runTask(o.openFileAsync(root() + QStringLiteral("/bin/editor"))));
    EXPECT_EQ(launched, QStringList{"editor.desktop"});
    EXPECT_TRUE(revealed.isEmpty());

    // No entry, or one that needs a terminal: the program is shown, never run.
    ASSERT_TRUE(runTask(o.openFileAsync(root() + QStringLiteral("/bin/daemon"))));
    ASSERT_TRUE(runTask(o.openFileAsync(root() + QStringLiteral("/bin/console"))));
    EXPECT_EQ(revealed, (QStringList{"bin/daemon", "bin/console"}));

    // An entry that fails to start falls back to showing the program.
    launchSucceeds = false;
    ASSERT_TRUE(runTask(o.openFileAsync(root() + QStringLiteral("/bin/editor"))));
    EXPECT_EQ(revealed.last(), "bin/editor");

    // Bare names and vanished files open nothing.
    launched.clear();
    revealed.clear();
    ASSERT_TRUE(runTask(o.openFileAsync(QStringLiteral("kworker/u16:2"))));
    ASSERT_TRUE(runTask(o.openFileAsync(root() + QStringLiteral("/bin/gone"))));
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(revealed.isEmpty());
}

TEST_F(OpenerTest, BundlesOpenTheEntryInsideThemAndEarlierFoldersShadowLaterOnes)
{
    const QByteArray bundled = root().toUtf8() + "/Tools/Editor.app/Contents/MacOS/editor";
    entry(QStringLiteral("system/bundled.desktop"), "Exec=" + bundled + "\n");
    auto o = opener();
    ASSERT_TRUE(runTask(o.openApplicationAsync(root() + QStringLiteral("/Tools/Editor.app"))));
    EXPECT_EQ(launched, QStringList{"bundled.desktop"});

    // The user's own hidden copy of the entry takes it away.
    entry(QStringLiteral("user/bundled.desktop"), "Hidden=true\nExec=" + bundled + "\n");
    launched.clear();
    ASSERT_TRUE(runTask(o.openApplicationAsync(root() + QStringLiteral("/Tools/Editor.app"))));
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_EQ(revealed, QStringList{"Tools/Editor.app"});
}

} // namespace
