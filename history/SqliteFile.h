#pragma once

#include <QDeadlineTimer>
#include <QSqlError>
#include <QString>

#include <functional>

class QSqlDatabase;
class QSqlQuery;
struct sqlite3;

namespace history {

class SqlStatement;

// Stored in the file (PRAGMA user_version); a file of a later version is left alone. Version 1
// kept each session's file by its full path; version 2 keeps the name inside the Statistics
// folder beside the store, so that moving the documents folder keeps the links, and the files
// already read, so that a start reads only new or changed files. Version 3 adds the drivers, their
// goals, each session's driver and the settings the window and the tool share.
constexpr int kSchemaVersion = 3;

// The practice history's SQLite file and what keeps it usable: opening it (waiting a moment for a
// lock another program holds, falling back to reading it, setting a damaged file aside and
// starting anew), its tables made or brought to this version, and every statement's time bounded.
// A file that cannot be used turns itself off and says so once, in words, through its notice.
class SqliteFile {
public:
    using Notice = std::function<void(const QString &text)>;

    // Full: waits a moment for a lock another program holds, and checks the whole file.
    // AtStart (the window's start, which nothing may hold up): tries once without waiting (a
    // file held locked is tried again at the next recording) and leaves the whole-file check to
    // the folder's import beside the window (importBeside). Import: that import's own
    // connection, which checks the whole file after the import (checkWhole); a damaged file is
    // reported (damaged()) and left where it is.
    enum class Opening { Full, AtStart, Import };

    // Opens the file at `path`, creating it when missing. A damaged file, or one whose tables
    // are not exactly this program's, is renamed aside (with its journal) and a new one started;
    // `notice` is told that, and once that the history is off when the file cannot be used (it
    // can be read but not written: it is still shown). An older file is brought to this version
    // in place.
    SqliteFile(const QString &path, Notice notice, Opening opening);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    const QString &path() const { return m_path; }
    // The Statistics folder beside the file: the sessions' files in it are kept by name.
    const QString &folder() const { return m_folder; }
    bool canRead() const { return m_readable; }
    bool canWrite() const { return m_writable; }
    // Why the file cannot be written, in words; empty while it can.
    const QString &problem() const { return m_problem; }
    // Where a damaged file was moved at opening; empty when none was.
    const QString &setAsidePath() const { return m_setAside; }
    // Opened AtStart while another program held it locked: not open yet; the next write tries
    // again (openIfWaiting).
    bool waiting() const { return m_waiting; }
    // Opened for an import: the whole-file check found the file damaged.
    bool damaged() const { return m_damaged; }
    // Reads the whole file (what a Full opening does); false when it is damaged (damaged()).
    bool checkWhole();
    // Sets a file found damaged aside and starts a new one (what opening does with it).
    void startAnew();
    // Held locked at start: tried once more now, waiting as any write does; off when still held.
    void openIfWaiting();

    // The connection the statements run on, and its SQLite handle (null when not open).
    QSqlDatabase database() const;
    sqlite3 *handle() const;

    // Every statement runs through these, each with its time bounded: a file is only ever read
    // by statements of the program's own on its own tables, but it can be crafted or damaged.
    // A statement stepped by hand bounds its time from resetDeadline().
    void resetDeadline();
    bool run(QSqlQuery &query);
    bool run(QSqlQuery &query, const QString &statement);
    // These two turn the history off when the statement fails. A statement of SQLite's own runs
    // to its end and is reset.
    bool run(SqlStatement &statement);
    bool exec(const QString &statement);
    // Ends the transaction open, writing nothing of it.
    void rollback();
    // Turns the history off for a statement that failed; a damaged file is not read again (it
    // is set aside at the next start).
    void failed(const QSqlError &error);

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
    static int progress(void *file);

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
