#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/RunFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>

// Loading run files into the window, the chart's readout and selectors, and export.
class StatsViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompter;

    static QString statistics() { return Form1->folders.statistics; }

    static void save(const QString &name, const RunFileBytes &file)
    {
        QVERIFY(file.save(statistics() + QLatin1Char('/') + name));
        Form1->statistics->FileListBox1->refresh();
    }

    // A click on a file of the list, as the user makes it.
    static void clickFile(const QString &name)
    {
        const QList<QListWidgetItem *> items = Form1->statistics->FileListBox1->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        const QRect rect = Form1->statistics->FileListBox1->visualItemRect(items.first());
        QTest::mouseClick(Form1->statistics->FileListBox1->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList comboItems(QComboBox *combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        return items;
    }

    static bool red(QLabel *label) { return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }

    // Every point of every visible series lies inside the axes' ranges.
    static bool allPointsShown()
    {
        for (int n = 1; n <= 10; ++n) {
            if (!Form1->statistics->series(n)->isVisible())
                continue;
            for (const QPointF &p : Form1->statistics->series(n)->points())
                if (p.x() <= Form1->statistics->AxisX->min() || p.x() >= Form1->statistics->AxisX->max() || p.y() <= Form1->statistics->AxisY->min()
                    || p.y() >= Form1->statistics->AxisY->max())
                    return false;
        }
        return true;
    }

    // 62 runs recorded; bump counts and all four shift columns; run r has rt 0.4 + r/1000 s.
    static RunFileBytes fullFile()
    {
        RunFileBytes f;
        f.runs(62).wins(3).reds(7).average(512).spread(40);
        f.shiftAverage(1, 1230).shiftAverage(2, 2000).shiftAverage(3, 12000).shiftAverage(4, 3456);
        for (int r = 1; r <= 50; ++r) {
            f.rt(r, 400 + r).bump(r, r % 5);
            for (int n = 1; n <= 4; ++n)
                f.shift(r, n, 1000 * n + r);
        }
        return f;
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        prompter = std::make_unique<RecordingPrompter>();
        createWindows();
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
    }
    void cleanup()
    {
        destroyWindows();
        prompter.reset();
        QDir dir(testHome() + QStringLiteral("/Documents/Halvorent/VantrelockMirelon/Statistics"));
        for (const QString &name : dir.entryList(QDir::Files))
            dir.remove(name);
        QLocale::setDefault(QLocale::c());
    }

    void fullFileFillsLabelsSeriesAndSelector()
    {
        save(QStringLiteral("a.txt"), fullFile());
        RunFileBytes second = fullFile();
        second.runs(12).noShift(3);
        save(QStringLiteral("b.txt"), second);
        QVERIFY(!Form1->statistics->Button11->isEnabled());

        clickFile(QStringLiteral("a.txt"));
        QVERIFY(prompter->shown.isEmpty());
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("a.txt"));
        QVERIFY(Form1->statistics->Label11->isVisible());
        const QStringList labels{Form1->statistics->NumRuns->text(), Form1->statistics->NumReds->text(), Form1->statistics->NumWins->text(),
                                 Form1->statistics->Avg->text(),     Form1->statistics->Sprd->text(),    Form1->statistics->ShftAvg1->text(),
                                 Form1->statistics->ShftAvg2->text(), Form1->statistics->ShftAvg3->text(), Form1->statistics->ShftAvg4->text()};
        QCOMPARE(labels, QStringList({"62", "7", "3", ".512", ".040", "1.23", "2", "N/A", "3.456"}));
        QCOMPARE(Form1->statistics->Series1->count(), 50);
        QCOMPARE(Form1->statistics->Series1->at(6), QPointF(7, 0.407));
        for (int n = 3; n <= 6; ++n) {
            QCOMPARE(Form1->statistics->series(n)->count(), 50);
            QVERIFY(!Form1->statistics->series(n)->isVisible());
        }
        QCOMPARE(Form1->statistics->Series5->at(49), QPointF(50, 3.05));
        QCOMPARE(Form1->statistics->bump[7], 2);
        QCOMPARE(Form1->statistics->shift2[7], 2.007);
        QCOMPARE(Form1->statistics->shftCnt, 1);
        QCOMPARE(comboItems(Form1->statistics->ComboBox1), QStringList({"RT", "Shift 1", "Shift 2", "Shift 3", "Shift 4"}));
        QVERIFY(Form1->statistics->ComboBox1->isVisible());
        QVERIFY(Form1->statistics->Button11->isEnabled());
        QVERIFY(allPointsShown());

        // Without a shift-3 column the list skips it and its series keeps the earlier points.
        clickFile(QStringLiteral("b.txt"));
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("12"));
        QCOMPARE(Form1->statistics->Series1->count(), 12);
        QCOMPARE(Form1->statistics->Series3->count(), 12);
        QCOMPARE(Form1->statistics->Series5->count(), 50);
        QCOMPARE(comboItems(Form1->statistics->ComboBox1), QStringList({"RT", "Shift 1", "Shift 2", "Shift 4"}));
        QCOMPARE(Form1->statistics->ComboBox1->currentIndex(), 0);
        QVERIFY(allPointsShown());

        // A typed letter reloads the file the list moves to.
        Form1->statistics->FileListBox1->setFocus();
        QTest::keyClick(Form1->statistics->FileListBox1, Qt::Key_A);
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("a.txt"));
        QCOMPARE(Form1->statistics->Series1->count(), 50);
    }

    // A run count of 000 leaves Series1 empty; without shift 1 the selector gets the other
    // columns but stays hidden.
    void noRunsAndNoShiftOne()
    {
        RunFileBytes f = fullFile();
        f.runs(0).noShift(1);
        save(QStringLiteral("a.txt"), f);
        clickFile(QStringLiteral("a.txt"));
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("0"));
        QCOMPARE(Form1->statistics->Series1->count(), 0);
        QCOMPARE(comboItems(Form1->statistics->ComboBox1), QStringList({"RT", "Shift 2", "Shift 3", "Shift 4"}));
        QVERIFY(!Form1->statistics->ComboBox1->isVisible());
    }

    void shortLayoutsAfterAFullFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("shiftAverage1");
        QTest::newRow("short") << int(RunFileBytes::kShort) << "1.230";
        QTest::newRow("rallycross") << int(RunFileBytes::kRallycross) << "N/A";
    }
    void shortLayoutsAfterAFullFile()
    {
        QFETCH(int, size);
        QFETCH(QString, shiftAverage1);
        save(QStringLiteral("a.txt"), fullFile());
        RunFileBytes f(size);
        f.runs(5).average(10000).spread(10500).shiftAverage(1, 1230).rt(5, 612);
        save(QStringLiteral("b.txt"), f);
        clickFile(QStringLiteral("a.txt"));
        Form1->statistics->CheckShift();
        QVERIFY(Form1->statistics->ShftAvg2->isVisible());

        clickFile(QStringLiteral("b.txt"));
        QCOMPARE(Form1->statistics->Avg->text(), QStringLiteral("10.000"));
        QCOMPARE(Form1->statistics->Sprd->text(), QStringLiteral("10.500"));
        QVERIFY(Form1->statistics->ShftAvg1->isVisible());
        QVERIFY(!Form1->statistics->ShftAvg2->isVisible());
        QCOMPARE(Form1->statistics->ShftAvg1->text(), shiftAverage1);
        for (QLabel *label : {Form1->statistics->ShftAvg2, Form1->statistics->ShftAvg3, Form1->statistics->ShftAvg4})
            QCOMPARE(label->text(), QStringLiteral("N/A"));
        QCOMPARE(Form1->statistics->Series1->count(), 5);
        QCOMPARE(Form1->statistics->Series1->at(4).y(), 0.612);
        for (auto *shift : {&Form1->statistics->shift1, &Form1->statistics->shift2, &Form1->statistics->shift3, &Form1->statistics->shift4})
            QCOMPARE((*shift)[1], 10.0);
        QVERIFY(std::all_of(Form1->statistics->bump.begin() + 1, Form1->statistics->bump.end(), [](int b) { return b == 255; }));
        QCOMPARE(Form1->statistics->shftCnt, 1);
        QVERIFY(!Form1->statistics->ComboBox1->isVisible());
        QCOMPARE(Form1->statistics->Series3->count(), 50); // kept, hidden
        QVERIFY(!Form1->statistics->Series3->isVisible());

        // Neither bump counts nor shift columns: a one-row readout.
        emit Form1->statistics->Series1->clicked(Form1->statistics->Series1->at(4));
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.612"));
        QCOMPARE(Form1->statistics->Panel3->height(), 34);
        QVERIFY(!Form1->statistics->BumpLabel->isVisible());
    }

    // A count field that is no number ends the load there.
    void countFieldThatIsNoNumber()
    {
        save(QStringLiteral("a.txt"), fullFile());
        RunFileBytes bad = fullFile();
        bad.runs(9).raw(304, "0X2").average(777);
        save(QStringLiteral("b.txt"), bad);
        clickFile(QStringLiteral("a.txt"));
        clickFile(QStringLiteral("b.txt"));
        QCOMPARE(prompter->texts(), QStringList({"'0X2' is not a valid integer value."}));
        QCOMPARE(prompter->shown.first().kind, BoxKind::Error);
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("9"));
        QCOMPARE(Form1->statistics->Series1->count(), 9);
        QCOMPARE(Form1->statistics->NumWins->text(), QStringLiteral("3"));
        QCOMPARE(Form1->statistics->Avg->text(), QStringLiteral(".512"));
    }

    // A file removed after the list was read: the file error, the name already shown.
    void fileGoneMeanwhile()
    {
        save(QStringLiteral("gone.txt"), fullFile());
        QVERIFY(QFile::remove(statistics() + QStringLiteral("/gone.txt")));
        clickFile(QStringLiteral("gone.txt"));
        QCOMPARE(prompter->texts(), QStringList({"File not found."}));
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("gone.txt"));
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("N/A"));
        QCOMPARE(Form1->statistics->Series1->count(), 0);
    }

    void overlay()
    {
        RunFileBytes primary = fullFile();
        primary.noShift(3).noShift(4);
        save(QStringLiteral("a.txt"), primary);
        RunFileBytes second = fullFile();
        second.runs(20).noShift(1).rt(3, 555);
        save(QStringLiteral("b.txt"), second);
        save(QStringLiteral("c.txt"), RunFileBytes(RunFileBytes::kShort));
        clickFile(QStringLiteral("a.txt"));

        Form1->statistics->Panel4Click();
        QCOMPARE(Form1->statistics->Panel4->color(), QColor(0, 128, 0));
        QVERIFY(Form1->statistics->FileListBox1->multiSelect());
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        QVERIFY(!Form1->statistics->ComboBox1->isVisible());

        clickFile(QStringLiteral("b.txt"));
        QCOMPARE(Form1->statistics->Label12->text(), QStringLiteral("b.txt"));
        QVERIFY(Form1->statistics->Label12->isVisible());
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("62")); // the primary file's
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("a.txt"));
        QCOMPARE(Form1->statistics->rta[3], 0.555);
        QVERIFY(Form1->statistics->Series1->isVisible() && Form1->statistics->Series2->isVisible());
        QCOMPARE(Form1->statistics->Series2->count(), 20);
        QCOMPARE(Form1->statistics->Series1->count(), 50);
        // Only shift 2 is in both files; without shift 1 the selector stays hidden.
        QCOMPARE(comboItems(Form1->statistics->ComboBox2), QStringList({"RT", "Shift 2"}));
        QVERIFY(!Form1->statistics->ComboBox2->isVisible());
        QCOMPARE(Form1->statistics->Series8->count(), 20);
        QCOMPARE(Form1->statistics->Series7->count(), 0);
        QCOMPARE(Form1->statistics->Series9->count(), 0);
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        QVERIFY(allPointsShown());

        // A second click takes the file out of the selection: nothing to load.
        clickFile(QStringLiteral("b.txt"));
        QCOMPARE(Form1->statistics->Series2->count(), 20);
        QVERIFY(prompter->shown.isEmpty());

        // Overlay off: one selected file, only Series1 shown, Export back.
        Form1->statistics->Panel4Click();
        QVERIFY(!Form1->statistics->FileListBox1->multiSelect());
        QCOMPARE(Form1->statistics->FileListBox1->selectedItems().size(), 1);
        QVERIFY(!Form1->statistics->Series2->isVisible());
        QVERIFY(!Form1->statistics->Label12->isVisible());
        QVERIFY(Form1->statistics->Button11->isEnabled());
        QVERIFY(Form1->statistics->ComboBox1->isVisible());

        // Over a short primary file no shift pair is plotted.
        clickFile(QStringLiteral("c.txt"));
        Form1->statistics->Panel4Click();
        clickFile(QStringLiteral("a.txt"));
        QCOMPARE(comboItems(Form1->statistics->ComboBox2), QStringList({"RT"}));
        QVERIFY(!Form1->statistics->ComboBox2->isVisible());
        QCOMPARE(Form1->statistics->Series2->count(), 50);
        QCOMPARE(Form1->statistics->Series8->count(), 20); // kept from before
    }

    // Run 7 of a file with bump counts and two shift columns.
    void singleReadout()
    {
        RunFileBytes f = fullFile();
        f.noShift(3).noShift(4).rt(7, 500).bump(8, 255);
        save(QStringLiteral("a.txt"), f);
        clickFile(QStringLiteral("a.txt"));

        emit Form1->statistics->Series1->clicked(Form1->statistics->Series1->at(6));
        QVERIFY(Form1->statistics->Panel3->isVisible());
        QCOMPARE(Form1->statistics->Panel3->height(), 100);
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.500"));
        QCOMPARE(Form1->statistics->BumpLabel->text(), QStringLiteral("Bump: 2"));
        QCOMPARE(Form1->statistics->Shft1Label->text(), QStringLiteral("S1: 1.007"));
        QCOMPARE(Form1->statistics->Shft2Label->text(), QStringLiteral("S2: 2.007"));
        QCOMPARE(Form1->statistics->Shft2Label->y(), 73);
        QVERIFY(Form1->statistics->BumpLabel->isVisible() && !Form1->statistics->Shft3Label->isVisible());
        QVERIFY(red(Form1->statistics->RTLabel));
        QVERIFY(!red(Form1->statistics->BumpLabel) && !red(Form1->statistics->Shft1Label) && !red(Form1->statistics->Shft2Label));
        QCOMPARE(Form1->statistics->Shft1Label->toolTip(), QStringLiteral("First Shift Time"));

        // Shift 2 picked: a hit on its line belongs to the nearest run; the shift-2 row is red.
        Form1->statistics->ComboBox1->setCurrentIndex(2);
        Form1->statistics->ComboBox1Change();
        QVERIFY(Form1->statistics->Series4->isVisible() && !Form1->statistics->Series1->isVisible() && !Form1->statistics->Series3->isVisible());
        QVERIFY(allPointsShown());
        emit Form1->statistics->Series4->clicked(QPointF(7.8, 2.0075));
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.408"));
        QVERIFY(!Form1->statistics->BumpLabel->isVisible()); // run 8 has none
        QCOMPARE(Form1->statistics->Shft1Label->y(), 29);
        QCOMPARE(Form1->statistics->Panel3->height(), 78);
        QVERIFY(red(Form1->statistics->Shft2Label) && !red(Form1->statistics->RTLabel));

        // The pointer entering a series shows the same readout as a click there.
        Form1->statistics->ComboBox1->setCurrentIndex(0);
        Form1->statistics->ComboBox1Change();
        Form1->statistics->Panel3->hide();
        emit Form1->statistics->Series1->hovered(Form1->statistics->Series1->at(6), true);
        QVERIFY(Form1->statistics->Panel3->isVisible());
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.500"));
        QCOMPARE(Form1->statistics->Panel3->height(), 100);
        // Off the markers of the reaction times nothing is shown.
        Form1->statistics->Panel3->hide();
        emit Form1->statistics->Series1->hovered(QPointF(7.5, 0.2), true);
        QVERIFY(!Form1->statistics->Panel3->isVisible());

        // Every load hides the readout.
        emit Form1->statistics->Series1->clicked(Form1->statistics->Series1->at(0));
        QTest::keyClick(Form1->statistics->FileListBox1, Qt::Key_A);
        QVERIFY(!Form1->statistics->Panel3->isVisible());
    }

    // The real pointer on the chart: resting on a marker, then clicking one.
    void pointerOnTheChart()
    {
        save(QStringLiteral("a.txt"), fullFile());
        clickFile(QStringLiteral("a.txt"));
        QChart *chart = Form1->statistics->Chart1->chart();
        const auto pixel = [&](int index) {
            const QPointF scene = chart->mapToScene(chart->mapToPosition(Form1->statistics->Series1->at(index), Form1->statistics->Series1));
            return Form1->statistics->Chart1->mapFromScene(scene);
        };
        QTest::mouseMove(Form1->statistics->Chart1->viewport(), QPoint(2, 2));
        QTest::mouseMove(Form1->statistics->Chart1->viewport(), pixel(6));
        QVERIFY(waitFor([] { return Form1->statistics->Panel3->isVisible(); }, 1000));
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.407"));

        QTest::mouseClick(Form1->statistics->Chart1->viewport(), Qt::LeftButton, {}, pixel(20));
        QVERIFY(waitFor([] { return Form1->statistics->RTLabel->text() == QStringLiteral("RT: 0.421"); }, 1000));
    }

    void overlayReadout_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("bumpA");     // the overlay file has a bump count for run 4
        QTest::addColumn<bool>("clickOverlay");
        QTest::addColumn<int>("rta");        // the overlay file's run-4 time, thousandths
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<bool>>("reds");
        QTest::addColumn<int>("height");
        const QList<bool> primary{true, true, false, false}, second{false, false, true, true};
        QTest::newRow("RT, both bumps") << 0 << true << false << 612 << QStringList{"R1: 0.404", "B1: 4", "R2: 0.612", "B2: 6"}
                                        << primary << 100;
        QTest::newRow("RT, overlay clicked") << 0 << true << true << 612 << QStringList{"R1: 0.404", "B1: 4", "R2: 0.612", "B2: 6"}
                                             << second << 100;
        QTest::newRow("RT, same time") << 0 << true << true << 404 << QStringList{"R1: 0.404", "B1: 4", "R2: 0.404", "B2: 6"}
                                       << primary << 100;
        QTest::newRow("RT, one bump missing") << 0 << false << true << 612 << QStringList{"R1: 0.404", "R2: 0.612"}
                                              << QList<bool>{false, true} << 56;
        QTest::newRow("shift 2, overlay clicked") << 2 << true << true << 612 << QStringList{"S1: 2.004", "S2: 2.104"}
                                                  << QList<bool>{false, true} << 56;
    }
    void overlayReadout()
    {
        QFETCH(int, selected);
        QFETCH(bool, bumpA);
        QFETCH(bool, clickOverlay);
        QFETCH(int, rta);
        QFETCH(QStringList, texts);
        QFETCH(QList<bool>, reds);
        QFETCH(int, height);
        save(QStringLiteral("a.txt"), fullFile());
        RunFileBytes second = fullFile();
        second.rt(4, rta).bump(4, bumpA ? 6 : 255).shift(4, 2, 2104);
        save(QStringLiteral("b.txt"), second);
        clickFile(QStringLiteral("a.txt"));
        Form1->statistics->Panel4Click();
        clickFile(QStringLiteral("b.txt"));
        QVERIFY(Form1->statistics->ComboBox2->isVisible());
        Form1->statistics->ComboBox2->setCurrentIndex(selected);
        Form1->statistics->ComboBox2Change();
        QLineSeries *s = Form1->statistics->series(selected == 0 ? (clickOverlay ? 2 : 1) : (clickOverlay ? 6 + selected : 2 + selected));
        QVERIFY(s->isVisible());
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(Form1->statistics->series(n)->isVisible(),
                     selected == 0 ? n <= 2 : (n == 2 + selected || n == 6 + selected));

        emit s->clicked(s->at(3));
        QLabel *labels[] = {Form1->statistics->RTLabel, Form1->statistics->BumpLabel, Form1->statistics->Shft1Label, Form1->statistics->Shft2Label};
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(labels[k]->isVisible(), k < texts.size());
            if (k < texts.size()) {
                QCOMPARE(labels[k]->text(), texts.at(k));
                QCOMPARE(red(labels[k]), reds.at(k));
                QCOMPARE(labels[k]->y(), 7 + 22 * k);
            }
        }
        QCOMPARE(Form1->statistics->Panel3->height(), height);
        QCOMPARE(Form1->statistics->BumpLabel->toolTip(), QStringLiteral("Bump Count"));
    }

    void selectorsAndShiftAverages()
    {
        // Before a full file the shift averages do not step.
        QTest::mouseClick(Form1->statistics->ShftAvg1, Qt::LeftButton);
        QVERIFY(Form1->statistics->ShftAvg1->isVisible());

        save(QStringLiteral("a.txt"), fullFile());
        clickFile(QStringLiteral("a.txt"));
        QLabel *averages[] = {Form1->statistics->ShftAvg1, Form1->statistics->ShftAvg2, Form1->statistics->ShftAvg3, Form1->statistics->ShftAvg4};
        for (int click = 1; click <= 4; ++click) {
            QLabel *shown = nullptr;
            for (QLabel *label : averages)
                if (label->isVisible())
                    shown = shown ? nullptr : label; // exactly one
            QVERIFY(shown);
            QTest::mouseClick(shown, Qt::LeftButton);
            for (int k = 0; k < 4; ++k)
                QCOMPARE(averages[k]->isVisible(), k == click % 4);
        }

        for (int index = 0; index <= 4; ++index) {
            Form1->statistics->ComboBox1->setCurrentIndex(index);
            Form1->statistics->ComboBox1Change();
            for (int n = 1; n <= 6; ++n)
                QCOMPARE(Form1->statistics->series(n)->isVisible(), n == (index == 0 ? 1 : index + 2));
        }
    }

    void exportWritesTheLoadedFile()
    {
        RunFileBytes f;
        f.runs(3).wins(1).reds(2).average(10000).spread(40).shiftAverage(1, 1230).shiftAverage(2, 10000);
        f.rt(1, 512).rt(2, 500).rt(3, 0).bump(1, 2).bump(2, 255).noShift(3).noShift(4);
        f.shift(1, 1, 1234).shift(1, 2, 1987).shift(2, 1, 1500).shift(2, 2, 2000);
        save(QStringLiteral("a.txt"), f);
        const QString path = testHome() + QStringLiteral("/out.csv");

        // Nothing selected: no dialog.
        prompter->files.push_back(path);
        Form1->statistics->Button11Click();
        QCOMPARE(prompter->files.size(), std::size_t(1));

        clickFile(QStringLiteral("a.txt"));
        Form1->statistics->Button11->click();
        QVERIFY(prompter->shown.isEmpty());
        QFile out(path);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("RT, Bump Cnt, Shift 1, Shift 2, Shift 3, Shift 4\r\n"
                                           "0.512,2,1.234,1.987,N/A,N/A\r\n"
                                           "0.5,N/A,1.5,2,N/A,N/A\r\n"
                                           "0,0,0,0,N/A,N/A\r\n"
                                           "Run Count, Red Count, Win Count, Average, Spread, Shift 1 Avg, "
                                           "Shift 2 Avg, Shift 3 Avg, Shift 4 Avg\r\n"
                                           "3,2,1,N/A,.040,1.23,N/A,0,0\r\n"));
        out.close();

        // Cancelled: nothing written. A file that cannot be created: an error box.
        Form1->statistics->Button11Click();
        prompter->files.push_back(testHome() + QStringLiteral("/missing/out.csv"));
        Form1->statistics->Button11->click();
        QCOMPARE(prompter->texts(), QStringList({"File not found."}));
    }

    // The save dialog takes only CSV names: another name is refused and the dialog opens again
    // with it; a name without an extension comes back with .csv. After an export the next one
    // opens in the same folder with an empty name.
    void exportSavesOnlyCsvFiles()
    {
        save(QStringLiteral("a.txt"), fullFile());
        clickFile(QStringLiteral("a.txt"));
        const QString out = testHome() + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(out));
        prompter->files = {out + QStringLiteral("/RUNX.txt"), out + QStringLiteral("/RUNX")};
        Form1->statistics->Button11->click();
        QCOMPARE(prompter->texts(),
                 QStringList{"RUNX.txt is not a CSV file: Export saves only files ending in .csv."});
        QCOMPARE(prompter->shown.front().kind, BoxKind::Warning);
        QCOMPARE(prompter->offered.size(), 3);
        QCOMPARE(prompter->offered.at(1), QStringList{out + QStringLiteral("/RUNX.txt")});
        QCOMPARE(prompter->offered.at(2), QStringList{out + QStringLiteral("/RUNX.csv")});
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList()); // the last dialog was cancelled

        prompter->files = {out + QStringLiteral("/RUNX.csv")};
        Form1->statistics->Button11->click();
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"RUNX.csv"});
        Form1->statistics->Button11->click(); // cancelled
        QCOMPARE(prompter->offered.last(), QStringList{out}); // the folder, no name
        QVERIFY(QFile::remove(out + QStringLiteral("/RUNX.csv")));
    }

    // The run axis has ticks on whole run numbers only, from the empty chart on.
    void runAxisTicksOnWholeRuns()
    {
        const auto ticks = [] {
            QList<double> values;
            for (double x = Form1->statistics->AxisX->tickAnchor(); x <= Form1->statistics->AxisX->max(); x += Form1->statistics->AxisX->tickInterval())
                if (x >= Form1->statistics->AxisX->min())
                    values.append(x);
            return values;
        };
        QCOMPARE(Form1->statistics->AxisX->tickType(), QValueAxis::TicksDynamic);
        QCOMPARE(ticks(), QList<double>({0, 1}));
        RunFileBytes two = fullFile();
        two.runs(2);
        save(QStringLiteral("a.txt"), two);
        clickFile(QStringLiteral("a.txt"));
        QCOMPARE(ticks(), QList<double>({1, 2}));
    }

    // The whole road: files from the device, one picked, its runs plotted, pointed at, exported.
    void fromTheDeviceToASpreadsheet()
    {
        const sim::RunFileValues session = sim::generateSession(7, 12, 2, true);
        sim::Config config;
        config.version = "1.24 R";
        SimFixture device(config);
        sim::RunFileSet set;
        set.files = {{"PRACTICE", sim::encodeRunFile(session, sim::RunFileKind::Full)}};
        set.rallycross = {{"RX", sim::encodeRunFile(session, sim::RunFileKind::Rallycross)}};
        sim::installRunFileCommands(device.device(), std::make_shared<sim::DeviceRunFiles>(set));
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        Form1->statistics->Button8->click();
        QVERIFY(prompter->shown.isEmpty());

        clickFile(QStringLiteral("PRACTICE.txt"));
        QVERIFY(prompter->shown.isEmpty());
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("12"));
        QCOMPARE(Form1->statistics->NumWins->text(), QString::number(session.wins));
        QCOMPARE(Form1->statistics->NumReds->text(), QString::number(session.reds));
        QCOMPARE(Form1->statistics->Series1->count(), 12);
        QCOMPARE(comboItems(Form1->statistics->ComboBox1), QStringList({"RT", "Shift 1", "Shift 2"}));
        for (int r = 1; r <= 12; ++r) {
            const sim::RunValues &run = session.runs.at(r - 1);
            QCOMPARE(Form1->statistics->Series1->at(r - 1), QPointF(r, run.reaction / 1000.0));
            QCOMPARE(Form1->statistics->shift2[r], run.shifts[1] / 1000.0);
            QCOMPARE(Form1->statistics->bump[r], run.bumps);
        }

        emit Form1->statistics->Series1->hovered(Form1->statistics->Series1->at(2), true);
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: ") + QString::number(session.runs.at(2).reaction / 1000.0, 'f', 3));
        QCOMPARE(Form1->statistics->Panel3->height(), 100);

        const QString path = testHome() + QStringLiteral("/practice.csv");
        prompter->files.push_back(path);
        Form1->statistics->Button11->click();
        QFile out(path);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = out.readAll().split('\n');
        QCOMPARE(lines.size(), 15 + 1); // 15 lines, each ended
        const sim::RunValues &first = session.runs.at(0);
        QCOMPARE(lines.at(1).split(',').at(1), QByteArray::number(first.bumps));
        QCOMPARE(lines.at(1).split(',').at(4), QByteArray("N/A"));
        QCOMPARE(lines.at(1).split(',').at(0).toDouble(), first.reaction / 1000.0);

        // The rallycross copy: the same runs, no shift columns, no bump counts, no shift average.
        clickFile(QStringLiteral("RXR.txt"));
        QCOMPARE(Form1->statistics->Series1->count(), 12);
        QCOMPARE(Form1->statistics->ShftAvg1->text(), QStringLiteral("N/A"));
        QVERIFY(!Form1->statistics->ComboBox1->isVisible());
        emit Form1->statistics->Series1->clicked(Form1->statistics->Series1->at(2));
        QCOMPARE(Form1->statistics->Panel3->height(), 34);
    }

    // Shift averages, readout and export follow the locale; run values and their labels do not,
    // but the CSV gives those the locale's separator too, so a spreadsheet reads them as numbers.
    void decimalComma()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        RunFileBytes f;
        f.runs(1).average(512).spread(40).shiftAverage(1, 1230).rt(1, 512).bump(1, 3);
        f.shift(1, 1, 1250).noShift(2).noShift(3).noShift(4);
        save(QStringLiteral("a.txt"), f);
        clickFile(QStringLiteral("a.txt"));
        QCOMPARE(Form1->statistics->rt[1], 0.512);
        QCOMPARE(Form1->statistics->Avg->text(), QStringLiteral(".512"));
        QCOMPARE(Form1->statistics->ShftAvg1->text(), QStringLiteral("1,23"));

        emit Form1->statistics->Series1->clicked(Form1->statistics->Series1->at(0));
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0,512"));
        QCOMPARE(Form1->statistics->Shft1Label->text(), QStringLiteral("S1: 1,250"));

        const QString path = testHome() + QStringLiteral("/comma.csv");
        prompter->files.push_back(path);
        Form1->statistics->Button11Click();
        QFile out(path);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = out.readAll().split('\n');
        QCOMPARE(lines.at(1), QByteArray("\"0,512\",3,\"1,25\",N/A,N/A,N/A\r"));
        QCOMPARE(lines.at(3), QByteArray("1,0,0,\"0,512\",\"0,040\",\"1,23\",0,0,0\r"));
        QCOMPARE(Form1->statistics->Avg->text(), QStringLiteral(".512"));
    }
};

MIRELON_TEST_MAIN(StatsViewTest)
#include "test_statsview.moc"
