#include "app/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>

void setProgramIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vantrelock Mirelon"));
    QCoreApplication::setOrganizationName(QStringLiteral("Halvorent"));
    QGuiApplication::setDesktopFileName(kDesktopId);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QGuiApplication::setWindowIcon(icon);
}

QStringList addTahoma(const QStringList &folders)
{
    QStringList added;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        return added;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &name : {QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf")}) {
            const QString path = dir.filePath(name);
            if (QFileInfo(path).isFile() && QFontDatabase::addApplicationFont(path) >= 0)
                added.append(path);
        }
        if (!added.isEmpty())
            break;
    }
    return added;
}
