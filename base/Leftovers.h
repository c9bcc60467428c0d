#pragma once

// The temporary files of the file helper's writes, and the sweep of those a crash left behind.

#include <QString>

#include <vector>

namespace files {

// ".NAME.mirelon-XXXXXX.tmp" for a write of `target`: hidden, never a run file (*.txt), and
// recognisable as ours.
QString temporaryName(const QString &target);

// The first write into a folder in this process clears what a crash left there.
void removeLeftoversOnce(const QString &folder);

// Six letters and digits, at random, that tell one write's files from another's.
QString randomTag();

// A file of a set being replaced as one, and where its old file is kept aside meanwhile
// (".NAME.mirelon-XXXXXX.old"; empty: there was none).
struct SetEntry {
    QString target;
    QString aside;
};
QString asidePath(const QString &target);
// Puts the old files back, and removes the new ones that had none; true when all is as it was.
bool rollBack(const std::vector<SetEntry> &entries);

// The journal of a set (".mirelon-set-XXXXXX.journal" in its folder): its files' names and their
// old files' names, one "NAME\tASIDE" line each, on the disk before any old file is set aside.
// Its removal makes the set new; a start that finds it puts the old files back. Held open and
// locked meanwhile, so that another process's start leaves the set alone.
class SetJournal {
public:
    SetJournal(const QString &folder, const std::vector<SetEntry> &entries);
    ~SetJournal();
    SetJournal(const SetJournal &) = delete;
    SetJournal &operator=(const SetJournal &) = delete;
    void remove();

private:
    QString m_folder;
    QString m_path;
    int m_fd = -1;
};

} // namespace files
