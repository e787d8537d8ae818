// The STEP writer's scratch folders in the temporary location: one per write, held by a lock
// file while its writer works. A writer killed in the middle leaves both behind.
#pragma once

#include <QString>

namespace StepScratch {

QString folderPrefix();
QString lockName();

// Removes the scratch folders under parent whose writer is gone: real folders of this user
// (never through a link) that hold a lock no live writer holds, or no lock and are old enough
// that their writer would have locked them. A lock that cannot be read (an empty one, maybe
// being written) counts as abandoned only once it is old.
void removeAbandoned(const QString& parent);

} // namespace StepScratch
