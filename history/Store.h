#pragma once

#include "history/PracticeStore.h"
#include "history/SqliteFile.h"

#include <QString>
#include <QVariantList>

#include <memory>

struct WorkingFolders;

namespace history {

inline const QString kStoreName = QStringLiteral("History.sqlite");

// The practice history in an SQLite file in the program folder: every run file the program
// brought home, with the time it arrived, the device it came from and its figures. What keeps
// the file usable (its locks, setting a damaged one aside, its tables' versions) is SqliteFile's;
// the recording, the drivers and the queries are here.
class Store final : public PracticeStore, public ThisComputer {
public:
    using Notice = SqliteFile::Notice;
    using Opening = SqliteFile::Opening;

    // Opens the store at `path`, creating it when missing (see SqliteFile).
    explicit Store(const QString &path, Notice notice = {}, Opening opening = Opening::Full);
    ~Store() override;

    const QString &path() const { return m_file.path(); }
    // The Statistics folder beside the store: the sessions' files in it are kept by name.
    const QString &folder() const { return m_file.folder(); }
    bool canRead() const override { return m_file.canRead(); }
    bool canRecord() const override { return m_file.canWrite(); }
    QString problem() const override { return m_file.problem(); }
    // Where a damaged store was moved at opening; empty when none was.
    const QString &setAsidePath() const { return m_file.setAsidePath(); }
    // Opened AtStart while another program held it locked: not open yet; the next recording
    // tries again.
    bool waiting() const { return m_file.waiting(); }
    // Opened for an import: the whole-file check found the file damaged.
    bool damaged() const { return m_file.damaged(); }
    // Reads the whole file (what a Full opening does); false when it is damaged (damaged()).
    bool checkWhole() { return m_file.checkWhole(); }
    // Sets a store found damaged aside and starts a new one (what opening does with it).
    void startAnew() { m_file.startAnew(); }

    using PracticeStore::record;
    std::vector<Recorded> record(const std::vector<Arrival> &arrivals) override;
    std::vector<Session> sessions(const DeviceFilter &serial = std::nullopt,
                                  const DriverFilter &driver = std::nullopt) override;
    std::vector<Driver> drivers() override;
    std::optional<Driver> driver(const QString &name) override;
    bool assign(const std::vector<qint64> &ids, const QString &driver) override;
    bool setGoal(const QString &driver, const std::optional<Goal> &goal) override;
    QStringList devices() override;
    Overview overview(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt) override;
    std::vector<qint64> sessionIds(const DeviceFilter &serial, const DriverFilter &driver = std::nullopt) override;
    std::vector<Session> sessionsWithIds(const std::vector<qint64> &ids) override;
    Plot plot(const DeviceFilter &serial, Grouping grouping, const QDateTime &local = QDateTime::currentDateTime(),
              const DriverFilter &driver = std::nullopt) override;
    Practice practice(const DeviceFilter &serial, const DriverFilter &driver, const std::optional<Goal> &goal) override;

    ThisComputer &thisComputer() override { return *this; }

private:
    // This computer's part, reached through thisComputer(): the files of the folder read already
    // (the table `seen`) and the settings.
    Imported importFolder(const QString &folder, const std::atomic<bool> *stop = nullptr,
                          const Progress &progress = {}) override;
    QString downloadDriver() override;
    bool setDownloadDriver(const QString &driver) override;

    QString fileOf(const QString &path) const;
    QString pathOf(const QString &file) const;
    struct Statements; // what a recording prepares once for all its files
    bool makeDriver(const QString &driver);
    std::optional<QString> setting(const QString &name);
    bool markSeen(Statements &statements, const QString &file, const files::Stamp &stamp, const QByteArray &hash);
    Recorded recordOne(Statements &statements, const Arrival &arrival); // in a transaction
    // The sessions of "SELECT ... FROM sessions" followed by `rest`, with `values` bound.
    std::vector<Session> select(const QString &rest, const QVariantList &values);
    std::optional<qint64> insert(Statements &statements, const Arrival &arrival, const QByteArray &hash);

    SqliteFile m_file;
};

// The history's file in the program folder.
QString historyPath(const WorkingFolders &folders);
// The history of the program folder, opened as Store opens it. The folder is not made here: the
// tool and the report command make it first, the window finds it made at its start.
std::unique_ptr<Store> openHistory(const WorkingFolders &folders, Store::Notice notice = {},
                                   Store::Opening opening = Store::Opening::Full);

} // namespace history
