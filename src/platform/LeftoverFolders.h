#pragma once

#include "platform/DeletionLeftovers.h"

#include <QString>

// Removes from `folder` the temporary folders of runs that are gone: those
// named `prefix` and six letters or digits (as QTemporaryDir names them),
// real folders of our user (never reached through a link) that
// OwnedTempDir::isLeftOver finds left over. Only what lies inside `folder`
// is touched; what could not be removed is returned.
namespace LeftoverFolders {

DeletionLeftovers removeIn(const QString& folder, const QString& prefix);

} // namespace LeftoverFolders
