#include "platform/ProcessApplicationList.h"

#include "support/ProcTreeBuilder.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(ProcessApplicationListTest, NamesTheUsersProcessesThatHaveACommandLine)
{
    ProcTreeBuilder proc;
    proc.write({.pid = 2, .name = "kthreadd", .parentPid = 0}); // a kernel thread: no command line
    proc.write({.pid = 300, .name = "ollama", .exe = "/usr/local/bin/ollama",
                .arguments = {"/usr/local/bin/ollama", "serve"}});
    proc.write({.pid = 301, .name = "python3", .exe = "/usr/bin/python3.11", .arguments = {"python3", "app.py"}});
    proc.write({.pid = 302, .name = "defunct", .state = 'Z'});

    EXPECT_EQ(ProcessApplicationList(proc.root()).names(),
              QStringList({QStringLiteral("ollama"), QStringLiteral("ollama"), QStringLiteral("python3.11"),
                           QStringLiteral("python3")}));
    // Every process here belongs to us, none to another user.
    EXPECT_TRUE(ProcessApplicationList(proc.root(), ::getuid() + 1).names().isEmpty());
}
