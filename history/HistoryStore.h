#pragma once

#include "base/FolderListing.h"
#include "history/Practice.h"
#include "history/Sessions.h"
#include "history/WindowAnswers.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDateTime>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace history {
class SqlStatement;
}

// The practice history: every run file the program brought home, kept in an SQLite file in the
// program folder with the time it arrived, the device it came from and its figures. Nothing here
// ever stops a download or a window: a store that cannot be used turns itself off and says so
// once, in words, through its notice.
namespace history {

inline const QString kStoreName = QStringLiteral("History.sqlite");
// Stored in the file (PRAGMA user_version); a file of a later version is left alone. Version 1
// kept each session's file by its full path; version 2 keeps the name inside the Statistics
// folder beside the store, so that moving the documents folder keeps the links, and the files
// already read, so that a start reads only new or changed files. Version 3 adds the drivers, their
// goals, each session's driver and the settings the window and the tool share.
constexpr int kSchemaVersion = 3;

// One run file as it was stored.
struct Arrival {
    QString path; // where it was stored
    QByteArray bytes;
    bool rallycross = false;
    QDateTime when;
    QString serial;   // empty when not known (a file found in the folder)
    QString firmware;
    bool imported = false;
    // The file's size and time from before it was read (a file found in the folder). Without it
    // the file is stamped when recorded, as one just written is. A file that changes while it is
    // read keeps the older stamp, so the next start reads it again.
    std::optional<files::Stamp> stamp;
    // The driver a new session goes to (made when not known yet); empty: none.
    QString driver;
};

class Store {
public:
    using Notice = std::function<void(const QString &text)>;

    // Full: waits a moment for a lock another program holds, and checks the whole file.
    // AtStart (the window's start, which nothing may hold up): tries once without waiting (a
    // store held locked is tried again at the next recording) and leaves the whole-file check to
    // the folder's import beside the window (importBeside). Import: that import's own
    // connection, which checks the whole file after the import (checkWhole); a damaged file is
    // reported (damaged()) and left where it is.
    enum class Opening { Full, AtStart, Import };

    // Opens the store at `path`, creating it when missing. A damaged file, or one whose tables
    // are not exactly this program's, is renamed aside (with its journal) and a new one started;
    // `notice` is told that, and once that the history is off when the store cannot be used (it
    // can be read but not written: it is still shown). A version 1 store is brought to this
    // version in place.
    explicit Store(const QString &path, Notice notice = {}, Opening opening = Opening::Full);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    const QString &path() const { return m_path; }
    // The Statistics folder beside the store: the sessions' files in it are kept by name.
    const QString &folder() const { return m_folder; }
    bool canRead() const { return m_readable; }
    bool canRecord() const { return m_writable; }
    // Why the store cannot record, in words; empty while it can.
    const QString &problem() const { return m_problem; }
    // Where a damaged store was moved at opening; empty when none was.
    const QString &setAsidePath() const { return m_setAside; }
    // Opened AtStart while another program held it locked: not open yet; the next recording
    // tries again.
    bool waiting() const { return m_waiting; }
    // Opened for an import: the whole-file check found the file damaged.
    bool damaged() const { return m_damaged; }
    // Reads the whole file (what a Full opening does); false when it is damaged (damaged()).
    bool checkWhole();
    // Sets a store found damaged aside and starts a new one (what opening does with it).
    void startAnew();

    enum class Recorded { New, Known, Off };
    // Records a run file. The same bytes again are the same session: it keeps its first date,
    // takes the device when it had none, and the new path when its file is gone.
    Recorded record(const Arrival &arrival);
    // Records run files all at once (one write to the disk, where each file on its own would
    // take one): all of them, or none when the history is off.
    std::vector<Recorded> record(const std::vector<Arrival> &arrivals);
    // Records the run files (*.txt) of `folder` whose bytes it has not seen, dated by their file
    // time. A file read before, with the same name, size and modification time, is not read
    // again. Files it cannot read, and files longer than a full run file (never a run file), are
    // passed over. `stop` ends it early (what it recorded stays).
    struct Imported {
        int added = 0; // new sessions
        int read = 0;  // files read
    };
    // `progress` is told how many of the files to read it has read, after each.
    using Progress = std::function<void(int read, int total)>;
    Imported importFolder(const QString &folder, const std::atomic<bool> *stop = nullptr, const Progress &progress = {});

