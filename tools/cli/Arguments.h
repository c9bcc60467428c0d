#pragma once

// Reading the command line and the help texts.

#include "tools/cli/Commands.h"

namespace cli {

QString commandHelp(const Command &c);
QString toolHelp();
// The command the words name, or null.
const Command *findCommand(const QStringList &words);

} // namespace cli
