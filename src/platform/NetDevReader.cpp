#include "platform/NetDevReader.h"

#include <charconv>

namespace {

std::string_view nextField(std::string_view& rest)
{
    const auto start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const auto end = rest.find_first_of(" \t");
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return field;
}

quint64 toNumber(std::string_view field)
{
    quint64 value = 0;
    std::from_chars(field.data(), field.data() + field.size(), value);
    return value;
}

} // namespace

NetDevReader::NetDevReader(const QString& procRoot) : m_file(procRoot + QStringLiteral("/net/dev")) {}

bool NetDevReader::read(std::vector<Counters>& out)
{
    std::string_view text;
    if (!m_file.read(text))
        return false;
    parse(text, out);
    return true;
}

void NetDevReader::parse(std::string_view text, std::vector<Counters>& out)
{
    out.clear();
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        // "  eth0: 90929691 1972 0 ... 83916 1006 ...": the two header lines
        // have no colon before their first '|'.
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || line.find('|') != std::string_view::npos)
            continue;
        std::string_view name = line.substr(0, colon);
        name.remove_prefix(std::min(name.find_first_not_of(' '), name.size()));
        std::string_view rest = line.substr(colon + 1);
        Counters counters;
        counters.interfaceName = QString::fromUtf8(name.data(), qsizetype(name.size()));
        counters.receivedBytes = toNumber(nextField(rest));
        for (int skip = 0; skip < 7; ++skip)
            nextField(rest);
        counters.sentBytes = toNumber(nextField(rest));
        out.push_back(std::move(counters));
    }
}
