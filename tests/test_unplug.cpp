#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "image/Picture.h"
#include "image/ui/ImageGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "tools/cli/Cli.h"
#include "tools/sim/ImageCommands.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "widgets/ImageView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <atomic>
#include <functional>
#include <thread>

// The device unplugged in the middle of a download or an upload, at 115200 baud, while bytes are
// on their way: the window and the command-line tool report it within the inactivity timeout,
// keep every whole run file and leave no partial one, and connect again once it is back.
class UnplugTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimFixture> sim;
    std::vector<QByteArray> deviceFiles;

    void startDevice()
    {
        sim.reset();
        sim::Config config;
        config.version = "1.24  ";
        config.paced = true;
        sim = std::make_unique<SimFixture>(config);
        sim::RunFileSet set;
        // Ten files, 1.5 s on the wire: a plug pulled late on a busy machine still falls
        // in the middle of the download.
        for (const QByteArray &bytes : deviceFiles)
            set.files.push_back({set.files.empty() ? "ONE" : "F" + QByteArray::number(int(set.files.size())), bytes});
        sim::installRunFileCommands(sim->device(), std::make_shared<sim::DeviceRunFiles>(set));
        sim::installImageCommands(sim->device());
    }

    // Runs `transfer` on this thread while another pulls the plug once `ready` holds; returns
    // the milliseconds from the unplug to the end of the transfer.
    qint64 unplugDuring(const std::function<bool()> &ready, const std::function<void()> &transfer)
    {
        std::atomic<bool> done{false};
        std::atomic<qint64> unpluggedAt{-1};
        QElapsedTimer clock;
        clock.start();
        sim::SimDevice &device = sim->device();
        std::thread plug([&] {
            while (!done && !ready() && clock.elapsed() < 20000)
                std::this_thread::yield();
            if (done)
                return;
            unpluggedAt = clock.elapsed();
            device.stop(); // both ends of the terminal closed: the adapter is gone
        });
        transfer();
        done = true;
        plug.join();
        return unpluggedAt < 0 ? -1 : clock.elapsed() - unpluggedAt;
    }

    // Every file is one of the device's files, whole.
    void verifyWholeFiles(const QString &folder, int atLeast)
    {
        const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
        QVERIFY2(names.size() >= atLeast && names.size() < int(deviceFiles.size()), qPrintable(names.join(QLatin1Char(' '))));
        for (const QString &name : names) {
            QFile file(QDir(folder).filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(std::find(deviceFiles.begin(), deviceFiles.end(), bytes) != deviceFiles.end(), qPrintable(name));
        }
    }

    struct CliRun {
        int status = -1;
        QString out, err;
    };
    static CliRun cli(const QStringList &args)
    {
        CliRun r;
        QString none;
        QTextStream out(&r.out), err(&r.err), in(&none);
        CliIo io{out, err, in};
        r.status = runCli(args, io);
        out.flush();
        err.flush();
        return r;
    }

    // A picture file of 100 x 50 pixels: 10,000 raw bytes, 0.87 s on the wire.
    static QString pictureFile(const QTemporaryDir &dir)
    {
        QImage image(100, 50, QImage::Format_RGB888);
        image.fill(Qt::darkCyan);
        const QString path = dir.filePath(QStringLiteral("picture.png"));
        return image.save(path) ? path : QString();
    }

    static constexpr qint64 kBound = SerialLink::kInactivityMs + 1000;

private slots:
    void initTestCase()
    {
        for (std::uint32_t seed = 1; seed <= 10; ++seed)
            deviceFiles.push_back(sim::encodeRunFile(sim::generateSession(seed, 30), sim::RunFileKind::Full));
    }
    void init()
    {
        prompter = std::make_unique<RecordingPrompter>();
        startDevice();
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompter.reset();
    }

    void windowDownload()
    {
        createWindows();
        const QString folder = Form1->folders.statistics;
        for (const QString &name : QDir(folder).entryList(QDir::Files))
            QFile::remove(QDir(folder).filePath(name));
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());

        // Pulled once the first file is stored: the second is on its way (0.15 s of bytes).
        const qint64 took = unplugDuring([&] { return QFile::exists(QDir(folder).filePath(QStringLiteral("ONE.txt"))); },
                                         [] { Form1->statistics->Button8Click(); });
        QVERIFY(took >= 0);
        QVERIFY2(took < kBound, qPrintable(QString::number(took)));
        QCOMPARE(prompter->texts(), QStringList{kNoResponse});
        QVERIFY(!Form1->connection->link.isOpen());
        QVERIFY(!Form1->statistics->Button8->isEnabled());
        verifyWholeFiles(folder, 1);

        startDevice(); // plugged in again
        prompter->clear();
        Form1->connection->Button1Click();
        QCOMPARE(prompter->texts(), QStringList());
        QVERIFY(Form1->connection->link.isOpen());
    }

    void windowUpload()
    {
        createWindows();
        QTemporaryDir dir;
        prompter->files.push_back(pictureFile(dir));
        Form1->image->Button3Click();
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Ready to Send"));
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());

        // Pulled when 3,000 of the 10,000 raw bytes are in.
        const qint64 took = unplugDuring([&] { return sim->device().received().size() > 3000; },
                                         [] { Form1->image->Button4Click(); });
        QVERIFY(took >= 0);
        QVERIFY2(took < kBound, qPrintable(QString::number(took)));
        QCOMPARE(prompter->texts(), QStringList{kNoResponse});
        QVERIFY(!Form1->connection->link.isOpen());
        QVERIFY(!Form1->image->Button4->isEnabled());
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Sending Image..."));
        QVERIFY(Form1->image->ProgressBar1->isHidden());
        QVERIFY(!Form1->image->Image1->isHidden()); // the picture is still there to send again

        startDevice();
        prompter->clear();
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        Form1->image->Button4Click();
        QCOMPARE(prompter->texts(), QStringList());
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Send Successful!"));
    }

    void cliDownload()
    {
        QTemporaryDir dir;
        CliRun r;
        const qint64 took = unplugDuring([&] { return QFile::exists(dir.filePath(QStringLiteral("ONE.txt"))); },
                                         [&] { r = cli({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()}); });
        QVERIFY(took >= 0);
        QVERIFY2(took < kBound, qPrintable(QString::number(took)));
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
        verifyWholeFiles(dir.path(), 1);
        // Each path printed is a file kept.
        for (const QString &path : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(QFile::exists(path), qPrintable(path));
    }

    void cliUpload()
    {
        QTemporaryDir dir;
        const QString picture = pictureFile(dir);
        CliRun r;
        const qint64 took = unplugDuring([&] { return sim->device().received().size() > 3000; },
                                         [&] { r = cli({QStringLiteral("image"), QStringLiteral("send"), picture}); });
        QVERIFY(took >= 0);
        QVERIFY2(took < kBound, qPrintable(QString::number(took)));
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
    }
};

MIRELON_TEST_MAIN(UnplugTest)
#include "test_unplug.moc"
