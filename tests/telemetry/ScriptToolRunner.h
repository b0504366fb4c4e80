#pragma once

#include "platform/ProcessCommandRunner.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs a shell script of the test's own in place of whatever tool the code
// asks for, through the real process runner, so tests see real child
// processes (timing, pipes, exit) without depending on the real tool.
class ScriptToolRunner final : public CommandRunner {
public:
    explicit ScriptToolRunner(const QByteArray& scriptBody)
        : m_dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tool-XXXXXX")))
    {
        m_script = m_dir->filePath(QStringLiteral("tool.sh"));
        QFile file(m_script);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + scriptBody + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QCoro::Task<CommandResult> run(QString program, QStringList arguments,
                                   std::chrono::milliseconds timeout) override
    {
        m_programs << program;
        ++m_started;
        CommandResult result = co_await m_real.run(m_script, arguments, timeout);
        ++m_finished;
        co_return result;
    }
    bool startDetached(const QString&, const QStringList&, const QStringList&) override { return false; }
    CommandResult runBlocking(const QString&, const QStringList&, std::chrono::milliseconds) override { return {}; }

    const QStringList& programs() const { return m_programs; }
    int started() const { return m_started; }
    int finished() const { return m_finished; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_script;
    ProcessCommandRunner m_real;
    QStringList m_programs;
    int m_started = 0;
    int m_finished = 0;
};
