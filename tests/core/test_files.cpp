#include "base/Files.h"
#include "base/FolderListing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include "tests/support/FileSizeLimit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// The file helper's writes: all or nothing, never through a link, and no temporary file left.
class FilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    QString path(const QString &name) const { return dir->filePath(name); }
    QByteArray bytes(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    bool put(const QString &name, const QByteArray &data) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    }
    QStringList names() const
    {
        return QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                           QDir::Name);
    }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }

    void writesReplaceAndCreate()
    {
        QVERIFY(put(QStringLiteral("a.csv"), "old"));
        files::writeFile(path(QStringLiteral("a.csv")), "new bytes");
        QCOMPARE(bytes(QStringLiteral("a.csv")), QByteArray("new bytes"));
        QVERIFY(!files::writeNewFile(path(QStringLiteral("a.csv")), "other"));
        QCOMPARE(bytes(QStringLiteral("a.csv")), QByteArray("new bytes"));
        QVERIFY(files::writeNewFile(path(QStringLiteral("b.txt")), QByteArray()));
        QCOMPARE(bytes(QStringLiteral("b.txt")), QByteArray());
        QCOMPARE(names(), QStringList({"a.csv", "b.txt"}));
    }

#ifdef Q_OS_UNIX
    // A write the file size limit stops (as a full disk or an I/O error would) changes nothing:
    // the old files keep their bytes, a new one does not appear, and no temporary file stays.
    void failedWritesChangeNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("replacing") << "replace";
        QTest::newRow("a new file") << "new";
        QTest::newRow("a set, its second file too large") << "set";
    }
    void failedWritesChangeNothing()
    {
        QFETCH(QString, how);
        QVERIFY(put(QStringLiteral("test.bmp"), "old picture"));
        QVERIFY(put(QStringLiteral("user.txt"), "7,1,1"));
        QVERIFY(put(QStringLiteral("user.raw"), "ab"));
        const QStringList before = names();
        const QByteArray large(64 * 1024, 'x');

        QString message;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.isSet());
            try {
                if (how == QLatin1String("replace"))
                    files::writeFile(path(QStringLiteral("test.bmp")), large);
                else if (how == QLatin1String("new"))
                    files::writeNewFile(path(QStringLiteral("new.txt")), large);
                else
                    files::writeFiles({{path(QStringLiteral("user.raw")), "cd"},
                                       {path(QStringLiteral("user.txt")), large},
                                       {path(QStringLiteral("test.bmp")), "new picture"}});
            } catch (const files::FileError &e) {
                message = e.description();
            }
        }

        const QString target = how == QLatin1String("new") ? QStringLiteral("new.txt")
                               : how == QLatin1String("set") ? QStringLiteral("user.txt")
                                                             : QStringLiteral("test.bmp");
        QCOMPARE(message, QStringLiteral("cannot write %1: the file would pass the size limit for files").arg(path(target)));
        QCOMPARE(names(), before);
        QCOMPARE(bytes(QStringLiteral("test.bmp")), QByteArray("old picture"));
        QCOMPARE(bytes(QStringLiteral("user.txt")), QByteArray("7,1,1"));
        QCOMPARE(bytes(QStringLiteral("user.raw")), QByteArray("ab"));
    }

    // A link where the file goes is replaced by the file; what it leads to is never written.
    void linkIsReplacedNotFollowed()
    {
        QVERIFY(put(QStringLiteral("other.bmp"), "someone else's"));
        QVERIFY(QFile::link(path(QStringLiteral("other.bmp")), path(QStringLiteral("test.bmp"))));
        files::writeFiles({{path(QStringLiteral("test.bmp")), "picture"}});
        QVERIFY(!QFileInfo(path(QStringLiteral("test.bmp"))).isSymLink());
        QCOMPARE(bytes(QStringLiteral("test.bmp")), QByteArray("picture"));
        QCOMPARE(bytes(QStringLiteral("other.bmp")), QByteArray("someone else's"));
        // A link that leads nowhere takes its name for a new file too.
        QVERIFY(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("RUN.txt"))));
        QVERIFY(!files::writeNewFile(path(QStringLiteral("RUN.txt")), "run"));
        QVERIFY(!QFile::exists(path(QStringLiteral("gone"))));
    }

    // Only temporary files of ours that no running write holds are removed.
    void leftoversAreOursAndIdle()
    {
        const QStringList kept{"-.txt", ".A.txt.mirelon-abc12.tmp", ".A.txt.mirelon-abc123.tmp.x", ".busy.mirelon-Busy01.tmp",
                               ".link.mirelon-Link01.tmp", "RUN.txt", "notes.tmp"};
        for (const QString &name : kept) {
            if (name != QLatin1String(".link.mirelon-Link01.tmp"))
                QVERIFY(put(name, "x"));
        }
        QVERIFY(QFile::link(path(QStringLiteral("RUN.txt")), path(QStringLiteral(".link.mirelon-Link01.tmp"))));
        QVERIFY(put(QStringLiteral(".RUN.txt.mirelon-Ab12Cd.tmp"), "half a run file"));
        QVERIFY(put(QStringLiteral(".test.bmp.mirelon-000000.tmp"), ""));
        // A write under way in another process holds a lock on its file.
        const int busy = ::open(QFile::encodeName(path(QStringLiteral(".busy.mirelon-Busy01.tmp"))).constData(), O_RDONLY);
        QVERIFY(busy >= 0);
        QCOMPARE(::flock(busy, LOCK_EX | LOCK_NB), 0);
        files::removeLeftovers(dir->path());
        ::close(busy);
        QCOMPARE(names(), kept);
    }

    // A folder read straight: the file list's names and the stamps that tell a changed file,
    // the same as Qt's own look at each file gives.
    void folderListingAndStamps()
    {
        for (const char *name : {"b.TXT", "a.txt", ".hidden.txt", "notes.csv", "c.txt"})
            QVERIFY(put(QString::fromLatin1(name), name));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("folder.txt")));
        QVERIFY(QFile::link(path(QStringLiteral("a.txt")), path(QStringLiteral("link.txt"))));
        QVERIFY(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("broken.txt"))));
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
        QFile dated(path(QStringLiteral("c.txt")));
        QVERIFY(dated.open(QIODevice::ReadWrite));
        QVERIFY(dated.setFileTime(QDateTime::fromMSecsSinceEpoch(1709400000123), QFileDevice::FileModificationTime));
        dated.close();

        QCOMPARE(files::shownFiles(dir->path(), QStringLiteral("*.txt")),
                 QStringList({"a.txt", "b.TXT", "c.txt", "link.txt"}));
        QCOMPARE(files::shownFiles(dir->path(), QStringLiteral("?.t*")), QStringList({"a.txt", "b.TXT", "c.txt"}));

        QStringList stamped;
        for (const files::FolderEntry &entry : files::listFolder(dir->path(), u".txt", true)) {
            QCOMPARE(entry.stamp.has_value(), entry.file);
            if (!entry.stamp)
                continue;
            stamped.append(entry.name);
            const QFileInfo info(path(entry.name));
            QCOMPARE(*entry.stamp, (files::Stamp{info.size(), info.lastModified().toMSecsSinceEpoch()}));
            QCOMPARE(files::stampOf(path(entry.name)), entry.stamp);
        }
        stamped.sort();
        QCOMPARE(stamped, QStringList({".hidden.txt", "a.txt", "b.TXT", "c.txt", "link.txt"}));
        QCOMPARE(files::stampOf(path(QStringLiteral("c.txt")))->modifiedMs, 1709400000123);
        for (const char *none : {"folder.txt", "broken.txt", "pipe.txt", "missing.txt"})
            QVERIFY2(!files::stampOf(path(QString::fromLatin1(none))), none);
        QVERIFY(files::listFolder(path(QStringLiteral("missing")), {}, true).empty());
    }
#endif

    // Windows file times: 100-ns steps since 1601, to whole milliseconds since 1970, rounded down.
    void windowsFileTimes()
    {
        const quint64 to1970 = 116444736000000000;
        QCOMPARE(files::modifiedMsOfFileTime(to1970), 0);
        QCOMPARE(files::modifiedMsOfFileTime(to1970 + 9999), 0);
        QCOMPARE(files::modifiedMsOfFileTime(to1970 + 17094000001239999), 1709400000123);
        QCOMPARE(files::modifiedMsOfFileTime(to1970 - 1), -1);
        QCOMPARE(files::modifiedMsOfFileTime(0), -11644473600000);
    }
};

QTEST_GUILESS_MAIN(FilesTest)
#include "test_files.moc"
