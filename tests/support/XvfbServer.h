#pragma once

#include "support/TaskRunner.h"

#include <QProcess>
#include <QStandardPaths>

// An Xvfb of our own on a free display, ended with the test. display() is
// empty when Xvfb is missing or never said which display it took.
class XvfbServer {
public:
    XvfbServer()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        // -displayfd prints the display number once the server listens.
        m_process.start(xvfb, {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        if (waitUntil([&] { return m_process.canReadLine(); }, std::chrono::seconds(10)))
            m_display = QStringLiteral(":") + QString::fromLatin1(m_process.readLine().trimmed());
    }
    ~XvfbServer() { end(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    QString display() const { return m_display; }
    // Ends the server, as a session that ends its display does.
    void end()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QString m_display;
};
