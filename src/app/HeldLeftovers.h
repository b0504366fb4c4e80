#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class LocalAIService;
class ProcessSignaller;

// At launch: what runs that ended without quitting (killed, crashed) left
// held, as their records say, is given back. A process still stopped under
// the start time it was frozen with is resumed; the containers a shield
// left paused become this run's shield's own, which unpauses them as it
// gives back its own. The records go once read; one line says what was
// given back. Records of live runs, of other users, links and unreadable
// ones are left alone.
namespace HeldLeftovers {

// `localAI` is looked up only when there are containers to give back.
void giveBack(const QStringList& folders, ProcessSignaller& signaller, const std::function<LocalAIService&()>& localAI,
              const QString& procRoot = QStringLiteral("/proc"));

// The same for this session's folders, the real /proc and signals, and the
// watcher's own shield.
void giveBack();

} // namespace HeldLeftovers
