#pragma once

#include "base/FolderListing.h"
#include "history/Practice.h"
#include "history/Sessions.h"
#include "history/Filters.h"
#include "history/Grouping.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

// What the program asks of the practice history, apart from what keeps it: the SQLite file in the
// program folder keeps it now (history::Store); a club's server could keep the shared part later.
namespace history {

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

// What belongs to this computer alone, and is never shared with other computers' histories: the
// run files of its Statistics folder read already, and the driver its new downloads go to.
class ThisComputer {
public:
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
    virtual Imported importFolder(const QString &folder, const std::atomic<bool> *stop = nullptr,
                                  const Progress &progress = {}) = 0;

    // The driver new downloads go to (the window's Load and the tool alike); empty: none.
    virtual QString downloadDriver() = 0;
    virtual bool setDownloadDriver(const QString &driver) = 0;

protected:
    ThisComputer() = default;
    ~ThisComputer() = default;
    ThisComputer(const ThisComputer &) = delete;
    ThisComputer &operator=(const ThisComputer &) = delete;
};

// The sessions, the drivers and their goals, and the window's queries. Nothing here ever stops a
// download or a window: a history that cannot be used turns itself off and says so once.
class PracticeStore {
public:
    virtual ~PracticeStore() = default;
    PracticeStore(const PracticeStore &) = delete;
    PracticeStore &operator=(const PracticeStore &) = delete;

    virtual bool canRead() const = 0;
    virtual bool canRecord() const = 0;
    // Why the history cannot record, in words; empty while it can.
    virtual QString problem() const = 0;

    enum class Recorded { New, Known, Off };
    // Records run files all at once (one write to the disk, where each file on its own would
    // take one): all of them, or none when the history is off. The same bytes again are the same
    // session: it keeps its first date, takes the device when it had none, and the new path when
    // its file is gone.
    virtual std::vector<Recorded> record(const std::vector<Arrival> &arrivals) = 0;
    Recorded record(const Arrival &arrival);

    // The sessions sorted by date; with `serial`, those of that device only (empty text: those
    // whose device is not known); with `driver`, those of that driver (empty text: of none).
    virtual std::vector<Session> sessions(const DeviceFilter &serial = std::nullopt,
                                          const DriverFilter &driver = std::nullopt) = 0;

    // The drivers by name, with their goals.
    virtual std::vector<Driver> drivers() = 0;
    // The driver of that name, with its goal; none when there is no such driver.
    virtual std::optional<Driver> driver(const QString &name) = 0;
    // The goal of the driver a filter picks; none for all drivers, no driver, or no goal.
    std::optional<Goal> goalOf(const DriverFilter &driver);
    // Gives the sessions with these ids to `driver`, made when new; an empty name takes them
    // back. False when the history is off.
    virtual bool assign(const std::vector<qint64> &ids, const QString &driver) = 0;
    // Sets or (none) clears a driver's goal, making the driver when new.
    virtual bool setGoal(const QString &driver, const std::optional<Goal> &goal) = 0;
    // The devices' serial numbers, sorted; an empty one stands for files of no known device.
    virtual QStringList devices() = 0;

    // The History window's queries, each bounded by what a window shows.
    // Each with a driver filter too (all drivers without one).
    virtual Overview overview(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt) = 0;
    // The sessions' ids sorted by date, as sessions() lists them: the table's rows.
    virtual std::vector<qint64> sessionIds(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt) = 0;
    // The sessions with these ids, sorted by date; ids not in the history are left out.
    virtual std::vector<Session> sessionsWithIds(const std::vector<qint64> &ids) = 0;
    // The chart's points of the sessions with figures. Grouped, a point is at the mean time of its
    // sessions, with the mean of their averages, spreads and shift averages, the best of their
    // best times and their red lights over their runs. Days, weeks (from Monday), months and
    // years are counted in local time at the offset from UTC of `local`.
    virtual Plot plot(const DeviceFilter &serial, Grouping grouping, const QDateTime &local = QDateTime::currentDateTime(),
                      const DriverFilter &driver = std::nullopt) = 0;
    // The sessions' overview, the distribution of their reaction times, their personal bests
    // and, with a goal, the streak and the count of the last ten against it: one stream of small
    // values, whatever the history's size.
    virtual Practice practice(const DeviceFilter &serial, const DriverFilter &driver, const std::optional<Goal> &goal) = 0;

    // This computer's own part, kept beside the shared one.
    virtual ThisComputer &thisComputer() = 0;

protected:
    PracticeStore() = default;
};

} // namespace history
