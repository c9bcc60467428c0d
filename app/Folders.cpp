#include "app/Folders.h"

#include "app/Errors.h"
#include "app/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>

namespace fs = std::filesystem;

namespace {
void changeFolder(const fs::path &folder)
{
    std::error_code ec;
    fs::current_path(folder, ec);
    if (ec)
        throw fileError(ec);
}

void makeFolder(const char *name)
{
    std::error_code ec;
    if (!fs::create_directory(name, ec) && !ec)
        ec = std::make_error_code(std::errc::file_exists);
    if (ec)
        throw fileError(ec);
}

bool isFolder(const QString &path)
{
    std::error_code ec;
    return fs::is_directory(files::nativePath(path), ec);
}
} // namespace

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

void createWorkingFolders(const WorkingFolders &folders)
{
    if (!isFolder(folders.maker)) {
        const QString parent = QFileInfo(folders.maker).path();
        // Systems that name a documents folder do not always create it.
        if (!folders.documents.isEmpty() && !isFolder(folders.documents)) {
            std::error_code ec;
            fs::create_directories(files::nativePath(folders.documents), ec);
            if (ec)
                throw fileError(ec);
        }
        changeFolder(files::nativePath(parent));
        makeFolder("Halvorent");
        changeFolder("Halvorent");
        makeFolder("VantrelockMirelon");
        changeFolder("VantrelockMirelon");
        makeFolder("Statistics");
        return;
    }
    changeFolder(files::nativePath(folders.maker));
    if (!isFolder(folders.program))
        makeFolder("VantrelockMirelon");
    changeFolder("VantrelockMirelon");
    if (!isFolder(folders.statistics))
        makeFolder("Statistics");
}
