#include "platform/SysfsDirectory.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>

namespace sysfs {

std::optional<QStringList> entries(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return std::nullopt;
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names << QFile::decodeName(name);
    }
    ::closedir(dir);
    return names;
}

std::vector<std::pair<int, QString>> numbered(const QStringList& names, const QString& prefix, const QString& suffix,
                                              int maxNumber)
{
    std::vector<std::pair<int, QString>> found;
    for (const QString& name : names) {
        if (!name.startsWith(prefix) || !name.endsWith(suffix) || name.size() <= prefix.size() + suffix.size())
            continue;
        const QStringView digits = QStringView(name).mid(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
            continue;
        const int number = digits.toInt();
        if (number <= maxNumber)
            found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace sysfs
