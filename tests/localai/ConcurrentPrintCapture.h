#pragma once

#include "core/Print.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

// Captures printed lines like PrintCapture, but lines may arrive from another
// thread (the proxy's relay thread) while the test reads them.
class ConcurrentPrintCapture {
public:
    ConcurrentPrintCapture()
    {
        m_previous = kestrova::setPrintSink([this](const QString& line) {
            QMutexLocker lock(&m_mutex);
            m_lines << line;
        });
    }
    ~ConcurrentPrintCapture() { kestrova::setPrintSink(std::move(m_previous)); }
    ConcurrentPrintCapture(const ConcurrentPrintCapture&) = delete;
    ConcurrentPrintCapture& operator=(const ConcurrentPrintCapture&) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    QStringList linesStartingWith(const QString& prefix) const
    {
        QStringList found;
        for (const QString& line : lines()) {
            if (line.startsWith(prefix))
                found << line;
        }
        return found;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
    }

private:
    mutable QMutex m_mutex;
    QStringList m_lines;
    kestrova::PrintSink m_previous;
};
