#include "app/Desktop.h"
#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "device/ui/SetupDialog.h"
#include "settings/ui/SettingsWindow.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/RunFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/SettingsCommands.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"
#include "widgets/Fonts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyleOptionComboBox>

// Fails with the list of what does not fit in `window`.
#define VERIFY_FITS(window)                                                                        \
    do {                                                                                           \
        const QStringList faults = unfitting(window);                                              \
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));                 \
    } while (false)

// The program on a Linux desktop: the faces its windows ask for, their captions, its desktop
// entry, and text that fits where it is shown.
class DesktopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;
    std::unique_ptr<SimFixture> sim;

    static QString describe(const QWidget *w)
    {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    }

    // What does not fit in `window` as it is shown now: a label whose text is wider or taller
    // than the label, a label that sticks out of its parent or lies on a control beside it, an
    // item wider than its drop-down list's field, a button whose caption leaves less than 4
    // pixels on each side.
    static QStringList unfitting(QWidget *window)
    {
        QStringList faults;
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
                continue;
            const QFontMetrics metrics(label->font());
            const QSize need(metrics.horizontalAdvance(label->text()), metrics.height());
            const QSize room = label->contentsRect().size();
            if (need.width() > room.width() || need.height() > room.height())
                faults << QStringLiteral("%1 \"%2\" needs %3 x %4, has %5 x %6")
                              .arg(describe(label), label->text())
                              .arg(need.width()).arg(need.height()).arg(room.width()).arg(room.height());
            QWidget *parent = label->parentWidget();
            if (!parent->rect().contains(label->geometry()))
                faults << QStringLiteral("%1 \"%2\" sticks out of %3").arg(describe(label), label->text(), describe(parent));
            for (QWidget *other : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                // A bare QWidget is a page laid over others (the settings window's rallycross page).
                if (other == label || !other->isVisibleTo(window) || other->metaObject() == &QWidget::staticMetaObject)
                    continue;
                if (label->geometry().intersects(other->geometry()))
                    faults << QStringLiteral("%1 \"%2\" lies on %3").arg(describe(label), label->text(), describe(other));
            }
        }
        // Every item of a drop-down list of the window (not of a dialog it owns), shown or not,
        // fits its box.
        for (QComboBox *combo : window->findChildren<QComboBox *>()) {
            if (combo->window() != window)
                continue;
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const int room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                            QStyle::SC_ComboBoxEditField, combo).width();
            for (int i = 0; i < combo->count(); ++i) {
                const int need = QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(i));
                if (need > room)
                    faults << QStringLiteral("%1 \"%2\" needs %3, has %4").arg(describe(combo), combo->itemText(i))
                                  .arg(need).arg(room);
            }
        }
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
            if (!button->isVisibleTo(window) || button->text().isEmpty())
                continue;
            const int need = QFontMetrics(button->font()).horizontalAdvance(button->text()) + 8;
            if (need > button->width())
                faults << QStringLiteral("%1 \"%2\" needs %3, has %4").arg(describe(button), button->text())
                              .arg(need).arg(button->width());
        }
        return faults;
    }

    void connectTo(const QByteArray &serialNumber)
    {
        sim::Config config;
        config.version = "1.24 R";
        config.serialNumber = serialNumber;
        sim = std::make_unique<SimFixture>(config);
        sim::SettingsRecords records = sim::defaultSettingsRecords();
        QVERIFY(sim::setSettingsField(records, QStringLiteral("LLog"), "WWWWWWWW"));
        QVERIFY(sim::setSettingsField(records, QStringLiteral("RLog"), "WWWWWWWW"));
        sim::installSettingsCommands(sim->device(), records);
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
    }

    // A run file with the widest figures a full file shows, picked in the list.
    static void loadWidestFile()
    {
        RunFileBytes file;
        file.runs(50).wins(50).reds(50).average(9999).spread(9999);
        for (int n = 1; n <= 4; ++n)
            file.shiftAverage(n, 9999);
        for (int r = 1; r <= 50; ++r) {
            file.rt(r, 500 + r).bump(r, 1);
            for (int n = 1; n <= 4; ++n)
                file.shift(r, n, 1500 * n);
        }
        // A downloaded rallycross file whose name was taken: the longest names the program makes.
        const QString name = QStringLiteral("PRACTICER-1.txt");
        QVERIFY(file.save(QDir(Form1->folders.statistics).filePath(name)));
        QVERIFY(file.save(QDir(Form1->folders.statistics).filePath(QStringLiteral("SECOND.txt"))));
        Form1->statistics->FileListBox1->refresh();
        QListWidgetItem *item = Form1->statistics->FileListBox1->findItems(name, Qt::MatchExactly).value(0);
        QVERIFY(item);
        Form1->statistics->FileListBox1->setCurrentItem(item); // loads it
        QCOMPARE(Form1->statistics->Label11->text(), name);
        QCOMPARE(Form1->statistics->Avg->text(), QStringLiteral("9.999"));
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        createWindows();
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompts.reset();
        QDir statistics(testHome() + QStringLiteral("/Documents/Halvorent/VantrelockMirelon/Statistics"));
        for (const QString &name : statistics.entryList(QDir::Files))
            statistics.remove(name);
    }

    // Arial and Tahoma, or faces with their metrics (scripts/setup installs them): the layout
    // is made for those metrics.
    void facesWithTheDesignedMetrics()
    {
        for (bool bold : {false, true}) {
            const QString family = QFontInfo(arial(16, bold)).family();
            QVERIFY2(family == QLatin1String("Arial") || family == QLatin1String("Liberation Sans"),
                     qPrintable(QStringLiteral("Arial is drawn with %1: install fonts-liberation2").arg(family)));
        }
        QVERIFY2(QFontInfo(tahoma(11)).family() == QLatin1String("Tahoma"),
                 qPrintable(QStringLiteral("Tahoma is drawn with %1: install fonts-wine")
                                .arg(QFontInfo(tahoma(11)).family())));
    }

    // Each window shows its own caption: no application display name that Qt would add to it.
    void windowsShowTheirOwnCaptions()
    {
        setProgramIdentity();
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Vantrelock Mirelon"));
        QCOMPARE(Form2->windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(Form3->windowTitle(), QStringLiteral("Settings"));
        // Without a display name of its own, the display name follows the application name.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("probe"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
        QCoreApplication::setApplicationName(name);
        // The desktop matches the windows to the installed entry, and draws the entry's icon.
        QVERIFY(!QFINDTESTDATA(QStringLiteral("../packaging/") + QGuiApplication::desktopFileName() + QStringLiteral(".desktop"))
                     .isEmpty());
        QSettings entry(QFINDTESTDATA(QStringLiteral("../packaging/") + kDesktopId + QStringLiteral(".desktop")),
                        QSettings::IniFormat);
        QCOMPARE(entry.value(QStringLiteral("Desktop Entry/Icon")).toString(), kDesktopId);
    }

    // The serial number and version are the device's characters, never markup.
    void deviceTextIsShownAsItIs()
    {
        connectTo("<b>W</b>");
        QCOMPARE(Form1->connection->SerialNumber->text(), QStringLiteral("<b>W</b>"));
        QCOMPARE(Form1->connection->SerialNumber->textFormat(), Qt::PlainText);
        QCOMPARE(Form1->connection->Version->textFormat(), Qt::PlainText);
        VERIFY_FITS(Form1);
    }

    // Every window at its longest texts.
    void mainWindowFitsItsTexts()
    {
        VERIFY_FITS(Form1);

        connectTo("WWWWWWWW");
        QCOMPARE(Form1->connection->Button1->text(), QStringLiteral("Disconnect"));
        VERIFY_FITS(Form1);

        loadWidestFile();
        QCOMPARE(Form1->statistics->ComboBox1->count(), 5);
        VERIFY_FITS(Form1);

        // The readout with all six rows at their widest values, then the overlay's four rows.
        Form1->statistics->rt[1] = -29.999;
        Form1->statistics->bump[1] = 999;
        for (int k = 1; k <= 4; ++k)
            Form1->statistics->shiftColumn(k, false)[1] = 99.999;
        Form1->statistics->Chart1ClickSeries(Form1->statistics->Series1, 0);
        QCOMPARE(Form1->statistics->Shft4Label->text(), QStringLiteral("S4: 99.999"));
        QCOMPARE(Form1->statistics->Panel3->height(), 144);
        VERIFY_FITS(Form1);

        Form1->statistics->Panel4Click();
        QListWidgetItem *second = Form1->statistics->FileListBox1->findItems(QStringLiteral("SECOND.txt"), Qt::MatchExactly).value(0);
        QVERIFY(second);
        Form1->statistics->FileListBox1->setCurrentItem(second); // the overlay file
        QCOMPARE(Form1->statistics->Label12->text(), QStringLiteral("SECOND.txt"));
        QCOMPARE(Form1->statistics->ComboBox2->count(), 5);
        Form1->statistics->rta[1] = -29.999;
        Form1->statistics->bumpa[1] = 999;
        Form1->statistics->Chart1ClickSeries(Form1->statistics->Series1, 0);
        QCOMPARE(Form1->statistics->Shft2Label->text(), QStringLiteral("B2: 999"));
        VERIFY_FITS(Form1);
    }

    void setupDialogFitsItsTexts()
    {
        Form2->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form2));
        Form2->Edit1->setText(QStringLiteral("888"));
        VERIFY_FITS(Form2);
        QVERIFY(QFontMetrics(Form2->Edit1->font()).horizontalAdvance(Form2->Edit1->text()) < Form2->Edit1->width() - 8);
    }

    void settingsWindowFitsItsTexts()
    {
        connectTo("VM004711");
        Form3->show();
        Form3->FormActivate();
        QVERIFY(Form3->rcTest);
        QCOMPARE(Form3->LLog->text(), QStringLiteral("WWWWWWWW"));
        VERIFY_FITS(Form3);
        Form3->Label1Click();
        QVERIFY(Form3->rally);
        VERIFY_FITS(Form3);
    }
};

MIRELON_TEST_MAIN(DesktopTest)
#include "test_desktop.moc"
