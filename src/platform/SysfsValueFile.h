#pragma once

#include "platform/KeptOpenFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

// One small /sys attribute (a number or a word) that is read again and again
// through a kept descriptor (see KeptOpenFile), with the parsing that sysfs
// values need.
class SysfsValueFile {
public:
    explicit SysfsValueFile(QString path);

    // The content with white space and NUL bytes trimmed at both ends.
    // `keepOpen` false reads through a descriptor that is closed again
    // (used to keep the number of held descriptors bounded).
    std::optional<QByteArray> readText(bool keepOpen = true);
    // The content as a decimal integer (optional sign).
    std::optional<qint64> readInteger(bool keepOpen = true);

    const QString& path() const { return m_file.path(); }

    // Parses a decimal integer with optional sign and surrounding white space;
    // anything else in the text makes it fail.
    static std::optional<qint64> parseInteger(const QByteArray& text);
    // Reads a whole small file once, trimmed (no descriptor kept).
    static std::optional<QByteArray> readOnce(const QString& path);

private:
    KeptOpenFile m_file;
};
