#pragma once

#include "core/Print.h"

#include <QStringList>

// Captures printed lines for the lifetime of the object.
class PrintCapture {
public:
    PrintCapture()
    {
        m_previous = kestrova::setPrintSink([this](const QString& line) { m_lines << line; });
    }
    ~PrintCapture() { kestrova::setPrintSink(std::move(m_previous)); }
    PrintCapture(const PrintCapture&) = delete;
    PrintCapture& operator=(const PrintCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    kestrova::PrintSink m_previous;
};
