#pragma once

#include "core/ProcessRun.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What this run holds (processes it froze, containers it paused), kept in a
// small file of its own so that the next launch can give back what a run
// that ended without its quit path left held. Each hold is written before it
// is taken and dropped once given back; the file goes when nothing is held.
// The file is named after the run (its pid and start time), so a launch can
// tell a record of a run that is gone from one of a run that lives; a run
// that cannot name itself keeps no record, and says so. A hold taken twice
// (by two automations) is given back only by the second release.
class HoldRecord {
public:
    static constexpr auto kFilePrefix = "kestrova-held-";
    static constexpr auto kHeader = "kestrova-held 1";
    // A record is a few lines; anything larger is not one of ours.
    static constexpr qint64 kMaxBytes = 64 * 1024;

    // `folders`: where the file may go, the first that takes it. `run`:
    // the run whose holds these are, nothing when it cannot be named.
    HoldRecord(QStringList folders, std::optional<ProcessRun> run);
    HoldRecord(const HoldRecord&) = delete;
    HoldRecord& operator=(const HoldRecord&) = delete;

    // This process's record, in folders().
    static HoldRecord& shared();
    // The session's runtime folder, then a folder of our user's own in the
    // temp folder.
    static QStringList folders();
    // The file name of the record of `run`.
    static QString fileName(const ProcessRun& run);
    // The run a record's file name names, or nothing for another name.
    static std::optional<ProcessRun> runNamedBy(const QString& fileName);

    void holdProcess(const ProcessRun& process);
    void releaseProcess(const ProcessRun& process);
    void holdContainer(const QString& id);
    void releaseContainer(const QString& id);

    // The text of a record, and back. Nothing for a text that is not whole.
    struct Contents {
        QList<ProcessRun> processes;
        QStringList containers;
    };
    static QByteArray encode(const Contents& contents);
    static std::optional<Contents> decode(const QByteArray& text);

private:
    void save();
    void sayNotNotedDown(const QString& failure);
    bool writeIn(const QString& folder, const QByteArray& text, QString* failure);

    QStringList m_folders;
    std::optional<ProcessRun> m_run;
    QHash<QPair<qint32, quint64>, int> m_processes;
    QHash<QString, int> m_containers;
    QString m_filePath;
    QString m_failureSaid;
};
