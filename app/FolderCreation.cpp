#include "app/FolderCreation.h"

#include "base/Errors.h"
#include "base/Files.h"

#include <QFileInfo>

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
