#include "history/Store.h"
#include "history/StoreSql.h"

#include "base/WorkingFolders.h"

namespace history {

Store::Store(const QString &path, Notice notice, Opening opening) : m_file(path, std::move(notice), opening)
{
}

Store::~Store() = default;

QString Store::fileOf(const QString &path) const
{
    return sql::fileIn(m_file.folder(), path);
}

QString Store::pathOf(const QString &file) const
{
    return sql::pathIn(m_file.folder(), file);
}

QString historyPath(const WorkingFolders &folders)
{
    return folders.inProgram(kStoreName);
}

std::unique_ptr<Store> openHistory(const WorkingFolders &folders, Store::Notice notice, Store::Opening opening)
{
    return std::make_unique<Store>(historyPath(folders), std::move(notice), opening);
}

} // namespace history
