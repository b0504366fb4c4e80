#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

#include <string_view>
#include <vector>

// A small /proc or /sys file that is read over and over. The descriptor stays
// open and every read is a pread at offset 0 into a reused buffer: the kernel
// regenerates the content on each read, and we save the open/close pair and
// the allocation per read. A failed open or read is retried on the next call.
// The descriptor is kept only while the process's DescriptorBudget has room;
// otherwise each read opens and closes the file.
class KeptOpenFile {
public:
    explicit KeptOpenFile(QString path, std::size_t initialCapacity = 4096);
    ~KeptOpenFile();
    KeptOpenFile(const KeptOpenFile&) = delete;
    KeptOpenFile& operator=(const KeptOpenFile&) = delete;
    KeptOpenFile(KeptOpenFile&& other) noexcept;
    KeptOpenFile& operator=(KeptOpenFile&&) = delete;

    // Sets `content` to the whole current content (valid until the next
    // read). False when the file cannot be opened or read.
    bool read(std::string_view& content);

    const QString& path() const { return m_path; }

private:
    bool ensureOpen();
    void close();

    QString m_path;
    QByteArray m_nativePath;
    int m_fd = -1;
    bool m_kept = false; // holds a place in the budget
    std::vector<char> m_buffer;
};
