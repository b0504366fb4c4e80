#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

#include <sys/stat.h>
#include <sys/types.h>

// The user's settings file, seen from outside QSettings. It is read without
// blocking (a FIFO would hold a plain open forever), bounded, and only when
// it parses the way QSettings would read it without loss; it is replaced
// only once every byte of its successor is on the disk (QSaveFile in Qt 6.4
// renames a file whose buffered write failed at commit()); and a file that
// cannot be read is moved aside, never written over.
class SettingsFile {
public:
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    // One version of the file: a rename over it or a change shows here.
    struct Stamp {
        dev_t dev = 0;
        ino_t ino = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    enum class Verdict {
        absent,     // nothing at the path
        unchanged,  // the version last seen; not read
        clean,      // a regular file QSettings reads safely: `bytes`
        damaged,    // too large, not clean, or not readable
        notRegular, // a FIFO, a device, a directory: never read
        unknown,    // no descriptor or memory to look: says nothing
    };

    struct Reading {
        Verdict verdict = Verdict::absent;
        QByteArray bytes;
        Stamp stamp;
    };

    explicit SettingsFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // Looks at the file and reads it unless it is the version last seen. A
    // symbolic link is followed to what it names.
    Reading read() const;
    // The version the caller has taken in.
    void markSeen(const Stamp& stamp) { m_seen = stamp; }

    // Puts `bytes` in place of the file, through a link to what it names,
    // and marks the result seen. An empty text when done; otherwise why not,
    // and the file is as it was. A file we may not write is never replaced.
    QString replace(const QByteArray& bytes);

    // Renames the file to "<name>.corrupt" (or .corrupt.N), never over
    // another file; true when nothing is left at the path.
    bool moveAside() const;

    enum class Durability { onDisk, inMemory };
    // Writes `bytes` to a new file beside `path` and renames it over `path`
    // once every write has been checked (and, for onDisk, synced). An empty
    // text when done; otherwise why not, with `path` untouched.
    //
    // The new file is named "<name>.save-", the run that writes it
    // (ProcessRun::text()), "-" and six letters or digits; a run that cannot
    // name itself leaves out its part and the dash, and its new files are
    // never taken for dead ones. The writer keeps an flock on the file from
    // before it is seen under that name until it is renamed.
    static QString writeWhole(const QString& path, const QByteArray& bytes, Durability durability);
    static constexpr auto kSaveInfix = ".save-";

    // Removes beside the file (beside what a link names) what saves that
    // died left: regular files of our user, never reached through a link,
    // named as writeWhole names them after a run that is gone, and that
    // nobody holds a lock on (a writer in another pid namespace names itself
    // by pids we do not see). A name alone never makes a file ours: one not
    // spelt exactly so is never touched. The paths of those that could not
    // be removed.
    QStringList removeDeadSaves() const;

    // The keys and values QSettings reads from `bytes` as an INI file;
    // nothing when they could not be read.
    static std::optional<QVariantMap> valuesIn(const QByteArray& bytes);

private:
    static Stamp stampOf(const struct stat& info);

    QString m_path;
    Stamp m_seen;
};
