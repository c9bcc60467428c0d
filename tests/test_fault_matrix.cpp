#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "image/Picture.h"
#include "image/Upload.h"
#include "image/ui/ImageGroup.h"
#include "settings/ui/SettingsWindow.h"
#include "stats/RunFile.h"
#include "stats/RunFileTransfer.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/ImageCommands.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "tools/sim/SettingsCommands.h"
#include "widgets/ColorPanel.h"
#include "widgets/ImageView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

// Every exchange with the device against every way a reply can go wrong: silence, a short reply,
// a wrong reply, extra bytes, and the device vanishing (the simulator closes its end of the
// terminal). Each cell drives the real window and checks the outcome the program promises: the
// message, the link state, only whole files on disk, no wait beyond the inactivity timeout, and a
// clean Connect and Disconnect afterwards.
//
// FAULT_MATRIX_GROUP (link, runfiles, image, settings) runs one group only; CTest runs the
// groups in parallel.
namespace {

enum class Link {
    Connected,    // port open, "Connected"
    Dropped,      // port closed, device buttons off, the display still says "Connected"
    Disconnected, // port closed, "Not Connected"
};

const QString kVersion = QStringLiteral("1.24 R"); // a rallycross device: every exchange is used

QByteArray runFile(std::uint32_t seed, sim::RunFileKind kind)
{
    return sim::encodeRunFile(sim::generateSession(seed, 20), kind);
}

} // namespace

Q_DECLARE_METATYPE(Link)

class FaultMatrixTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimFixture> sim;

    void startDevice()
    {
        sim.reset();
        sim::Config config;
        config.version = kVersion.toLatin1();
        config.commandPatience = std::chrono::milliseconds(kShortInactivityMs * 3 / 2);
        sim = std::make_unique<SimFixture>(config);
        sim::RunFileSet set;
        set.files = {{"ABC", runFile(1, sim::RunFileKind::Full)}, {"NEW", runFile(2, sim::RunFileKind::Full)}};
        set.rallycross = {{"ABC", runFile(3, sim::RunFileKind::Rallycross)},
                          {"XYZ", runFile(4, sim::RunFileKind::Rallycross)}};
        sim::installRunFileCommands(sim->device(), std::make_shared<sim::DeviceRunFiles>(set));
        sim::installImageCommands(sim->device())->store(sim::demoPicture());
        sim::installSettingsCommands(sim->device());
    }
    static QStringList folderNames()
    {
        return QDir(Form1->folders.statistics).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // One row; `group` picks the CTest test that runs it.
    // One row; `group` picks the CTest test that runs it. `status` is the Image group's status
    // line afterwards (not checked when empty).
    static void cell(const char *group, const QString &action, const QString &exchange, const QString &fault,
                     const QStringList &messages, Link after, const QStringList &disk = {},
                     const QString &status = {})
    {
        const QByteArray only = qgetenv("FAULT_MATRIX_GROUP");
        if (!only.isEmpty() && only != group)
            return;
        QTest::addRow("%s %s=%s", qPrintable(action), qPrintable(exchange), qPrintable(fault))
            << action << exchange << fault << messages << after << disk << status;
    }

    static void act(const QString &action)
    {
        if (action == QLatin1String("download")) {
            Form1->statistics->Button8Click();
        } else if (action == QLatin1String("delete")) {
            Form1->statistics->Button9Click();
        } else if (action == QLatin1String("send")) {
            Form1->image->Button4Click();
        } else if (action == QLatin1String("show")) {
            Form1->image->Button7Click();
        } else if (action == QLatin1String("delete picture")) {
            Form1->image->Button5Click();
        } else if (action == QLatin1String("settings")) {
            // The window shows once its reads are done; close it then.
            QTimer closer;
            connect(&closer, &QTimer::timeout, Form3, [] {
                if (Form3->isVisible())
                    Form3->Image1Click();
            });
            closer.start(10);
            Form1->connection->Button10Click();
        } else {
            Form1->connection->Button1Click(); // connect, or disconnect while connected
        }
    }
    // A picture ready to send: 100 x 50 black pixels (bytes no device command starts with).
    static void loadPicture()
    {
        QImage black(100, 50, QImage::Format_RGB888);
        black.fill(Qt::black);
        Form1->image->fileName = Form1->folders.program + QStringLiteral("/test.bmp");
        files::writeFile(Form1->image->fileName, picture::bmpFile(black));
        Form1->image->Image1->setPicture(black);
        Form1->image->Image1->setVisible(true);
    }

    // Every cell that times out waits once: the link's and the device's patience are shortened
    // here (test_link and test_hung_device hold the 2-second time itself).
    static constexpr int kShortInactivityMs = 400;

private slots:
    void initTestCase() { SerialLink::setInactivityMsForTests(kShortInactivityMs); }
    void init()
    {
        prompter = std::make_unique<RecordingPrompter>();
        startDevice();
        createWindows();
        for (const QString &name : folderNames())
            QFile::remove(QDir(Form1->folders.statistics).filePath(name));
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompter.reset();
    }

    void cells_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages"); // the boxes shown, in order
        QTest::addColumn<Link>("after");
        QTest::addColumn<QStringList>("disk"); // the statistics folder afterwards
        QTest::addColumn<QString>("status");

        const Link C = Link::Connected, X = Link::Dropped, N = Link::Disconnected;
        const QString none;
        const QString noResponse = kNoResponse, invalid = kInvalidResponse, errorConnecting = kErrorConnecting;

        // Connect. A 1-byte greeting has no short form. Extra bytes after the last reply of the
        // handshake are not noticed: nothing follows it to be checked (they are what the next
        // receive meets first).
        cell("link", "connect", "greeting", "silent", {errorConnecting}, N);
        cell("link", "connect", "greeting", "wrong", {errorConnecting}, N);
        cell("link", "connect", "greeting", "extra:!!", {invalid}, N);
        cell("link", "connect", "greeting", "vanish:0", {errorConnecting}, N);
        for (const char *exchange : {"connected", "datetime"}) {
            cell("link", "connect", exchange, "silent", {noResponse}, N);
            cell("link", "connect", exchange, "short:4", {noResponse}, N);
            cell("link", "connect", exchange, "wrong", {invalid}, N);
            cell("link", "connect", exchange, "vanish:4", {noResponse}, N);
        }
        cell("link", "connect", "connected", "extra:!!", {invalid}, N);
        cell("link", "connect", "datetime", "extra:!!", {}, C);
        for (const char *exchange : {"version", "serial"}) {
            cell("link", "connect", exchange, "silent", {noResponse}, N);
            cell("link", "connect", exchange, "short:3", {noResponse}, N);
            cell("link", "connect", exchange, "wrong", {}, C);
            cell("link", "connect", exchange, "extra:!!", {}, C);
            cell("link", "connect", exchange, "vanish:3", {noResponse}, N);
        }
        // Disconnect always ends disconnected; only its warning tells a bad goodbye.
        const QString badGoodbye = kErrorDisconnecting;
        cell("link", "disconnect", "disconnect", "silent", {badGoodbye}, N);
        cell("link", "disconnect", "disconnect", "short:6", {badGoodbye}, N);
        cell("link", "disconnect", "disconnect", "wrong", {badGoodbye}, N);
        cell("link", "disconnect", "disconnect", "extra:!!", {}, N);
        cell("link", "disconnect", "disconnect", "vanish:6", {badGoodbye}, N);

        // Download from a device with two run files (ABC, NEW) and two rallycross files (ABC,
        // XYZ). Per-file faults hit the second file, so the first one is whole on disk. After a
        // fault the device sends nothing more for that command, so a reply the program still
        // waits for times out.
        const QStringList all{"ABC.txt", "ABCR.txt", "NEW.txt", "XYZR.txt"};
        const QStringList first{"ABC.txt"};
        const QStringList ordinary{"ABC.txt", "NEW.txt"};
        const QStringList firstThree{"ABC.txt", "ABCR.txt", "NEW.txt"};
        const QString rxNotFound = kRallycrossNotFound;
        // The count's digits garbled: no ordinary file; the rallycross files still come.
        cell("runfiles", "download", "list", "silent", {noResponse}, X);
        cell("runfiles", "download", "list", "short:1", {noResponse}, X);
        cell("runfiles", "download", "list", "wrong", {}, C, {"ABCR.txt", "XYZR.txt"});
        cell("runfiles", "download", "list", "extra:!!", {noResponse}, X);
        cell("runfiles", "download", "list", "vanish:1", {noResponse}, X);
        cell("runfiles", "download", "name", "silent@2", {noResponse}, X, first);
        cell("runfiles", "download", "name", "short:4@2", {noResponse}, X, first);
        cell("runfiles", "download", "name", "wrong@2", {noResponse}, X, first);
        cell("runfiles", "download", "name", "extra:!!@2", {}, C, {"ABC.txt", "ABCR.txt", "XYZR.txt"});
        cell("runfiles", "download", "name", "vanish:4@2", {noResponse}, X, first);
        cell("runfiles", "download", "status", "silent@2", {noResponse}, X, first);
        cell("runfiles", "download", "status", "short:1@2", {noResponse}, X, first);
        cell("runfiles", "download", "status", "wrong@2", {}, C, {"ABC.txt", "ABCR.txt", "XYZR.txt"});
        cell("runfiles", "download", "status", "extra:!!@2", {noResponse}, X, first);
        cell("runfiles", "download", "status", "vanish:1@2", {noResponse}, X, first);
        cell("runfiles", "download", "data", "silent@2", {noResponse}, X, first);
        cell("runfiles", "download", "data", "short:700@2", {noResponse}, X, first);
        cell("runfiles", "download", "data", "wrong@2", {}, C, all);
        cell("runfiles", "download", "data", "extra:!!@2", {rxNotFound}, C, ordinary);
        cell("runfiles", "download", "data", "vanish:700@2", {noResponse}, X, first);
        cell("runfiles", "download", "rxlist", "silent", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxlist", "short:1", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxlist", "wrong", {rxNotFound}, C, ordinary);
        cell("runfiles", "download", "rxlist", "extra:!!", {}, C, ordinary);
        cell("runfiles", "download", "rxlist", "vanish:1", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxcount", "silent", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxcount", "short:1", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxcount", "wrong", {}, C, ordinary);
        cell("runfiles", "download", "rxcount", "extra:!!", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxcount", "vanish:1", {noResponse}, X, ordinary);
        cell("runfiles", "download", "rxname", "silent@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxname", "short:4@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxname", "wrong@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxname", "extra:!!@2", {}, C, firstThree);
        cell("runfiles", "download", "rxname", "vanish:4@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxstatus", "silent@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxstatus", "short:1@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxstatus", "wrong@2", {}, C, firstThree);
        cell("runfiles", "download", "rxstatus", "extra:!!@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxstatus", "vanish:1@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxdata", "silent@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxdata", "short:100@2", {noResponse}, X, firstThree);
        cell("runfiles", "download", "rxdata", "wrong@2", {}, C, all);
        cell("runfiles", "download", "rxdata", "extra:!!@2", {}, C, all);
        cell("runfiles", "download", "rxdata", "vanish:100@2", {noResponse}, X, firstThree);

        // Deleting the device's run files (answered Yes).
        const QString deleteFailed = kErrorDeletingFiles, rxDeleteFailed = kErrorDeletingRallycross;
        cell("runfiles", "delete", "delete", "silent", {noResponse}, X);
        cell("runfiles", "delete", "delete", "short:1", {noResponse}, X);
        cell("runfiles", "delete", "delete", "wrong", {deleteFailed}, C);
        cell("runfiles", "delete", "delete", "extra:!!", {}, C);
        cell("runfiles", "delete", "delete", "vanish:1", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete", "silent", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete", "short:1", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete", "wrong", {}, C);
        cell("runfiles", "delete", "rxdelete", "extra:!!", {rxDeleteFailed}, C);
        cell("runfiles", "delete", "rxdelete", "vanish:1", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete2", "silent", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete2", "short:1", {noResponse}, X);
        cell("runfiles", "delete", "rxdelete2", "wrong", {rxDeleteFailed}, C);
        cell("runfiles", "delete", "rxdelete2", "extra:!!", {}, C);
        cell("runfiles", "delete", "rxdelete2", "vanish:1", {noResponse}, X);

        // Sending a 100 x 50 picture. A refused step reads one more byte, which does not come.
        const QString errorSending = picture::kErrorSending, errorCommunicating = picture::kErrorCommunicating;
        const QString before = QStringLiteral("Select Image"), sending = QStringLiteral("Sending Image...");
        cell("image", "send", "image-start", "silent", {noResponse}, X, {}, before);
        cell("image", "send", "image-start", "short:1", {noResponse}, X, {}, before);
        cell("image", "send", "image-start", "wrong", {errorSending}, C, {}, before);
        cell("image", "send", "image-start", "extra:!!", {errorSending}, C, {}, sending);
        cell("image", "send", "image-start", "vanish:1", {noResponse}, X, {}, before);
        for (const char *step : {"image-header-length", "image-header", "image-raw-length", "image-stored"}) {
            cell("image", "send", step, "silent", {noResponse}, X, {}, sending);
            cell("image", "send", step, "short:1", {noResponse}, X, {}, sending);
            cell("image", "send", step, "wrong", {errorSending}, C, {}, sending);
            cell("image", "send", step, "vanish:1", {noResponse}, X, {}, sending);
        }
        for (const char *step : {"image-header-length", "image-header", "image-raw-length"})
            cell("image", "send", step, "extra:!!", {errorSending}, C, {}, sending);
        cell("image", "send", "image-stored", "extra:!!", {}, C, {}, QStringLiteral("Send Successful!"));
        // Show and delete of the device's picture: any reply but "OK" or "ER" means no picture.
        cell("image", "show", "image-show", "silent", {errorCommunicating}, X, {}, before);
        cell("image", "show", "image-show", "short:1", {errorCommunicating}, X, {}, before);
        cell("image", "show", "image-show", "wrong", {}, C, {}, QStringLiteral("No Image to Display"));
        cell("image", "show", "image-show", "extra:!!", {}, C, {}, QStringLiteral("Image Displayed!"));
        cell("image", "show", "image-show", "vanish:1", {errorCommunicating}, X, {}, before);
        cell("image", "delete picture", "image-delete", "silent", {errorCommunicating}, X, {}, before);
        cell("image", "delete picture", "image-delete", "short:1", {errorCommunicating}, X, {}, before);
        cell("image", "delete picture", "image-delete", "wrong", {}, C, {}, QStringLiteral("No Image to Delete"));
        cell("image", "delete picture", "image-delete", "extra:!!", {}, C, {}, QStringLiteral("Delete Successful!"));
        cell("image", "delete picture", "image-delete", "vanish:1", {errorCommunicating}, X, {}, before);

        // The settings window: the practice record (137 bytes in 23 pieces; 60 bytes are the first
        // 10 pieces), the rallycross status and the rallycross record (37 bytes in 7 pieces). A
        // failed practice read still goes on to the rallycross read, on the closed link: a second
        // message.
        cell("settings", "settings", "practice", "silent", {noResponse, noResponse}, X);
        cell("settings", "settings", "practice", "short:60", {noResponse, noResponse}, X);
        cell("settings", "settings", "practice", "wrong", {}, C);
        cell("settings", "settings", "practice", "extra:!!", {}, C);
        cell("settings", "settings", "practice", "vanish:60", {noResponse, noResponse}, X);
        cell("settings", "settings", "rallystatus", "silent", {noResponse}, X);
        cell("settings", "settings", "rallystatus", "short:1", {noResponse}, X);
        cell("settings", "settings", "rallystatus", "wrong", {}, C);
        cell("settings", "settings", "rallystatus", "extra:!!", {noResponse}, X);
        cell("settings", "settings", "rallystatus", "vanish:1", {noResponse}, X);
        cell("settings", "settings", "rallycross", "silent", {noResponse}, X);
        cell("settings", "settings", "rallycross", "short:20", {noResponse}, X);
        cell("settings", "settings", "rallycross", "wrong", {}, C);
        cell("settings", "settings", "rallycross", "extra:!!", {}, C);
        cell("settings", "settings", "rallycross", "vanish:20", {noResponse}, X);
    }

    void cells()
    {
        QFETCH(QString, action);
        QFETCH(QString, exchange);
        QFETCH(QString, fault);
        QFETCH(QStringList, messages);
        QFETCH(Link, after);
        QFETCH(QStringList, disk);
        QFETCH(QString, status);

        if (action != QLatin1String("connect")) {
            Form1->connection->Button1Click();
            QVERIFY(Form1->connection->link.isOpen());
        }
        if (action == QLatin1String("send"))
            loadPicture();
        sim::Fault parsed;
        QVERIFY(sim::parseFault(fault, parsed));
        sim->device().setFault(exchange.toStdString(), parsed);
        prompter->clear();
        prompter->answers = {QMessageBox::Yes};

        QElapsedTimer clock;
        clock.start();
        act(action);
        // One receive at most waits out the timeout; the rest is quick.
        QVERIFY2(clock.elapsed() < SerialLink::inactivityMs() + 2500, qPrintable(QString::number(clock.elapsed())));

        QStringList expected;
        if (action == QLatin1String("delete"))
            expected << QStringLiteral("Delete All Statistics Files from Vantrelock?");
        expected << messages;
        QVERIFY2(prompter->texts() == expected, qPrintable(prompter->texts().join(QLatin1String(" | "))));
        if (!messages.isEmpty())
            QCOMPARE(prompter->shown.back().kind, action == QLatin1String("disconnect") ? BoxKind::Warning : BoxKind::Error);
        if (!status.isEmpty())
            QCOMPARE(Form1->image->ImageStatus->text(), status);
        QVERIFY(!Form3->isVisible());
        QVERIFY(Form1->image->ProgressBar1->isHidden());
        QCOMPARE(Form1->connection->link.isOpen(), after == Link::Connected);
        QCOMPARE(Form1->statistics->Button8->isEnabled(), after == Link::Connected);
        QCOMPARE(Form1->connection->Button2->isEnabled(), after != Link::Connected);
        QCOMPARE(Form1->connection->Panel1->caption(),
                 after == Link::Disconnected ? QStringLiteral("Not Connected") : QStringLiteral("Connected"));
        // Only whole run files: a data block that stopped short leaves nothing behind.
        QCOMPARE(folderNames(), disk);
        for (const QString &name : disk) {
            const qint64 size = QFileInfo(QDir(Form1->folders.statistics).filePath(name)).size();
            QVERIFY2(size == (name.contains(QLatin1String("R.txt")) ? runfile::kRallycrossSize : runfile::kFullSize),
                     qPrintable(name));
        }

        // Afterwards a Connect works and the exchanges are in step again: the goodbye is clean.
        if (Form1->connection->link.isOpen())
            Form1->connection->Button1Click();
        if (parsed.kind == sim::FaultKind::Vanish)
            startDevice(); // plugged in again
        QVERIFY(waitFor([&] { return sim->device().idle(); }));
        sim->device().clearFaults();
        prompter->clear();
        Form1->connection->Button1Click();
        QCOMPARE(prompter->texts(), QStringList());
        QVERIFY(Form1->connection->link.isOpen());
        QCOMPARE(Form1->connection->Version->text(), kVersion);
        Form1->connection->Button1Click();
        QCOMPARE(prompter->texts(), QStringList());
        QVERIFY(!Form1->connection->link.isOpen());
    }
};

MIRELON_TEST_MAIN(FaultMatrixTest)
#include "test_fault_matrix.moc"