    // The sessions sorted by date; with `serial`, those of that device only (empty text: those
    // whose device is not known); with `driver`, those of that driver (empty text: of none).
    std::vector<Session> sessions(const std::optional<QString> &serial = std::nullopt,
                                  const DriverFilter &driver = std::nullopt);

    // The drivers by name, with their goals.
    std::vector<Driver> drivers();
    // The driver of that name, with its goal; none when there is no such driver.
    std::optional<Driver> driver(const QString &name);
    // The goal of the driver a filter picks; none for all drivers, no driver, or no goal.
    std::optional<Goal> goalOf(const DriverFilter &driver);
    // Gives the sessions with these ids to `driver`, made when new; an empty name takes them
    // back. False when the history is off.
    bool assign(const std::vector<qint64> &ids, const QString &driver);
    // Sets or (none) clears a driver's goal, making the driver when new.
    bool setGoal(const QString &driver, const std::optional<Goal> &goal);
    // The driver new downloads go to (the window's Load and the tool alike); empty: none.
    QString downloadDriver();
    bool setDownloadDriver(const QString &driver);
    // The devices' serial numbers, sorted; an empty one stands for files of no known device.
    QStringList devices();

    // The History window's queries, each bounded by what a window shows.
    // Each with a driver filter too (all drivers without one).
    Overview overview(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt);
    // The sessions' ids sorted by date, as sessions() lists them: the table's rows.
    std::vector<qint64> sessionIds(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt);
    // The sessions with these ids, sorted by date; ids not in the store are left out.
    std::vector<Session> sessionsWithIds(const std::vector<qint64> &ids);
    // The chart's points of the sessions with figures. Grouped, a point is at the mean time of its
    // sessions, with the mean of their averages, spreads and shift averages, the best of their
    // best times and their red lights over their runs. Days, weeks (from Monday), months and
    // years are counted in local time at the offset from UTC of `local`.
    Plot plot(const DeviceFilter &serial, Grouping grouping, const QDateTime &local = QDateTime::currentDateTime(),
              const DriverFilter &driver = std::nullopt);
    // The sessions' overview, the distribution of their reaction times, their personal bests
    // and, with a goal, the streak and the count of the last ten against it: one stream of small
    // values, whatever the history's size.
    Practice practice(const DeviceFilter &serial, const DriverFilter &driver, const std::optional<Goal> &goal);

private:
    // Unwritable: the probe's write failed (disk full, size limit, I/O error); it may still be read.
    enum class Outcome { Ready, ReadOnly, Unwritable, Damaged, Locked, Off };
    void open();
    Outcome openFile(bool readOnly);
    Outcome prepare();
    bool migrate(QSqlQuery &query);
    bool binStoredTimes(QSqlQuery &query);
    void close();
    bool setAside();
    void turnOff(const QString &why);
    void failed(const QSqlError &error);
    bool exec(const QString &statement);
    bool run(QSqlQuery &query);
    bool run(QSqlQuery &query, const QString &statement);
    QString fileOf(const QString &path) const;
    QString pathOf(const QString &file) const;
    // A statement of the recording's own, run to its end with its time bounded; false (and the
    // history turned off) when it fails.
    bool run(SqlStatement &statement);
    struct Statements; // what a recording prepares once for all its files
    bool makeDriver(const QString &driver);
    std::optional<QString> setting(const QString &name);
    bool markSeen(Statements &statements, const QString &file, const files::Stamp &stamp, const QByteArray &hash);
    Recorded recordOne(Statements &statements, const Arrival &arrival); // in a transaction
    // The sessions of "SELECT ... FROM sessions" followed by `rest`, with `values` bound.
    std::vector<Session> select(const QString &rest, const QVariantList &values);
    std::optional<qint64> insert(Statements &statements, const Arrival &arrival, const QByteArray &hash);
    static int progress(void *store);

    QString m_path;
    QString m_folder;
    QString m_connection;
    Notice m_notice;
    Opening m_opening;
    bool m_readable = false;
    bool m_writable = false;
    bool m_toldOff = false;
    bool m_waiting = false;
    bool m_damaged = false;
    QString m_problem;
    QString m_unwritable; // why the probe could not write, in describe()'s words
    QString m_setAside;
    QDeadlineTimer m_deadline;
};

// The words for an SQLite failure: "it is locked by another program", "it is read-only" ...
QString describe(const QSqlError &error);

} // namespace history
