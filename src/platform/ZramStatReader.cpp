#include "platform/ZramStatReader.h"

#include "platform/ProcText.h"

#include <QDir>

using namespace kestrova::proctext;

ZramStatReader::ZramStatReader(const QString& sysRoot)
{
    const QDir block(sysRoot + QStringLiteral("/block"));
    const QStringList names = block.entryList({QStringLiteral("zram*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = block.filePath(name + QStringLiteral("/mm_stat"));
        if (QFileInfo::exists(path))
            m_files.emplace_back(path, 256);
    }
}

std::optional<quint64> ZramStatReader::compressedBytes()
{
    std::optional<quint64> total;
    for (KeptOpenFile& file : m_files) {
        std::string_view text;
        if (!file.read(text))
            continue;
        // orig_data_size compr_data_size mem_used_total ...: the third column is
        // the memory the device really takes, overhead included.
        const char* p = text.data();
        const char* end = p + text.size();
        quint64 column[3] = {};
        bool ok = true;
        for (quint64& c : column)
            ok = ok && parseU64(p, end, c);
        if (ok)
            total = total.value_or(0) + column[2];
    }
    return total;
}
