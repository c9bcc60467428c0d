#include "base/Version.h"

QString programVersion()
{
    return QStringLiteral(MIRELON_VERSION);
}

QString versionText(const QString &program)
{
    return QStringLiteral("%1 %2\n"
                          "Copyright (C) 2026 Vantrelock Mirelon developers\n"
                          "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n")
        .arg(program, programVersion());
}
