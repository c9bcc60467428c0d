#pragma once

#include "history/HistoryQueries.h"
#include "history/Sessions.h"
#include "stats/RunFileTransfer.h"

#include <QByteArray>
#include <QDateTime>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

class QSqlDatabase;

// The practice history: every run file the program brought home, kept in an SQLite file in the
// program folder with the time it arrived, the device it came from and its figures. Nothing here
// ever stops a download or a window: a store that cannot be used turns itself off and says so
// once, in words, through its notice.
namespace history {

inline const QString kStoreName = QStringLiteral("History.sqlite");
// Stored in the file (PRAGMA user_version); a file of a later version is left alone.
constexpr int kSchemaVersion = 1;

// One run file as it was stored.
struct Arrival {
    QString path;
    QByteArray bytes;
    bool rallycross = false;
    QDateTime when;
    QString serial;   // empty when not known (a file found in the folder)
    QString firmware;
    bool imported = false;
};

class Store {
public:
    using Notice = std::function<void(const QString &text)>;

    // Opens the store at `path`, creating it when missing. A damaged file is renamed aside (with
    // its journal) and a new one started; `notice` is told that, and once that the history is
    // off when the store cannot be used (it can be read but not written: it is still shown).
    explicit Store(const QString &path, Notice notice = {});
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    const QString &path() const { return m_path; }
    bool canRead() const { return m_readable; }
    bool canRecord() const { return m_writable; }
    // Why the store cannot record, in words; empty while it can.
    const QString &problem() const { return m_problem; }
    // Where a damaged store was moved at opening; empty when none was.
    const QString &setAsidePath() const { return m_setAside; }

    enum class Recorded { New, Known, Off };
    // Records a run file. The same bytes again are the same session: it keeps its first date,
    // takes the device when it had none, and the new path when its file is gone.
    Recorded record(const Arrival &arrival);
    // Records run files all at once (one write to the disk, where each file on its own would
    // take one): all of them, or none when the history is off.
    std::vector<Recorded> record(const std::vector<Arrival> &arrivals);
    // Records the run files (*.txt) of `folder` whose bytes it has not seen, dated by their file
    // time; returns how many were added. Files it cannot read, and files longer than a full run
    // file (never a run file), are passed over.
    int importFolder(const QString &folder);

    // The sessions sorted by date; with `serial`, those of that device only (empty text: those
    // whose device is not known).
    std::vector<Session> sessions(const std::optional<QString> &serial = std::nullopt);
    // The devices' serial numbers, sorted; an empty one stands for files of no known device.
    QStringList devices();

    // The History window's queries (HistoryQueries.cpp), each bounded by what a window shows.
    Overview overview(const DeviceFilter &serial);
    // The sessions' ids sorted by date, as sessions() lists them: the table's rows.
    std::vector<qint64> sessionIds(const DeviceFilter &serial);
    // The sessions with these ids, sorted by date; ids not in the store are left out.
    std::vector<Session> sessionsWithIds(const std::vector<qint64> &ids);
    // The chart's points of the sessions with figures. Grouped, a point is at the mean time of its
    // sessions, with the mean of their averages, spreads and shift averages, the best of their
    // best times and their red lights over their runs. Days, weeks (from Monday), months and
    // years are counted in local time at the offset from UTC of `local`.
    Plot plot(const DeviceFilter &serial, Grouping grouping, const QDateTime &local = QDateTime::currentDateTime());

private:
    enum class Outcome { Ready, ReadOnly, Damaged, Off };
    Outcome openFile(bool readOnly);
    Outcome prepare();
    void close();
    bool setAside();
    void turnOff(const QString &why);
    void failed(const QSqlError &error);
    bool exec(const QString &statement);
    Recorded recordOne(const Arrival &arrival); // in a transaction
    // The sessions of "SELECT ... FROM sessions" followed by `rest`, with `values` bound.
    std::vector<Session> select(const QString &rest, const QVariantList &values);
    std::optional<qint64> insert(const Arrival &arrival, const QByteArray &hash);

    QString m_path;
    QString m_connection;
    Notice m_notice;
    bool m_readable = false;
    bool m_writable = false;
    bool m_toldOff = false;
    QString m_problem;
    QString m_setAside;
};

// The files of one download, gathered as they are stored (DownloadObserver::stored) and recorded
// together when it ends, however it ends: one write to the disk for the whole download.
class DownloadRecording {
public:
    // `store` may be null (no history): then nothing is recorded.
    DownloadRecording(Store *store, QString serial, QString firmware, std::function<QDateTime()> now);
    ~DownloadRecording() { finish(); }
    DownloadRecording(const DownloadRecording &) = delete;
    DownloadRecording &operator=(const DownloadRecording &) = delete;

    void add(const StoredRunFile &file);
    void finish();

private:
    Store *m_store;
    QString m_serial, m_firmware;
    std::function<QDateTime()> m_now;
    std::vector<Arrival> m_arrivals;
};

// The words for an SQLite failure: "it is locked by another program", "it is read-only" ...
QString describe(const QSqlError &error);

} // namespace history
