#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "image/ui/ImageGroup.h"
#include "tests/support/TestSupport.h"
#include "tools/cli/Cli.h"
#include "tools/sim/ImageCommands.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

// A device that hangs in the middle of an upload: it stops taking bytes but keeps the port open,
// and may flood the line meanwhile. The upload ends about 2 s after the device's last byte, as
// any exchange does, with the link dropped: not after a 2-second wait for each of its pieces.
class HungDeviceTest : public QObject {
    Q_OBJECT

    // Well inside the raw image of a 480 x 272 picture (261,120 bytes).
    static constexpr qint64 kTakesBytes = 8 * 1024;
    // The program's writes go on until the terminal's buffers are full, then 2 s of silence.
    static constexpr qint64 kBound = SerialLink::kInactivityMs + 2500;

    static QString pictureFile(const QTemporaryDir &dir)
    {
        QImage image(480, 272, QImage::Format_RGB888);
        image.fill(Qt::darkCyan);
        const QString path = dir.filePath(QStringLiteral("picture.png"));
        return image.save(path) ? path : QString();
    }

private slots:
    void cleanup() { destroyWindows(); }

    void uploadEndsSoon_data()
    {
        QTest::addColumn<bool>("window");
        QTest::addColumn<bool>("flood");
        QTest::newRow("window, stops reading") << true << false;
        QTest::newRow("window, stops reading and floods") << true << true;
        QTest::newRow("tool, stops reading") << false << false;
        QTest::newRow("tool, stops reading and floods") << false << true;
    }
    void uploadEndsSoon()
    {
        QFETCH(bool, window);
        QFETCH(bool, flood);
        sim::Config config;
        config.stopReadingAfter = kTakesBytes;
        config.flood = flood;
        SimFixture sim(config);
        sim::installImageCommands(sim.device());
        QTemporaryDir dir;
        const QString picture = pictureFile(dir);
        QElapsedTimer clock;

        if (window) {
            RecordingPrompter prompter;
            createWindows();
            prompter.files.push_back(picture);
            Form1->image->Button3Click();
            Form1->connection->Button1Click();
            QVERIFY(Form1->connection->link.isOpen());
            clock.start();
            Form1->image->Button4Click();
            QCOMPARE(prompter.texts(), QStringList{kNoResponse});
            QVERIFY(!Form1->connection->link.isOpen());
            QVERIFY(!Form1->image->Button4->isEnabled());
            QVERIFY(Form1->image->ProgressBar1->isHidden());
        } else {
            QString out, err, none;
            QTextStream outStream(&out), errStream(&err), in(&none);
            CliIo io{outStream, errStream, in};
            clock.start();
            QCOMPARE(runCli({QStringLiteral("image"), QStringLiteral("send"), picture}, io), kExitFailed);
            errStream.flush();
            QCOMPARE(err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
        }
        QVERIFY2(clock.elapsed() < kBound, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(sim.device().received().size() == kTakesBytes);
    }
};

MIRELON_TEST_MAIN(HungDeviceTest)
#include "test_hung_device.moc"
