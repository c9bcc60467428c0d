#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "settings/ui/SettingsWindow.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/SettingsCommands.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/EventHook.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The settings window against the simulated device: reading, decoding and placing the practice
// and rallycross settings, the page switch and the timeouts.
class SettingsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;
    std::unique_ptr<SimFixture> sim;
    std::shared_ptr<sim::SettingsStore> store;
    bool modalLoopEntered = false;

    // Every practice value different, so that a value in the wrong label shows.
    static QByteArray practiceRecord()
    {
        return "AB      "
               "        "
               "24"
               "500400"
               "01230456"
               "09501234"
               "21"
               "00100200"
               "010U025D"
               "YN"
               "NY"
               "YTNX"
               "11111112"
               "22212222"
               "33313332"
               "44414442"
               "3"
               "08501200"
               "YNYNYNY"
               "S450YN0075"
               "15"
               "0600"
               "1500"
               "300";
    }
    static QByteArray rallyRecord() { return "01000150" "01500" "02000" "00250" "12345" "S0500Y" "4YN"; }

    struct Expected {
        const char *label;
        const char *text;
        int centre; // -1: not re-centred
    };
    static const std::vector<Expected> &practiceExpected()
    {
        static const std::vector<Expected> all{
            {"LLog", "AB      ", 77},      {"RLog", "Off", 322},
            {"LTType", "Pro", 77},         {"RTType", "Block", 322},
            {"LTSpd", "0.500", 77},        {"RTSpd", "0.400", 322},
            {"LRoll", "0.123", 77},        {"RRoll", "0.456", 322},
            {"LDial", "9.50", 77},         {"RDial", "12.34", 322},
            {"LButton", "Press", 77},      {"RButton", "Release", 322},
            {"LDelay", "0.010", 77},       {"RDelay", "0.200", 322},
            {"LBump", "0.010 Up", 77},     {"RBump", "0.025 Down", 322},
            {"LCross", "On", 77},          {"RCross", "Off", 322},
            {"LMulti", "Off", 77},         {"RMult", "On", 322},
            {"LShift", "On Tree", 77},     {"RShift", "Off Display", 322},
            {"LShift1", "1.111", 77},      {"RShift1", "1.112", 322},
            {"LShift2", "2.221", 77},      {"RShift2", "2.222", 322},
            {"LShift3", "3.331", 77},      {"RShift3", "3.332", 322},
            {"LShift4", "4.441", 77},      {"RShift4", "4.442", 322},
            {"RdmDial", "Right First", 158}, {"RdmRange", "8.50-12.00", 158},
            {"Dmode", "On", 158},          {"AutoStart", "Off", 158},
            {"AutoReset", "On", 249},      {"PerfectTree", "Off", 249},
            {"TBL", "On", 249},            {"WinLgt", "Off", 249},
            {"RRed", "On", 249},           {"UMode", "Single", 158},
            {"SURT", "0.450", 158},        {"RdmStg", "On", 158},
            {"MultHit", "Off", 158},       {"MHTime", "0.75", 158},
            {"AutoStartTime", "15", 249},  {"StgOn", "0.600", 249},
            {"StageToStart", "1.500", 249}, {"RdmStart", "0.300", 249},
        };
        return all;
    }
    static const std::vector<Expected> &rallyExpected()
    {
        static const std::vector<Expected> all{
            {"LRollR", "0.100", -1},   {"RRollR", "0.150", -1},         {"StlTimeR", "1.500", -1},
            {"RdyRaceR", "2.000", -1}, {"LgtOffR", "0.250", -1},        {"RdmDelayR", "12.345", -1},
            {"UModeR", "Single", -1},  {"SURTR", "0.500", -1},          {"RdmStgR", "On", -1},
            {"BtnMtnR", "Press/Release", -1}, {"WinLgtR", "On", -1},    {"AutoRstR", "Off", -1},
        };
        return all;
    }

    static QLabel *label(const char *name)
    {
        auto *found = Form3->findChild<QLabel *>(QLatin1String(name));
        if (!found)
            qFatal("no label %s", name);
        return found;
    }
    static int centreOf(QLabel *l) { return l->x() + l->width() / 2; }

    // Runs `action` once `window` has been shown and its modal loop runs. (Queued before the
    // window opens, it would run during the device reads, which let posted events through.)
    static void onceShown(QWidget *window, std::function<void()> action)
    {
        auto hook = std::make_shared<QObject *>(nullptr);
        *hook = new EventHook(window, [hook, window, action](QEvent *event) {
            if (event->type() == QEvent::Show && *hook) {
                QTimer::singleShot(0, window, action);
                (*hook)->deleteLater();
                *hook = nullptr;
            }
            return false;
        });
    }

    // The design-time text of a value label.
    static QString placeholder(const Expected &e)
    {
        if (e.centre == 77 || e.centre == 322)
            return QStringLiteral("LLog");
        return e.centre < 0 ? QStringLiteral("LRollR") : QStringLiteral("RdmDial");
    }

    // The labels before `kept` (in record order) show their decoded texts, the others their
    // placeholders; each is centred on its column.
    static bool labelsShow(const std::vector<Expected> &expected, size_t kept = SIZE_MAX)
    {
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected &e = expected[i];
            QLabel *l = label(e.label);
            const QString want = i >= kept ? placeholder(e) : QLatin1String(e.text);
            if (l->text() != want) {
                qWarning("%s shows \"%s\", expected \"%s\"", e.label, qPrintable(l->text()), qPrintable(want));
                return false;
            }
            if (e.centre >= 0 && centreOf(l) != e.centre) {
                qWarning("%s is centred at %d, expected %d", e.label, centreOf(l), e.centre);
                return false;
            }
        }
        return true;
    }

    // Starts the device and connects; true when the link is open and `rallycross` is as the version says.
    bool connectTo(const QByteArray &version, sim::SettingsRecords records)
    {
        sim::Config config;
        config.version = version;
        sim = std::make_unique<SimFixture>(config);
        store = sim::installSettingsCommands(sim->device(), std::move(records));
        createWindows();
        Form1->connection->Button1Click();
        sim->device().clearReceived();
        return Form1->connection->link.isOpen() && Form1->connection->rallycross == version.toUpper().contains('R');
    }
    static sim::SettingsRecords records()
    {
        sim::SettingsRecords r;
        r.practice = practiceRecord();
        r.rallycross = rallyRecord();
        return r;
    }
    void verifyDropped(const QStringList &boxes)
    {
        QCOMPARE(prompts->texts(), boxes);
        QVERIFY(!Form1->connection->link.isOpen());
        QVERIFY(!Form1->connection->Button10->isEnabled());
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Connected")); // until the next Connect
        QVERIFY(!Form3->isVisible());
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        modalLoopEntered = false;
    }
    void cleanup()
    {
        destroyWindows();
        store.reset();
        sim.reset();
        prompts.reset();
    }

    void placeholdersBeforeTheFirstRead()
    {
        createWindows();
        QVERIFY(labelsShow(practiceExpected(), 0));
        QVERIFY(labelsShow(rallyExpected(), 0));
        QVERIFY(Form3->Panel2->isHidden());
    }

    void wholePracticeRecordIsDecodedIntoItsLabels()
    {
        QCOMPARE(practiceRecord().size(), 137);
        QVERIFY(connectTo("1.24  ", records()));
        Form3->show();
        Form3->FormActivate();
        QVERIFY(labelsShow(practiceExpected()));
        QCOMPARE(prompts->texts(), QStringList());
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(Form3->isVisible());
        // A device without rallycross is never asked for its rallycross settings.
        QCOMPARE(sim->device().received(), QByteArray("P"));
        QVERIFY(!Form3->rcTest);
        Form3->Label1Click();
        QVERIFY(!Form3->rally);
        QVERIFY(Form3->Panel2->isHidden());
        QCOMPARE(Form3->Label1->text(), QStringLiteral("Current Practice Settings"));
        QVERIFY(labelsShow(rallyExpected(), 0));
    }

    // The Settings button reads the device before the window shows; closing only hides it, and
    // the values stay for the next opening.
    void settingsButtonOpensTheReadWindow()
    {
        QVERIFY(connectTo("1.24 R", records()));
        bool visibleWithValues = false;
        onceShown(Form3, [&] {
            visibleWithValues = Form3->isVisible() && labelsShow(practiceExpected()) && Form3->rcTest;
            Form3->Image1Click();
        });
        Form1->connection->Button10Click();
        QVERIFY(visibleWithValues);
        QVERIFY(!Form3->isVisible());
        QCOMPARE(sim->device().received(), QByteArray("PR"));

        onceShown(Form3, [] { Form3->Panel1Click(); });
        Form1->connection->Button10Click();
        QVERIFY(!Form3->isVisible());
        QCOMPARE(sim->device().received(), QByteArray("PRPR")); // every opening reads again
        QVERIFY(labelsShow(practiceExpected()));
        QCOMPARE(prompts->texts(), QStringList());
    }

    // A name is the device's characters, shown as they are even when they look like markup.
    void namesAreNeverTakenForMarkup()
    {
        sim::SettingsRecords r = records();
        QVERIFY(sim::setSettingsField(r, "RLog", "<i>X</i>"));
        QVERIFY(connectTo("1.24  ", r));
        Form3->FormActivate();
        QLabel *name = label("RLog");
        QCOMPARE(name->text(), QStringLiteral("<i>X</i>"));
        QCOMPARE(name->textFormat(), Qt::PlainText);
        QCOMPARE(centreOf(name), 322);
    }

    // Codes outside a rule's table leave the label as it was, re-centred: the placeholder at
    // first, the last decoded value afterwards.
    void unknownCodesKeepThePreviousText()
    {
        sim::SettingsRecords r = records();
        QVERIFY(sim::setSettingsField(r, "LTType", "3"));
        QVERIFY(sim::setSettingsField(r, "RButton", "0"));
        QVERIFY(sim::setSettingsField(r, "RdmDial", "9"));
        QVERIFY(sim::setSettingsField(r, "BtnMtnR", "3"));
        QVERIFY(connectTo("1.24 R", r));
        Form3->FormActivate();
        QCOMPARE(label("LTType")->text(), QStringLiteral("LLog"));
        QCOMPARE(centreOf(label("LTType")), 77);
        QCOMPARE(label("RButton")->text(), QStringLiteral("LLog"));
        QCOMPARE(label("RdmDial")->text(), QStringLiteral("RdmDial"));
        QCOMPARE(label("BtnMtnR")->text(), QStringLiteral("LRollR"));
        QCOMPARE(label("RTType")->text(), QStringLiteral("Block"));

        store->set(records());
        Form3->FormActivate();
        QVERIFY(labelsShow(practiceExpected()));
        QVERIFY(labelsShow(rallyExpected()));

        store->set(r);
        Form3->FormActivate();
        QVERIFY(labelsShow(practiceExpected()));
        QVERIFY(labelsShow(rallyExpected()));
        QCOMPARE(prompts->texts(), QStringList());
    }

    void rallycrossPageSwitchesOnHeadingClicks()
    {
        QVERIFY(connectTo("1.24 r", records()));
        Form3->show();
        Form3->FormActivate();
        QCOMPARE(sim->device().received(), QByteArray("PR"));
        QVERIFY(Form3->rcTest);
        QVERIFY(labelsShow(rallyExpected()));

        struct Step {
            bool rally;
            const char *heading;
        };
        const Step steps[] = {{true, "Current Rallycross Settings"},
                              {false, "Current Practice Settings"},
                              {true, "Current Rallycross Settings"}};
        for (const Step &step : steps) {
            QTest::mouseClick(Form3->Label1, Qt::LeftButton);
            QCOMPARE(Form3->rally, step.rally);
            QCOMPARE(Form3->Panel2->isVisible(), step.rally);
            QCOMPARE(Form3->Label1->text(), QLatin1String(step.heading));
            QCOMPARE(centreOf(Form3->Label1), Form3->width() / 2);
        }
        // The heading and the close panel stay above the page.
        QVERIFY(Form3->Panel2->geometry().top() >= Form3->Label1->geometry().bottom());
        QVERIFY(Form3->Panel2->geometry().top() >= Form3->Panel1->geometry().bottom());

        // The next opening starts on the practice page.
        Form3->FormActivate();
        QVERIFY(!Form3->rally);
        QVERIFY(!Form3->Panel2->isVisible());
        QCOMPARE(Form3->Label1->text(), QStringLiteral("Current Practice Settings"));
        QCOMPARE(prompts->texts(), QStringList());
    }

    // A refused "R" is silent: nothing more is read, the page stays shut and the link open.
    void refusedRallycrossReadLeavesThePracticePage()
    {
        sim::SettingsRecords r = records();
        r.rallyStatus = "ER";
        QVERIFY(connectTo("1.24 R", r));
        Form3->show();
        Form3->FormActivate();
        QVERIFY(!Form3->rcTest);
        QVERIFY(labelsShow(practiceExpected()));
        QVERIFY(labelsShow(rallyExpected(), 0));
        Form3->Label1Click();
        Form3->Label1Click();
        QVERIFY(!Form3->rally);
        QVERIFY(Form3->Panel2->isHidden());
        QCOMPARE(prompts->texts(), QStringList());
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(Form3->isVisible());
        QCOMPARE(sim->device().received(), QByteArray("PR"));
    }

    // Through the Settings button: one box, the link dropped, and the window never stays open.
    void timeoutOnTheFirstPracticePiece()
    {
        sim::SettingsRecords r = records();
        r.practiceSilentAfter = 0;
        QVERIFY(connectTo("1.24  ", r));
        // Should a modal loop be entered after all, it is ended and the fault shows.
        QTimer::singleShot(1000, Form3, [this] {
            modalLoopEntered = true;
            Form3->close();
        });
        Form1->connection->Button10Click(); // returns at once: no modal loop is entered
        QVERIFY(!modalLoopEntered);
        verifyDropped({kNoResponse});
        QVERIFY(labelsShow(practiceExpected(), 0));
    }

    // Pieces 1 to 11 are shown, the rest keep their texts; on a rallycross device the rallycross
    // read on the dropped link fails too and says so.
    void timeoutOnPracticePiece12()
    {
        sim::SettingsRecords r = records();
        r.practiceSilentAfter = 11;
        QVERIFY(connectTo("1.24 R", r));
        Form3->show();
        Form3->FormActivate();
        verifyDropped({kNoResponse, kNoResponse});
        QVERIFY(labelsShow(practiceExpected(), 20));
        QVERIFY(!Form3->rcTest);
        QCOMPARE(sim->device().received(), QByteArray("P"));
        Form3->Label1Click();
        QVERIFY(!Form3->rally);
    }

    void timeoutOnRallycrossPiece4()
    {
        sim::SettingsRecords r = records();
        r.rallySilentAfter = 3;
        QVERIFY(connectTo("1.24 R", r));
        Form3->show();
        Form3->FormActivate();
        verifyDropped({kNoResponse});
        QVERIFY(labelsShow(practiceExpected()));
        QVERIFY(labelsShow(rallyExpected(), 4));
        QVERIFY(!Form3->rcTest);
        Form3->Label1Click();
        QVERIFY(!Form3->rally);
    }
};

MIRELON_TEST_MAIN(SettingsWindowTest)
#include "test_settings_window.moc"
