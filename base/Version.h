#pragma once

#include <QString>

// The program's version, from the build.
QString programVersion();

// What `--version` prints for `program`: its version, the copyright and the licence, in the
// words GNU programs use.
QString versionText(const QString &program);
