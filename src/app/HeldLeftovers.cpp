#include "app/HeldLeftovers.h"

#include "core/Print.h"
#include "localai/LocalAIService.h"
#include "platform/HoldRecord.h"
#include "platform/LeftoverHolds.h"
#include "platform/ProcessSignaller.h"

#include <QFile>

namespace {

QString joined(const QList<qint32>& pids)
{
    QStringList texts;
    for (qint32 pid : pids)
        texts.append(QString::number(pid));
    return texts.join(QStringLiteral(", "));
}

} // namespace

void HeldLeftovers::giveBack(const QStringList& folders, ProcessSignaller& signaller,
                             const std::function<LocalAIService&()>& localAI, const QString& procRoot)
{
    QList<qint32> resumed;
    QStringList refusals;
    QStringList containers;
    for (const QString& folder : folders) {
        for (const LeftoverHolds::Record& record : LeftoverHolds::findIn(folder, procRoot)) {
            const LeftoverHolds::Resumed given = LeftoverHolds::resume(record.contents.processes, signaller, procRoot);
            resumed += given.pids;
            refusals += given.refusals;
            // Noted down in this run's record before the dead run's goes.
            if (!record.contents.containers.isEmpty())
                localAI().adoptShieldPausedContainers(record.contents.containers);
            for (const QString& id : record.contents.containers)
                if (!containers.contains(id))
                    containers.append(id);
            QFile::remove(record.path);
        }
    }
    QStringList parts;
    if (!resumed.isEmpty())
        parts.append(QStringLiteral("resumed processes ") + joined(resumed));
    if (!containers.isEmpty())
        parts.append(QStringLiteral("unpausing containers ") + containers.join(QStringLiteral(", ")));
    if (!refusals.isEmpty())
        parts.append(QStringLiteral("could not resume ") + refusals.join(QStringLiteral(", ")));
    if (!parts.isEmpty())
        kestrova::print(QStringLiteral("↩️ Given back what a run that ended without quitting held: ") + parts.join(QStringLiteral("; ")));
}

void HeldLeftovers::giveBack()
{
    giveBack(HoldRecord::folders(), ProcessSignaller::system(), []() -> LocalAIService& { return LocalAIService::shared(); });
}
