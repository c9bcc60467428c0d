#include "base/WorkingFolders.h"

#include <QDir>
#include <QStandardPaths>

QString GetSpecialFolderPath(int folder)
{
    if (folder != CSIDL_PERSONAL)
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

WorkingFolders workingFolders(const QString &documents)
{
    WorkingFolders f;
    f.documents = documents;
    QString base = documents;
    if (base.isEmpty())
        base = QDir(QDir::currentPath()).rootPath();
    if (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    f.maker = base + QStringLiteral("/Halvorent");
    f.program = f.maker + QStringLiteral("/VantrelockMirelon");
    f.statistics = f.program + QLatin1Char('/') + kStatisticsFolderName;
    return f;
}
