#pragma once

// The temporary files of the file helper's writes, and the sweep of those a crash left behind.

#include <QString>

namespace files {

// ".NAME.mirelon-XXXXXX.tmp" for a write of `target`: hidden, never a run file (*.txt), and
// recognisable as ours.
QString temporaryName(const QString &target);

// The first write into a folder in this process clears what a crash left there.
void removeLeftoversOnce(const QString &folder);

} // namespace files
