#include "history/DownloadRecording.h"
#include "history/FolderImport.h"
#include "history/Store.h"
#include "stats/RunFile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/RunFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <sys/stat.h>

#include <optional>
#include <tuple>

// The practice history's store: what it records of a run file, the same bytes twice, the files
// it finds in the folder, and the stores it cannot use.
class HistoryStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QStringList notices;

    QString storePath() const { return dir->filePath(QStringLiteral("History.sqlite")); }
    std::unique_ptr<history::Store> open()
    {
        return std::make_unique<history::Store>(storePath(), [this](const QString &text) { notices.append(text); });
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static history::Arrival arrival(const QString &path, const QByteArray &bytes, const QDateTime &when,
                                    const QString &serial = QStringLiteral("VM000042"))
    {
        history::Arrival a;
        a.path = path;
        a.bytes = bytes;
        a.when = when;
        a.serial = serial;
        a.firmware = QStringLiteral("1.24 R");
        return a;
    }
    static QDateTime day(int d, int hour = 18) { return QDateTime(QDate(2024, 3, d), QTime(hour, 30)); }
    QString statistics() const { return dir->filePath(QStringLiteral("Statistics")); }
    // A file of the folder beside the store, dated `time`.
    QString put(const QString &name, const QByteArray &bytes, const QDateTime &time)
    {
        QDir().mkpath(statistics());
        const QString path = write(QStringLiteral("Statistics/") + name, bytes);
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || !file.setFileTime(time, QFileDevice::FileModificationTime))
            qFatal("cannot date %s", qPrintable(path));
        return path;
    }
    static QVariant scalar(const QString &path, const QString &statement)
    {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(path);
            QSqlQuery query(db);
            if (db.open() && query.exec(statement) && query.next())
                value = query.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        return value;
    }
    static QByteArray session(std::uint32_t seed, sim::RunFileKind kind = sim::RunFileKind::Full)
    {
        return sim::encodeRunFile(sim::generateSession(seed, 20), kind);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        notices.clear();
    }

    // What the table and the charts show of a session is the decoder's figures: counts as the
    // labels show them, the average, spread and shift averages the labels show (none where they
    // show "N/A"), and the best reaction time that is not one of the red lights.
    void figuresAreTheDecoders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("row"); // Runs .. Spread, as the table shows them
        QTest::addColumn<double>("best");     // -1: none
        QTest::addColumn<QList<double>>("shiftAverages"); // -1: none
        // Five runs, one red light (0.498 s, the fastest); shift 3 not in use.
        RunFileBytes full;
        full.runs(5).wins(2).reds(1).average(539).spread(40);
        const int rts[] = {512, 498, 530, 601, 555};
        for (int r = 1; r <= 5; ++r)
            full.rt(r, rts[r - 1]).shift(r, 1, 1650).shift(r, 2, 3300).shift(r, 4, 7100);
        full.noShift(3).shiftAverage(1, 1650).shiftAverage(2, 3304).shiftAverage(3, 10000).shiftAverage(4, 7100);
        QTest::newRow("full file") << full.bytes() << QStringList{"5", "1", "2", "0.539", "0.040"} << 0.512
                                   << QList<double>{1.65, 3.304, -1, 7.1};
        RunFileBytes noAverage = full;
        noAverage.average(10000);
        QTest::newRow("full file, average 10.000 shown as N/A") << noAverage.bytes()
                                                                << QStringList{"5", "1", "2", "N/A", "0.040"} << 0.512
                                                                << QList<double>{1.65, 3.304, -1, 7.1};
        RunFileBytes older(RunFileBytes::kShort);
        older.runs(2).wins(1).reds(2).average(10000).spread(15).shiftAverage(1, 1720).rt(1, 450).rt(2, 470);
        QTest::newRow("short file: only red lights, average 10.000 shown") << older.bytes()
                                                                           << QStringList{"2", "2", "1", "10.000", "0.015"}
                                                                           << -1.0 << QList<double>{1.72, -1, -1, -1};
        RunFileBytes rally(RunFileBytes::kRallycross);
        rally.runs(62).wins(30).reds(0).average(520).spread(22);
        for (int r = 1; r <= 50; ++r)
            rally.rt(r, 600 - r);
        QTest::newRow("rallycross file, 62 runs in 50 slots") << rally.bytes()
                                                              << QStringList{"62", "0", "30", "0.520", "0.022"} << 0.55
                                                              << QList<double>{-1, -1, -1, -1};
    }
    void figuresAreTheDecoders()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, row);
        QFETCH(double, best);
        QFETCH(QList<double>, shiftAverages);
        const auto store = open();
        QCOMPARE(store->record(arrival(write(QStringLiteral("RUN.txt"), bytes), bytes, day(4))),
                 history::Store::Recorded::New);
        const std::vector<history::Session> sessions = store->sessions();
        QCOMPARE(sessions.size(), size_t(1));
        const history::Session &s = sessions.front();
        QVERIFY(s.figures);
        const QLocale c(QLocale::C);
        QCOMPARE(history::tableRow(s, c).mid(3), row);

        // The window's labels, from the decoder, say the same.
        const runfile::RunFile decoded = runfile::decode(bytes, c);
        const QStringList labels{decoded.runs.text(), decoded.reds.text(), decoded.wins.text(), decoded.average, decoded.spread};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(labels.at(i) == QLatin1String("N/A"), row.at(i) == QLatin1String("N/A"));
            QCOMPARE(row.at(i).toDouble(), labels.at(i).toDouble()); // ".539" is 0.539
        }
        QCOMPARE(s.figures->average.value_or(-1), decoded.average == QLatin1String("N/A") ? -1 : decoded.average.toDouble());
        QCOMPARE(s.figures->best.value_or(-1), best);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(s.figures->shiftAverage[size_t(k)].value_or(-1), shiftAverages.at(k));
            QCOMPARE(decoded.shiftAverage[size_t(k)] == QLatin1String("N/A"), shiftAverages.at(k) < 0);
        }

        // The chart's points are those figures, at the session's time.
        const history::Plot plot = store->plot(std::nullopt, history::Grouping::Session);
        const double x = double(day(4).toMSecsSinceEpoch());
        QCOMPARE(plot.average.size(), s.figures->average ? 1 : 0);
        QCOMPARE(plot.best.size(), best < 0 ? 0 : 1);
        if (best >= 0)
            QCOMPARE(plot.best.first(), QPointF(x, best));
        QCOMPARE(plot.redRate.first(), QPointF(x, 100.0 * s.figures->reds / s.figures->runs));
        QCOMPARE(plot.spread.first(), QPointF(x, row.at(4).toDouble()));

        // The runs are kept as the window's load reads them (at most 50).
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(storePath());
        QVERIFY(db.open());
        {
            QSqlQuery runs(QStringLiteral("SELECT run, rt, shift1, shift3, bump FROM runs ORDER BY run"), db);
            int r = 0;
            while (runs.next()) {
                ++r;
                QCOMPARE(runs.value(0).toInt(), r);
                QCOMPARE(runs.value(1).toDouble(), decoded.rt[size_t(r)]);
                QCOMPARE(runs.value(2).isNull(), !decoded.full);
                QVERIFY(runs.value(3).isNull()); // shift 3 is in use in none of them
                QCOMPARE(runs.value(4).isNull(), !decoded.full);
            }
            QCOMPARE(r, std::min(s.figures->runs, 50));
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
        QCOMPARE(notices, QStringList());
    }

    // A file whose counts are not numbers (the window's load refuses it) is a session without
    // figures, and shown as one.
    void fileThatDoesNotDecode()
    {
        const QByteArray bytes = QByteArray(300, '0') + "0X2";
        const auto store = open();
        QCOMPARE(store->record(arrival(write(QStringLiteral("BAD.txt"), bytes), bytes, day(5))), history::Store::Recorded::New);
        const std::vector<history::Session> sessions = store->sessions();
        QCOMPARE(sessions.size(), size_t(1));
        QVERIFY(!sessions.front().figures);
        QCOMPARE(history::tableRow(sessions.front()).mid(2),
                 (QStringList{"BAD.txt", history::kNoFigures, "", "", "", ""}));
        QVERIFY(store->plot(std::nullopt, history::Grouping::Session).average.isEmpty());
        QCOMPARE(history::csvText(sessions, QLocale::c()).split('\n').at(1), QByteArray("2024-03-05 18:30:00,VM000042,BAD.txt,,,,,,\r"));
    }

    // The same bytes again are the same session: downloaded twice, or found in the folder and then
    // downloaded. It keeps its first date, takes the device it lacked, and follows its file when
    // the first copy is gone.
    void sameBytesAreOneSession()
    {
        const QByteArray bytes = session(1);
        const QString first = write(QStringLiteral("ABC.txt"), bytes);
        const auto store = open();
        history::Arrival found = arrival(first, bytes, day(3), QString());
        found.imported = true;
        QCOMPARE(store->record(found), history::Store::Recorded::New);
        const QString second = write(QStringLiteral("ABC-1.txt"), bytes);
        QCOMPARE(store->record(arrival(second, bytes, day(9))), history::Store::Recorded::Known);
        std::vector<history::Session> sessions = store->sessions();
        QCOMPARE(sessions.size(), size_t(1));
        QCOMPARE(sessions.front().arrived, day(3));
        QCOMPARE(sessions.front().serial, QStringLiteral("VM000042"));
        QCOMPARE(sessions.front().firmware, QStringLiteral("1.24 R"));
        QCOMPARE(sessions.front().path, first); // still there

        QVERIFY(QFile::remove(first));
        QCOMPARE(store->record(arrival(second, bytes, day(10), QStringLiteral("OTHER"))), history::Store::Recorded::Known);
        sessions = store->sessions();
        QCOMPARE(sessions.front().path, second);
        QCOMPARE(sessions.front().serial, QStringLiteral("VM000042")); // a device once known stays

        const QByteArray other = session(2);
        QCOMPARE(store->record(arrival(write(QStringLiteral("ABC-2.txt"), other), other, day(10))),
                 history::Store::Recorded::New);
        QCOMPARE(store->sessions().size(), size_t(2));
        QCOMPARE(notices, QStringList());
    }

    // At start the run files of the folder the store has not seen are added once, dated by their
    // file time; pipes, folders and files longer than a run file are passed over.
    void importOfExistingFiles()
    {
        const QString folder = dir->filePath(QStringLiteral("Statistics"));
        QVERIFY(QDir().mkpath(folder));
        const auto put = [&](const char *name, const QByteArray &bytes, const QDateTime &time) {
            const QString path = write(QStringLiteral("Statistics/") + QLatin1String(name), bytes);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        };
        put("B.txt", session(1), day(2));
        put("A.txt", session(2), day(7));
        put("A-1.txt", session(2), day(8)); // the same bytes as A.txt
        put("RX1R.txt", session(3, sim::RunFileKind::Rallycross), day(1));
        put("notes.txt", QByteArray(5000, 'x'), day(1));
        put("RUN.csv", session(4), day(1));
        QVERIFY(QDir(folder).mkdir(QStringLiteral("folder.txt")));
        QCOMPARE(mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.txt")).constData(), 0600), 0);

        const auto store = open();
        QCOMPARE(store->thisComputer().importFolder(folder).added, 3);
        std::vector<history::Session> sessions = store->sessions();
        QCOMPARE(sessions.size(), size_t(3));
        QCOMPARE(sessions[0].fileName(), QStringLiteral("RX1R.txt"));
        QCOMPARE(sessions[0].arrived, day(1));
        QVERIFY(sessions[0].rallycross);
        QVERIFY(sessions[0].imported);
        QCOMPARE(sessions[0].serial, QString());
        QCOMPARE(sessions[1].fileName(), QStringLiteral("B.txt"));
        QVERIFY(!sessions[1].rallycross);
        QCOMPARE(sessions[2].fileName(), QStringLiteral("A-1.txt")); // read first: sorted by name
        QCOMPARE(sessions[2].arrived, day(8));
        QCOMPARE(store->devices(), QStringList{QString()});

        QCOMPARE(store->thisComputer().importFolder(folder).added, 0);
        QVERIFY(QFile::remove(folder + QStringLiteral("/A-1.txt")));
        QCOMPARE(store->thisComputer().importFolder(folder).added, 0);
        QCOMPARE(store->sessions().back().fileName(), QStringLiteral("A.txt")); // followed to the copy left
        QCOMPARE(store->sessions(QString()).size(), size_t(3));
        QCOMPARE(store->sessions(QStringLiteral("VM000042")).size(), size_t(0));
        QCOMPARE(notices, QStringList());
    }

    // A store that is not a history of this program is renamed aside, never deleted, with its
    // journal; a new one is started and said so once.
    void damagedStoreIsSetAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("garbage") << "garbage" << "was damaged";
        QTest::newRow("cut short") << "cut" << "was damaged";
        QTest::newRow("another program's database") << "foreign" << "is not a practice history";
    }
    void damagedStoreIsSetAside()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        if (kind == QLatin1String("garbage")) {
            write(QStringLiteral("History.sqlite"), QByteArray(8192, '\x5a'));
        } else if (kind == QLatin1String("cut")) {
            {
                const auto store = open();
                for (std::uint32_t i = 1; i <= 40; ++i) {
                    const QByteArray bytes = session(i);
                    store->record(arrival(dir->filePath(QStringLiteral("R%1.txt").arg(i)), bytes, day(1)));
                }
            }
            QVERIFY(QFile::resize(storePath(), QFileInfo(storePath()).size() / 2));
        } else {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(storePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (text TEXT)")));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("other"));
        }
        write(QStringLiteral("History.sqlite-journal"), "not a journal");
        const QByteArray before = readAll(storePath());

        const auto store = open();
        QVERIFY(store->canRecord());
        QCOMPARE(notices.size(), 1);
        const QString aside = store->setAsidePath();
        QVERIFY2(QFileInfo(aside).fileName().startsWith(QLatin1String("History-damaged-")), qPrintable(aside));
        QVERIFY(notices.first().contains(said));
        QVERIFY(notices.first().contains(QFileInfo(aside).fileName()));
        QCOMPARE(readAll(aside), before);
        // SQLite discards a journal that is none; it never stays to be played into the new file.
        QVERIFY(!QFile::exists(storePath() + QStringLiteral("-journal")));
        const QByteArray bytes = session(99);
        QCOMPARE(store->record(arrival(write(QStringLiteral("N.txt"), bytes), bytes, day(2))), history::Store::Recorded::New);
        QCOMPARE(store->sessions().size(), size_t(1));
        QCOMPARE(notices.size(), 1);
    }

    // A store it cannot write, or may not touch, turns the history off and says why once; the
    // sessions it holds are still shown where it can read them.
    void storeThatCannotRecord_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("why");
        QTest::addColumn<bool>("readable");
        QTest::newRow("read-only") << "read-only" << "is read-only (it is shown, but new run files are not added)" << true;
        QTest::newRow("locked by another program") << "locked" << "is locked by another program" << true;
        // A disk that refuses the write (here the size limit for files, as a full disk does).
        QTest::newRow("past the size limit") << "size limit" << "could not be written: a disk error, or the size limit for "
                                                                "files (it is shown, but new run files are not added)" << true;
        QTest::newRow("written by a newer version") << "newer" << "was written by a newer version of the program" << false;
        QTest::newRow("a folder by its name") << "folder" << "is not a regular file" << false;
    }
    void storeThatCannotRecord()
    {
        QFETCH(QString, fault);
        QFETCH(QString, why);
        QFETCH(bool, readable);
        const QByteArray kept = session(1);
        if (fault != QLatin1String("folder")) {
            const auto store = open();
            QCOMPARE(store->record(arrival(dir->filePath(QStringLiteral("KEPT.txt")), kept, day(1))),
                     history::Store::Recorded::New);
        }
        QSqlDatabase locker;
        if (fault == QLatin1String("read-only") && !setReadOnly(storePath(), true))
            QSKIP("this file system cannot make a file read-only for root");
        if (fault == QLatin1String("newer")) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
            db.setDatabaseName(storePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(history::kSchemaVersion + 1)));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        }
        if (fault == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(storePath()));
        const QByteArray before = fault == QLatin1String("folder") ? QByteArray() : readAll(storePath());

        std::optional<FileSizeLimit> limit;
        if (fault == QLatin1String("size limit"))
            limit.emplace(1);
        auto store = open();
        if (fault == QLatin1String("locked")) {
            // Opened first, then held by another program for longer than it waits.
            QCOMPARE(notices, QStringList());
            locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            locker.setDatabaseName(storePath());
            QVERIFY(locker.open());
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        const QByteArray bytes = session(2);
        const history::Arrival next = arrival(write(QStringLiteral("NEXT.txt"), bytes), bytes, day(2));
        QCOMPARE(store->record(next), history::Store::Recorded::Off);
        QCOMPARE(store->record(next), history::Store::Recorded::Off);
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first(), QStringLiteral("The practice history is off: the history file %1 %2. Run files are "
                                                 "still downloaded and stored as usual.")
                                      .arg(QDir::toNativeSeparators(storePath()), why));
        QVERIFY(!store->canRecord());
        QCOMPARE(store->thisComputer().importFolder(dir->path()).added, 0);
        if (locker.isOpen()) {
            QSqlQuery(locker).exec(QStringLiteral("ROLLBACK"));
            locker.close();
        }
        QCOMPARE(store->canRead(), readable);
        QCOMPARE(store->sessions().size(), size_t(readable ? 1 : 0));
        store.reset();
        limit.reset();
        if (fault == QLatin1String("read-only"))
            setReadOnly(storePath(), false);
        if (fault != QLatin1String("folder"))
            QCOMPARE(readAll(storePath()), before); // untouched
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    }

    // A start reads only what it has not read: a file known by its name, size and time is passed
    // over, also one a download recorded; a file changed since, in its bytes or only its time,
    // is read again, and a file that went is forgotten.
    void knownFilesAreNotReadAgain()
    {
        put(QStringLiteral("A.txt"), session(1), day(1));
        put(QStringLiteral("B.txt"), session(2), day(2));
        const auto store = open();
        QList<QPair<int, int>> progress;
        QCOMPARE(store->thisComputer().importFolder(statistics(), nullptr, [&progress](int read, int total) { progress.append({read, total}); }).read, 2);
        QCOMPARE(progress, (QList<QPair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
        const QByteArray downloaded = session(3);
        QCOMPARE(store->record(arrival(put(QStringLiteral("C.txt"), downloaded, day(3)), downloaded, day(3))),
                 history::Store::Recorded::New);
        const history::Store::Imported again = store->thisComputer().importFolder(statistics());
        QCOMPARE(again.read, 0);
        QCOMPARE(again.added, 0);

        put(QStringLiteral("A.txt"), session(4), day(1)); // new bytes, the same size and time
        put(QStringLiteral("B.txt"), session(2), day(5)); // only touched
        QVERIFY(QFile::remove(statistics() + QStringLiteral("/C.txt")));
        history::Store::Imported changed = store->thisComputer().importFolder(statistics());
        QCOMPARE(changed.read, 1); // B: a file rewritten in the same second with the same size is not seen
        QCOMPARE(changed.added, 0);
        QFile::remove(statistics() + QStringLiteral("/A.txt"));
        put(QStringLiteral("A.txt"), session(4, sim::RunFileKind::Rallycross), day(1)); // another size
        changed = store->thisComputer().importFolder(statistics());
        QCOMPARE(changed.read, 1);
        QCOMPARE(changed.added, 1);
        QCOMPARE(store->thisComputer().importFolder(statistics()).read, 0);
        QCOMPARE(scalar(storePath(), QStringLiteral("SELECT group_concat(file) FROM (SELECT file FROM seen ORDER BY file)")).toString(),
                 QStringLiteral("A.txt,B.txt"));
        QCOMPARE(store->sessions().size(), size_t(4));
        QCOMPARE(notices, QStringList());
    }

    // A file rewritten after the start read it, before its recording: it keeps the stamp it had
    // when read, so the next start reads the new bytes instead of taking them for known.
    void fileChangedWhileReadIsReadAgain()
    {
        const QByteArray first = session(1), second = session(2);
        QCOMPARE(second.size(), first.size()); // their stamps differ only in the time
        history::Arrival read = arrival(put(QStringLiteral("A.txt"), first, day(1)), first, day(1));
        read.serial.clear();
        read.imported = true;
        read.stamp = files::Stamp{first.size(), day(1).toMSecsSinceEpoch()};
        put(QStringLiteral("A.txt"), second, day(2));
        const auto store = open();
        QCOMPARE(store->record(read), history::Store::Recorded::New);
        const history::Store::Imported next = store->thisComputer().importFolder(statistics());
        QCOMPARE(next.read, 1);
        QCOMPARE(next.added, 1);
        QCOMPARE(store->thisComputer().importFolder(statistics()).read, 0);
    }

    // A store version 1 wrote (full paths) is brought to this version in place: every session
    // keeps its figures and runs, a file of the folder is kept by its name, one elsewhere by its
    // path, and the same bytes are still the same session.
    void versionOneStoreIsMigrated()
    {
        const QByteArray bytes = session(7);
        const QString inFolder = put(QStringLiteral("RUN7.txt"), bytes, day(7));
        const QString elsewhere = write(QStringLiteral("ELSE.txt"), "0X2");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
            db.setDatabaseName(storePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const QString &statement : {
                     QStringLiteral("CREATE TABLE sessions ("
                                    " id INTEGER PRIMARY KEY, arrived INTEGER NOT NULL, imported INTEGER NOT NULL,"
                                    " serial TEXT NOT NULL, firmware TEXT NOT NULL, path TEXT NOT NULL, hash TEXT NOT NULL UNIQUE,"
                                    " size INTEGER NOT NULL, rallycross INTEGER NOT NULL,"
                                    " runs INTEGER, wins INTEGER, reds INTEGER, average REAL, spread REAL, best REAL,"
                                    " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL)"),
                     QStringLiteral("CREATE INDEX sessions_by_date ON sessions (arrived)"),
                     QStringLiteral("CREATE TABLE runs ("
                                    " session INTEGER NOT NULL REFERENCES sessions (id), run INTEGER NOT NULL, rt REAL NOT NULL,"
                                    " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL, bump INTEGER,"
                                    " PRIMARY KEY (session, run)) WITHOUT ROWID"),
                     QStringLiteral("PRAGMA application_id = %1").arg(0x564D4831), QStringLiteral("PRAGMA user_version = 1"),
                     QStringLiteral("INSERT INTO sessions VALUES (1, %1, 0, 'VM000042', '1.24 R', '%2', '%3', %4, 0,"
                                    " 20, 9, 1, 0.512, 0.03, 0.498, 1.7, 3.38, NULL, NULL)")
                         .arg(day(7).toMSecsSinceEpoch()).arg(inFolder, QString::fromLatin1(
                             QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())).arg(bytes.size()),
                     QStringLiteral("INSERT INTO runs VALUES (1, 1, 0.512, 1.7, 3.38, NULL, NULL, 2), (1, 2, 0.498, 1.71, 3.4, NULL, NULL, 0)"),
                     QStringLiteral("INSERT INTO sessions VALUES (2, %1, 1, '', '', '%2', 'ab', 3, 0,"
                                    " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)")
                         .arg(day(8).toMSecsSinceEpoch()).arg(elsewhere)})
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("v1"));

        for (int opening = 1; opening <= 2; ++opening) { // the second finds it as this version made it
            const auto store = open();
            QVERIFY(store->canRecord());
            const std::vector<history::Session> sessions = store->sessions();
            QCOMPARE(sessions.size(), size_t(2));
            QCOMPARE(sessions[0].path, inFolder);
            QCOMPARE(sessions[0].arrived, day(7));
            QCOMPARE(sessions[0].serial, QStringLiteral("VM000042"));
            QVERIFY(sessions[0].figures);
            const history::Figures &f = *sessions[0].figures;
            QCOMPARE(std::tuple(f.runs, f.wins, f.reds), std::tuple(20, 9, 1));
            QCOMPARE(std::tuple(f.average, f.spread, f.best), std::tuple(std::optional(0.512), std::optional(0.03), std::optional(0.498)));
            QCOMPARE(f.shiftAverage, (std::array<std::optional<double>, 4>{1.7, 3.38, std::nullopt, std::nullopt}));
            QCOMPARE(sessions[1].path, elsewhere);
            QVERIFY(sessions[1].imported);
            QVERIFY(!sessions[1].figures);
            QCOMPARE(store->record(arrival(inFolder, bytes, day(9))), history::Store::Recorded::Known);
            QCOMPARE(sessions[0].driver, QString()); // of no driver until given to one
            // Its runs in the distribution, the faster as its red light.
            const history::Distribution d = store->practice(std::nullopt, std::nullopt, std::nullopt).distribution;
            QCOMPARE(std::tuple(d.runs, d.reds, d.bins), std::tuple(2, 1, (std::map<int, int>{{51, 1}})));
        }
        QCOMPARE(notices, QStringList());
        QCOMPARE(scalar(storePath(), QStringLiteral("PRAGMA user_version")).toInt(), history::kSchemaVersion);
        QCOMPARE(scalar(storePath(), QStringLiteral("SELECT file FROM sessions WHERE id = 1")).toString(), QStringLiteral("RUN7.txt"));
        QCOMPARE(scalar(storePath(), QStringLiteral("SELECT count(*) FROM runs")).toInt(), 2);
    }

    // Sessions given to a driver (new or known), several at once, taken back, and each filter:
    // one driver's, those of none, all; a download goes to the driver picked for new downloads
    // unless it names its own, and the choice and the goals outlive the store's closing.
    void sessionsOfDrivers()
    {
        {
            const auto store = open();
            std::vector<qint64> ids;
            for (int d = 1; d <= 4; ++d) {
                const QByteArray bytes = session(std::uint32_t(40 + d));
                QCOMPARE(store->record(arrival(write(QStringLiteral("D%1.txt").arg(d), bytes), bytes, day(d))),
                         history::Store::Recorded::New);
            }
            for (const history::Session &s : store->sessions())
                ids.push_back(s.id);
            QVERIFY(store->assign({ids[0], ids[1], ids[2]}, QStringLiteral("Ana")));
            QVERIFY(store->assign({ids[2]}, QStringLiteral("Ben"))); // from one driver to another
            QVERIFY(store->assign({ids[1]}, QString()));             // taken back
            QVERIFY(store->setGoal(QStringLiteral("Ana"), history::Goal{0.51, 0.02}));
            QVERIFY(store->thisComputer().setDownloadDriver(QStringLiteral("Ben")));
        }
        const auto store = open();
        const auto files = [&store](const history::DriverFilter &driver) {
            QStringList names;
            for (const history::Session &s : store->sessions(std::nullopt, driver))
                names << s.fileName() + QLatin1Char(':') + s.driver;
            return names;
        };
        QCOMPARE(files(QStringLiteral("Ana")), QStringList{"D1.txt:Ana"});
        QCOMPARE(files(QStringLiteral("Ben")), QStringList{"D3.txt:Ben"});
        QCOMPARE(files(QString()), (QStringList{"D2.txt:", "D4.txt:"}));
        QCOMPARE(files(std::nullopt).size(), 4);
        QCOMPARE(files(QStringLiteral("Nobody")), QStringList());
        const std::vector<history::Driver> drivers = store->drivers();
        QCOMPARE(drivers.size(), size_t(2));
        QCOMPARE(drivers[0].name, QStringLiteral("Ana"));
        QCOMPARE(drivers[0].goal, std::optional(history::Goal{0.51, 0.02}));
        QCOMPARE(drivers[1].goal, std::nullopt);
        QCOMPARE(store->thisComputer().downloadDriver(), QStringLiteral("Ben"));

        // The recording both the window's Load and the tool's download use.
        const auto download = [this, &store](int d, const std::optional<QString> &driver) {
            const QByteArray bytes = session(std::uint32_t(40 + d));
            history::DownloadRecording recording(store.get(), QStringLiteral("VM000042"), QStringLiteral("1.24 R"),
                                                 [d] { return day(d); });
            if (driver)
                recording.setDriver(*driver);
            recording.add(StoredRunFile{write(QStringLiteral("D%1.txt").arg(d), bytes), bytes, false});
        };
        download(5, std::nullopt);
        download(6, QStringLiteral("Cleo")); // a new driver, named for this download
        download(7, QString());              // for no driver
        QVERIFY(store->thisComputer().setDownloadDriver(QString()));
        download(8, std::nullopt);
        QCOMPARE(files(QStringLiteral("Ben")), (QStringList{"D3.txt:Ben", "D5.txt:Ben"}));
        QCOMPARE(files(QStringLiteral("Cleo")), QStringList{"D6.txt:Cleo"});
        QCOMPARE(files(QString()), (QStringList{"D2.txt:", "D4.txt:", "D7.txt:", "D8.txt:"}));
        QCOMPARE(store->thisComputer().downloadDriver(), QString());
        QVERIFY(store->setGoal(QStringLiteral("Ana"), std::nullopt));
        QCOMPARE(store->drivers()[0].goal, std::nullopt);
        QCOMPARE(notices, QStringList());
    }

    // The documents folder moved or restored elsewhere: the sessions find their files in the
    // folder where it is now, and a start reads none of them again.
    void sessionsFollowTheMovedFolder()
    {
        const QString before = dir->filePath(QStringLiteral("before"));
        const QString after = dir->filePath(QStringLiteral("after/Documents"));
        QVERIFY(QDir().mkpath(before + QStringLiteral("/Statistics")));
        QVERIFY(QDir().mkpath(QFileInfo(after).path()));
        const QByteArray downloaded = session(21), found = session(22);
        {
            history::Store store(before + QStringLiteral("/History.sqlite"));
            const QString path = before + QStringLiteral("/Statistics/RUN21.txt");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(downloaded) == downloaded.size());
            file.close();
            QCOMPARE(store.record(arrival(path, downloaded, day(21))), history::Store::Recorded::New);
            QFile other(before + QStringLiteral("/Statistics/RUN22.txt"));
            QVERIFY(other.open(QIODevice::WriteOnly) && other.write(found) == found.size());
            other.close();
            QCOMPARE(store.thisComputer().importFolder(store.folder()).added, 1);
        }
        QVERIFY(QDir().rename(before, after));
        history::Store store(after + QStringLiteral("/History.sqlite"));
        QCOMPARE(store.thisComputer().importFolder(store.folder()).read, 0);
        const std::vector<history::Session> sessions = store.sessions();
        QCOMPARE(sessions.size(), size_t(2));
        QCOMPARE(readAll(sessions[0].path), downloaded);
        QCOMPARE(readAll(sessions[1].path), found);
        QVERIFY(sessions[0].path.startsWith(after));
    }

    // A store with the program's mark and version whose SQL would never end is no store of
    // ours: set aside at opening, before any of it runs, and a new one records.
    void craftedStoreIsSetAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("sessions an endless view") << "view";
        QTest::newRow("an endless trigger") << "trigger";
    }
    void craftedStoreIsSetAside()
    {
        QFETCH(QString, kind);
        writeCraftedHistory(storePath(), kind);
        const auto store = open();
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.first().contains(QLatin1String("was damaged. It was renamed to History-damaged-")), qPrintable(notices.first()));
        const QByteArray bytes = session(30);
        QCOMPARE(store->record(arrival(put(QStringLiteral("R.txt"), bytes, day(3)), bytes, day(3))), history::Store::Recorded::New);
        QCOMPARE(store->sessions().size(), size_t(1));
    }

    // The CSV takes the device's and the folder's texts as text: control characters as \xHH, a
    // text a spreadsheet would take for a formula with a leading '; numbers stay numbers.
    void csvGuards_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "VM000042" << "VM000042";
        QTest::newRow("escape and bell") << "VM\x1b[2J\x07" << "VM\\x1B[2J\\x07";
        QTest::newRow("C1 control and DEL") << QString::fromUtf16(u"A\u0085\u007f") << "A\\x85\\x7F";
        QTest::newRow("line end, quoted") << "A\r\nB,C" << "\"A\\x0D\\x0AB,C\"";
        for (const char *start : {"=", "+", "-", "@"})
            QTest::newRow(start) << QLatin1String(start) + QStringLiteral("HYPERLINK(1)") << QStringLiteral("'%1HYPERLINK(1)").arg(QLatin1String(start));
        QTest::newRow("formula after a control character") << "\t=1+1" << "\\x09=1+1";
        QTest::newRow("inside, not first") << "A=1" << "A=1";
    }
    void csvGuards()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        history::Session s;
        s.arrived = day(4);
        s.serial = text;
        s.path = QStringLiteral("/x/") + text + QStringLiteral(".txt");
        history::Figures f;
        f.runs = 3;
        f.average = -0.5; // a number, never guarded
        s.figures = f;
        const QByteArray csv = history::csvText({s}, QLocale::c());
        const QString row = QString::fromLocal8Bit(csv).split(QStringLiteral("\r\n")).at(1);
        const QString file = field.endsWith(QLatin1Char('"')) ? field.chopped(1) + QStringLiteral(".txt\"") : field + QStringLiteral(".txt");
        QCOMPARE(row, QStringLiteral("2024-03-04 18:30:00,%1,%2,3,0,0,-0.5,,").arg(field, file));
        s.driver = text; // the driver's name is typed text too
        const QString driven = QString::fromLocal8Bit(history::csvText({s}, QLocale::c())).split(QStringLiteral("\r\n")).at(1);
        QVERIFY2(driven.endsWith(QLatin1Char(',') + field), qPrintable(driven));
    }

    // The table as the tool prints it, and its CSV with Export's rules.
    void tableAndCsv()
    {
        const auto store = open();
        const QByteArray a = session(5);
        RunFileBytes older(RunFileBytes::kShort);
        older.runs(20).wins(9).reds(2).average(512).spread(30);
        const QByteArray b = older.bytes();
        store->record(arrival(write(QStringLiteral("A.txt"), a), a, day(12, 9), QStringLiteral("VM000042")));
        store->record(arrival(write(QStringLiteral("B, two.txt"), b), b, day(3), QStringLiteral("VM000007")));
        const std::vector<history::Session> sessions = store->sessions();
        QCOMPARE(sessions.front().fileName(), QStringLiteral("B, two.txt")); // by date
        const QStringList lines = history::tableText(sessions, QLocale::c()).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4); // header, two rows, the end
        QVERIFY(lines.at(0).startsWith(QLatin1String("Date ")));
        QVERIFY(lines.at(0).endsWith(QLatin1String("Average  Spread")));
        for (const QString &line : lines.mid(1, 2))
            QCOMPARE(line.size(), lines.at(0).size()); // aligned columns

        // A serial of a megabyte with control characters (a crafted store): read back only as far
        // as a real text goes, its cell cut and escaped, the columns still aligned.
        const QString huge = QStringLiteral("VM\x1B[2J") + QString(1 << 20, QLatin1Char('9'));
        const QByteArray c = session(7);
        store->record(arrival(write(QStringLiteral("C.txt"), c), c, day(20), huge));
        const std::vector<history::Session> more = store->sessions();
        const QStringList table = history::tableText(more, QLocale::c()).split(QLatin1Char('\n'));
        QCOMPARE(table.size(), 5);
        QVERIFY2(table.at(3).contains(QStringLiteral("VM\\x1B[2J999")), qPrintable(table.at(3)));
        QCOMPARE(table.at(3).indexOf(QChar(0x2026)), table.at(0).indexOf(QLatin1String("Device")) + history::kTableCellWidth - 1);
        for (const QString &line : table.mid(1, 3))
            QCOMPARE(line.size(), table.at(0).size());
        QCOMPARE(more.back().serial, huge.left(1024));

        const QLocale german(QLocale::German, QLocale::Germany);
        const QList<QByteArray> csv = history::csvText(sessions, german).split('\n');
        QCOMPARE(csv.at(0), QByteArray("Date, Device, File, Runs, Reds, Wins, Average, Spread, Driver\r"));
        QCOMPARE(csv.at(1), QByteArray("2024-03-03 18:30:00,VM000007,\"B, two.txt\",20,2,9,\"0,512\",\"0,03\",\r"));
        QVERIFY(csv.at(2).startsWith("2024-03-12 09:30:00,VM000042,A.txt,20,"));
        QCOMPARE(csv.size(), 4);
        QCOMPARE(store->devices(), (QStringList{huge.left(1024), "VM000007", "VM000042"})); // read no further

        // Drivers likewise: a name of a megabyte, and more drivers than any list offers.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("crafted"));
            db.setDatabaseName(storePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500)"
                                              " INSERT INTO drivers (name) SELECT printf('D%04d', i) FROM n")));
            query.prepare(QStringLiteral("INSERT INTO drivers (name) VALUES (?)"));
            query.addBindValue(QStringLiteral("A") + huge);
            QVERIFY(query.exec());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("crafted"));
        const std::vector<history::Driver> drivers = store->drivers();
        QCOMPARE(drivers.size(), size_t(1000));
        QCOMPARE(drivers.front().name, (QStringLiteral("A") + huge).left(1024));
        QCOMPARE(store->driver(QStringLiteral("D1500"))->name, QStringLiteral("D1500")); // past the list, still known
    }
};

MIRELON_TEST_MAIN(HistoryStoreTest)
#include "test_history_store.moc"
