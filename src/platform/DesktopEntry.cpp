#include "platform/DesktopEntry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The escapes of a desktop-entry string value.
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += next; break; // Exec's own escapes, kept for splitExec
        }
    }
    return out;
}

bool isTrue(const QString& value) { return value.trimmed() == QLatin1String("true"); }

QString resolve(const QString& program)
{
    if (program.isEmpty())
        return {};
    const QString found = QDir::isAbsolutePath(program) ? program : QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return {};
    const QFileInfo info(found);
    if (!info.isFile() || !info.isExecutable())
        return {};
    return info.canonicalFilePath();
}

} // namespace

std::optional<QStringList> DesktopEntry::splitExec(const QString& exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    bool onlyFieldCodes = false; // the argument so far came from field codes alone

    const auto finish = [&] {
        if (inArgument && !(onlyFieldCodes && current.isEmpty()))
            arguments << current;
        current.clear();
        inArgument = false;
        onlyFieldCodes = false;
    };

    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            finish();
            continue;
        }
        if (!inArgument) {
            inArgument = true;
            onlyFieldCodes = true;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            onlyFieldCodes = false;
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == QLatin1Char('%')) {
                current += code;
                onlyFieldCodes = false;
            }
            // Any other code expands to files, URLs, the icon or the entry's
            // own name and location; we start the application bare.
        } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            current += exec[++i];
            onlyFieldCodes = false;
        } else {
            current += c;
            onlyFieldCodes = false;
        }
    }
    if (quoted)
        return std::nullopt;
    finish();
    return arguments;
}

std::optional<DesktopEntry> DesktopEntry::parse(const QString& filePath, const QByteArray& contents)
{
    DesktopEntry entry;
    entry.filePath = filePath;
    QString type;
    QString exec;
    bool hidden = false;
    bool inMainGroup = false;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("TryExec"))
            entry.tryExec = value;
        else if (key == QLatin1String("Path"))
            entry.workingDirectory = value;
        else if (key == QLatin1String("Terminal"))
            entry.terminal = isTrue(value);
        else if (key == QLatin1String("NoDisplay"))
            entry.noDisplay = isTrue(value);
        else if (key == QLatin1String("Hidden"))
            hidden = isTrue(value);
    }
    if (type != QLatin1String("Application") || hidden || exec.isEmpty())
        return std::nullopt;
    auto command = splitExec(exec);
    if (!command || command->isEmpty())
        return std::nullopt;
    entry.command = *command;
    return entry;
}

QString DesktopEntry::resolvedProgram() const
{
    qsizetype at = 0;
    // "env NAME=value ... program": the program is the first word that is
    // not an assignment.
    if (!command.isEmpty() && QFileInfo(command.first()).fileName() == QLatin1String("env")) {
        at = 1;
        while (at < command.size() && (command[at].contains(QLatin1Char('=')) || command[at].startsWith('-')))
            ++at;
    }
    return at < command.size() ? resolve(command[at]) : QString();
}

QString DesktopEntry::resolvedTryExec() const { return resolve(tryExec); }
