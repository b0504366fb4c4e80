#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One small /sys attribute (a number or a word) that is read again and again.
// The descriptor stays open and each read is a pread at offset 0, which makes
// the kernel produce a fresh value without an open/close pair per read.
// A failed read closes the descriptor, so the next read opens the path anew
// (the device may have gone and come back).
class SysfsValueFile {
public:
    explicit SysfsValueFile(QString path = {});
    ~SysfsValueFile();
    SysfsValueFile(const SysfsValueFile&) = delete;
    SysfsValueFile& operator=(const SysfsValueFile&) = delete;
    SysfsValueFile(SysfsValueFile&& other) noexcept;
    SysfsValueFile& operator=(SysfsValueFile&& other) noexcept;

    // The content with white space and NUL bytes trimmed at both ends.
    // `keepOpen` false reads through a descriptor that is closed again
    // (used to keep the number of held descriptors bounded).
    std::optional<QByteArray> readText(bool keepOpen = true);
    // The content as a decimal integer (optional sign).
    std::optional<qint64> readInteger(bool keepOpen = true);

    const QString& path() const { return m_path; }
    bool isOpen() const { return m_fd >= 0; }

    // Parses a decimal integer with optional sign and surrounding white space;
    // anything after the digits other than white space makes it fail.
    static std::optional<qint64> parseInteger(const QByteArray& text);
    // Reads a whole small file once (no descriptor kept).
    static std::optional<QByteArray> readOnce(const QString& path);

private:
    bool ensureOpen();
    void close();

    QString m_path;
    int m_fd = -1;
};
