#include "base/Errors.h"
#include "stats/CsvExport.h"
#include "stats/Readout.h"
#include "stats/RunFile.h"
#include "stats/RunFileTransfer.h"
#include "tests/support/RunFiles.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <utility>

// The run file decoder, the readout's rows and the CSV text, as plain functions.
class RunFileTest : public QObject {
    Q_OBJECT

    const QLocale comma{QLocale::German, QLocale::Germany};
    const QLocale point{QLocale::C};

private slots:
    void decodingRules_data()
    {
        QTest::addColumn<int>("t");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("withSign");
        QTest::addColumn<double>("run");
        QTest::addColumn<QString>("shiftAverage");
        QTest::newRow("512") << 512 << ".512" << ".512" << 0.512 << "0.512";
        QTest::newRow("12") << 12 << ".012" << ".012" << 0.012 << "0.012";
        QTest::newRow("0") << 0 << ".000" << ".000" << 0.0 << "0";
        QTest::newRow("1512") << 1512 << "1.512" << "1.512" << 1.512 << "1.512";
        QTest::newRow("1230") << 1230 << "1.230" << "1.230" << 1.23 << "1.23";
        QTest::newRow("2000") << 2000 << "2.000" << "2.000" << 2.0 << "2";
        QTest::newRow("9999") << 9999 << "9.999" << "9.999" << 9.999 << "9.999";
        QTest::newRow("12345") << 12345 << "12.345" << "12.345" << 12.345 << "";
        QTest::newRow("-512") << -512 << "" << "-.512" << -0.512 << "";
        QTest::newRow("-1230") << -1230 << "" << "-1.230" << -1.23 << "-1.23";
    }
    void decodingRules()
    {
        QFETCH(int, t);
        QFETCH(QString, plain);
        QFETCH(QString, withSign);
        QFETCH(double, run);
        QFETCH(QString, shiftAverage);
        if (!plain.isEmpty())
            QCOMPARE(runfile::plainThreeDecimal(t), plain);
        QCOMPARE(runfile::signedThreeDecimal(t), withSign);
        QCOMPARE(runfile::runValue(t), run);
        QCOMPARE(runfile::shiftTime(t), run);
        if (!shiftAverage.isEmpty())
            QCOMPARE(runfile::shiftAverageText(t / 1000.0, point), shiftAverage);
    }

    // A run's value is the number its text spells, over every value the digit fields can give
    // (any byte counts, so far below and above what digits spell).
    void runValueIsItsText()
    {
        for (std::int64_t t = -30'000'000; t <= 30'000'000; t += 997) {
            QString text = runfile::signedThreeDecimal(std::int32_t(t));
            text.replace(QLatin1String("-."), QLatin1String("-0.")).replace(QRegularExpression(QStringLiteral("^\\.")), QStringLiteral("0."));
            QVERIFY2(runfile::runValue(std::int32_t(t)) == text.toDouble(), qPrintable(text)); // exactly
        }
    }

    // Every byte counts as its code minus 48; past the end of the data a byte counts as zero.
    void digitValueTakesAnyByte_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << QByteArray("x00512") << 1 << 512;
        QTest::newRow("leading zeros kept as zero") << QByteArray("00000") << 0 << 0;
        QTest::newRow("blank") << QByteArray(" 0512") << 0 << -16 * 10000 + 512;
        QTest::newRow("letter") << QByteArray("0A001") << 0 << 17 * 1000 + 1;
        QTest::newRow("past the end") << QByteArray("12") << 0 << (1 * 10000 + 2 * 1000) - 48 * 111;
        QTest::newRow("high byte") << QByteArray("\xff" "0000") << 0 << (255 - 48) * 10000;
    }
    void digitValueTakesAnyByte()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, offset);
        QFETCH(int, value);
        QCOMPARE(runfile::digitValue(data, offset, 5), value);
    }

    void countFields_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text"); // empty: conversion error
        QTest::addColumn<int>("runs");
        QTest::newRow("062") << QByteArray("062") << "62" << 50;
        QTest::newRow("000") << QByteArray("000") << "0" << 0;
        QTest::newRow("012") << QByteArray("012") << "12" << 12;
        QTest::newRow("letter") << QByteArray("0X2") << "" << 0;
        QTest::newRow("zero bytes") << QByteArray("\0\0\0", 3) << "" << 0;
    }
    void countFields()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QFETCH(int, runs);
        const runfile::Count count = runfile::countField(QByteArray(300, '0') + field, 300);
        if (text.isEmpty()) {
            try {
                count.text();
                QFAIL("no conversion error");
            } catch (const AppError &e) {
                QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(field)));
            }
            QVERIFY_THROWS_EXCEPTION(AppError, count.runs());
            return;
        }
        QCOMPARE(count.text(), text);
        QCOMPARE(count.runs(), runs);
    }

    void shiftAverageFollowsTheLocale()
    {
        QCOMPARE(runfile::shiftAverageText(1.23, comma), QStringLiteral("1,23"));
        QCOMPARE(runfile::shiftAverageText(2.0, comma), QStringLiteral("2"));
    }

    // The fields each layout takes, and the "N/A" rules of the totals.
    void layouts()
    {
        RunFileBytes full;
        full.rt(1, 512).rt(50, 1234).runs(62).wins(3).reds(7).average(10000).spread(12345);
        full.shiftAverage(1, 1230).shiftAverage(2, 2000).shiftAverage(3, 10000).shiftAverage(4, 9999);
        full.shift(2, 3, 1987).bump(4, 255).bump(50, 17);
        // Bytes past 1748 are not read.
        runfile::RunFile f = runfile::decode(full.bytes() + QByteArray("99999"), point);
        QVERIFY(f.full);
        QCOMPARE(f.rt[1], 0.512);
        QCOMPARE(f.rt[50], 1.234);
        QCOMPARE(f.runs.text(), QStringLiteral("62"));
        QCOMPARE(f.wins.text(), QStringLiteral("3"));
        QCOMPARE(f.reds.text(), QStringLiteral("7"));
        QCOMPARE(f.average, QStringLiteral("N/A"));
        QCOMPARE(f.spread, QStringLiteral("12.345"));
        QCOMPARE(f.shiftAverage, (std::array<QString, 4>{"1.23", "2", "N/A", "9.999"}));
        QCOMPARE(f.shift[2][2], 1.987);
        QCOMPARE(f.bump[4], 255);
        QCOMPARE(f.bump[50], 17);

        RunFileBytes shortFile(RunFileBytes::kShort);
        shortFile.average(10000).shiftAverage(1, 1230);
        f = runfile::decode(shortFile.bytes(), point);
        QVERIFY(!f.full);
        QCOMPARE(f.average, QStringLiteral("10.000"));
        QCOMPARE(f.shiftAverage, (std::array<QString, 4>{"1.230", "N/A", "N/A", "N/A"}));
        QCOMPARE(f.bump[1], 255);
        QCOMPARE(f.bump[50], 255);
        shortFile.shiftAverage(1, 10000);
        QCOMPARE(runfile::decode(shortFile.bytes(), point).shiftAverage[0], QStringLiteral("N/A"));

        // A rallycross file ends before the shift average: no value, not its end decoded.
        const RunFileBytes rallycross(RunFileBytes::kRallycross);
        f = runfile::decode(rallycross.bytes(), point);
        QVERIFY(!f.full);
        QCOMPARE(f.shiftAverage[0], QStringLiteral("N/A"));
    }

    void generalNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.512") << 0.512 << "0.512";
        QTest::newRow("0.5") << 0.5 << "0.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative") << -0.023 << "-0.023";
        QTest::newRow("whole") << 12.0 << "12";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("16 integer digits") << 1234567890123456.0 << "1.23456789012346E15";
        QTest::newRow("0.00001") << 0.00001 << "0.00001";
        QTest::newRow("below 0.00001") << 0.0000012 << "1.2E-6";
        QTest::newRow("rounds to 15 digits") << 0.1 + 0.2 << "0.3";
    }
    void generalNumbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(csv::generalNumber(value, point), text);
    }

    // Three runs: one without a bump count, no shift-3 and shift-4 columns.
    void exportFileIsExact()
    {
        runfile::Runs runs;
        runs.rt[1] = 0.512, runs.rt[2] = 0.5, runs.rt[3] = -0.023;
        runs.bump.fill(255);
        runs.bump[1] = 2, runs.bump[3] = 0;
        runs.shift[0][1] = 1.234, runs.shift[0][2] = 1.5, runs.shift[0][3] = 1.0;
        runs.shift[1][1] = 1.987, runs.shift[1][2] = 2.0, runs.shift[1][3] = 0.0;
        runs.shift[2][1] = runs.shift[3][1] = 10.0;
        const QStringList statistics{"3", "1", "2", ".512", ".040", "1.23", "2", "N/A", "N/A"};
        QCOMPARE(csv::exportText(runs, statistics, point),
                 QByteArray("RT, Bump Cnt, Shift 1, Shift 2, Shift 3, Shift 4\r\n"
                            "0.512,2,1.234,1.987,N/A,N/A\r\n"
                            "0.5,N/A,1.5,2,N/A,N/A\r\n"
                            "-0.023,0,1,0,N/A,N/A\r\n"
                            "Run Count, Red Count, Win Count, Average, Spread, Shift 1 Avg, Shift 2 Avg, "
                            "Shift 3 Avg, Shift 4 Avg\r\n"
                            "3,1,2,.512,.040,1.23,2,N/A,N/A\r\n"));
    }

    // The run count as shown decides the number of run lines.
    void exportRunLines_data()
    {
        QTest::addColumn<QString>("numRuns");
        QTest::addColumn<int>("lines");
        QTest::newRow("12 runs") << "12" << 15;
        QTest::newRow("none") << "0" << 3;
        QTest::newRow("negative") << "-4" << 3;
        QTest::newRow("above 50") << "62" << 53;
        QTest::newRow("not loaded") << "N/A" << 53;
    }
    void exportRunLines()
    {
        QFETCH(QString, numRuns);
        QFETCH(int, lines);
        runfile::Runs runs;
        runs.bump.fill(255);
        const QByteArray text = csv::exportText(runs, {numRuns, "0", "0", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A"}, point);
        QCOMPARE(text.count("\r\n"), lines);
        QCOMPARE(text.count('\n'), lines);
        QVERIFY(text.split('\n').at(lines - 1).startsWith(numRuns.toLatin1() + ','));
        QVERIFY(text.split('\n').at(lines - 2).startsWith("Run Count"));
    }

    // With a decimal comma, fields holding a comma are quoted so the columns stay apart.
    void exportWithDecimalComma()
    {
        runfile::Runs runs;
        runs.rt[1] = 0.512, runs.rt[2] = 2.0;
        runs.bump[1] = 3, runs.bump[2] = 255;
        runs.shift[0][1] = 1.25, runs.shift[0][2] = 1.0;
        runs.shift[1][1] = runs.shift[2][1] = runs.shift[3][1] = 10.0;
        const QStringList statistics{"2", "0", "1", ".512", ".040", "1,23", "N/A", "N/A", "N/A"};
        QCOMPARE(csv::exportText(runs, statistics, comma),
                 QByteArray("RT, Bump Cnt, Shift 1, Shift 2, Shift 3, Shift 4\r\n"
                            "\"0,512\",3,\"1,25\",N/A,N/A,N/A\r\n"
                            "2,N/A,1,N/A,N/A,N/A\r\n"
                            "Run Count, Red Count, Win Count, Average, Spread, Shift 1 Avg, Shift 2 Avg, "
                            "Shift 3 Avg, Shift 4 Avg\r\n"
                            "2,0,1,\"0,512\",\"0,040\",\"1,23\",N/A,N/A,N/A\r\n"));
    }

    // Statistics that always show a "." get the locale's separator in the CSV, with a 0 where
    // no digit stands before it; other texts, and every text in a "." locale, stay as shown.
    void statisticsInTheLocale_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("comma");
        QTest::newRow("average") << ".530" << "0,530";
        QTest::newRow("negative") << "-.512" << "-0,512";
        QTest::newRow("spread") << "1.234" << "1,234";
        QTest::newRow("large") << "12.345" << "12,345";
        QTest::newRow("already local") << "1,23" << "1,23";
        QTest::newRow("whole") << "2" << "2";
        QTest::newRow("no value") << "N/A" << "N/A";
        QTest::newRow("not a number") << "1.2.3" << "1.2.3";
        QTest::newRow("bare point") << "." << ".";
    }
    void statisticsInTheLocale()
    {
        QFETCH(QString, shown);
        QFETCH(QString, comma);
        QCOMPARE(csv::localNumber(shown, this->comma), comma);
        QCOMPARE(csv::localNumber(shown, point), shown);
    }

    // A German spreadsheet reads every number of a German CSV as the number the "." CSV holds.
    void germanCsvReadsBack()
    {
        RunFileBytes full;
        full.rt(1, 512).rt(2, 500).runs(2).wins(1).reds(0).average(530).spread(1234);
        full.shiftAverage(1, 1230).shiftAverage(2, 10000).noShift(2).noShift(3).noShift(4);
        full.shift(1, 1, 1234).shift(2, 1, 1500).bump(1, 2).bump(2, 255);
        RunFileBytes shortFile(RunFileBytes::kShort);
        shortFile.rt(1, 40).runs(1).raw(312, "0/488").spread(40).shiftAverage(1, 1230); // average -512
        const auto fields = [](const QByteArray &text) {
            QList<QStringList> rows;
            for (const QString &line : QString::fromLatin1(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
                QStringList row;
                QString field;
                bool quoted = false;
                for (const QChar c : line) {
                    if (c == QLatin1Char('"'))
                        quoted = !quoted;
                    else if (c == QLatin1Char(',') && !quoted)
                        row << std::exchange(field, QString());
                    else
                        field += c;
                }
                rows << (row << field);
            }
            return rows;
        };
        for (const QByteArray &bytes : {full.bytes(), shortFile.bytes()}) {
            const runfile::RunFile german = runfile::decode(bytes, comma);
            const runfile::RunFile plain = runfile::decode(bytes, point);
            const QList<QStringList> local =
                fields(csv::exportText(runfile::runsOf(german), runfile::shownFigures(german), comma));
            const QList<QStringList> dotted =
                fields(csv::exportText(runfile::runsOf(plain), runfile::shownFigures(plain), point));
            QCOMPARE(local.size(), dotted.size());
            for (int row : {1, int(local.size()) - 1}) { // a run and the statistics
                QCOMPARE(local[row].size(), dotted[row].size());
                for (int i = 0; i < local[row].size(); ++i) {
                    const QString &value = local[row][i];
                    if (dotted[row][i] == QLatin1String("N/A")) {
                        QCOMPARE(value, QStringLiteral("N/A"));
                        continue;
                    }
                    bool ok = false;
                    QVERIFY2(!value.contains(QLatin1Char('.')), qPrintable(value));
                    QCOMPARE(comma.toDouble(value, &ok), point.toDouble(dotted[row][i]));
                    QVERIFY2(ok, qPrintable(value));
                }
            }
            QCOMPARE(local.last().mid(3, 2), bytes.size() == RunFileBytes::kFull ? QStringList({"0,530", "1,234"})
                                                                                : QStringList({"-0,512", "0,040"}));
        }
    }

    // Names a device gives its files stay names on Windows, where CON, NUL, COM1 and their kin
    // are devices, also with an extension (NUL.a.txt) or a superscript digit (COM¹).
    void windowsDeviceNames_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("rallycross");
        QTest::addColumn<QString>("base");
        QTest::newRow("CON") << QByteArray("CON") << false << "CON_";
        QTest::newRow("lower case") << QByteArray("nul") << false << "nul_";
        QTest::newRow("COM1") << QByteArray("COM1") << false << "COM1_";
        QTest::newRow("LPT0") << QByteArray("LPT0") << false << "LPT0_";
        QTest::newRow("COM superscript 1") << QByteArray("COM\xB9") << false << QStringLiteral("COM\u00B9_");
        QTest::newRow("LPT superscript 3") << QByteArray("lpt\xB3") << false << QStringLiteral("lpt\u00B3_");
        QTest::newRow("with an extension") << QByteArray("NUL.a") << false << "NUL_.a";
        QTest::newRow("two extensions") << QByteArray("AUX.b.c") << false << "AUX_.b.c";
        QTest::newRow("extension, rallycross") << QByteArray("PRN.x") << true << "PRN_.xR";
        QTest::newRow("console input") << QByteArray("CONIN$") << false << "CONIN$_";
        QTest::newRow("rallycross makes a name") << QByteArray("CON") << true << "CONR";
        QTest::newRow("COM10") << QByteArray("COM10") << false << "COM10";
        QTest::newRow("COM superscript 4") << QByteArray("COM\xB4") << false << QStringLiteral("COM\u00B4");
        QTest::newRow("NULL") << QByteArray("NULL.a") << false << "NULL.a";
        QTest::newRow("starts with a dot") << QByteArray(".NUL") << false << "_.NUL";
    }
    void windowsDeviceNames()
    {
        QFETCH(QByteArray, device);
        QFETCH(bool, rallycross);
        QFETCH(QString, base);
        QCOMPARE(runFileBase(device, rallycross), base);
    }

    void readoutTimes()
    {
        QCOMPARE(readout::timeText(0.5, point), QStringLiteral("0.500"));
        QCOMPARE(readout::timeText(-0.0234, point), QStringLiteral("-0.023"));
        QCOMPARE(readout::timeText(12.3456, point), QStringLiteral("12.346"));
        QCOMPARE(readout::timeText(0.5, comma), QStringLiteral("0,500"));
    }

    // Rows move up when the bump count is missing; absent shift columns leave their slot empty.
    void singleReadout()
    {
        readout::SingleRun run;
        run.rt = 0.512;
        run.bump = 3;
        run.shift = {1.25, std::nullopt, 2.5, std::nullopt};
        readout::Panel p = readout::single(run, 3, point);
        QCOMPARE(p.height, 3 * 22 + 34);
        QCOMPARE(p.rows[readout::RT].text, QStringLiteral("RT: 0.512"));
        QCOMPARE(p.rows[readout::Bump].text, QStringLiteral("Bump: 3"));
        QCOMPARE(p.rows[readout::Shift1].text, QStringLiteral("S1: 1.250"));
        QCOMPARE(p.rows[readout::Shift3].text, QStringLiteral("S3: 2.500"));
        const int tops[] = {7, 29, 51, 73, 95, 117};
        const bool visible[] = {true, true, true, false, true, false};
        const bool red[] = {false, false, false, false, true, false};
        for (int k = 0; k < readout::LabelCount; ++k) {
            QCOMPARE(p.rows[k].top, tops[k]);
            QCOMPARE(p.rows[k].visible, visible[k]);
            QCOMPARE(p.rows[k].red, red[k]);
        }

        run.bump.reset();
        p = readout::single(run, 0, point);
        QCOMPARE(p.height, 78);
        QVERIFY(!p.rows[readout::Bump].visible);
        QCOMPARE(p.rows[readout::Shift1].top, 29);
        QCOMPARE(p.rows[readout::Shift3].top, 73);
        QVERIFY(p.rows[readout::RT].red);
        QVERIFY(!p.rows[readout::Shift3].red);

        run.shift = {};
        QCOMPARE(readout::single(run, 0, point).height, 34);
    }

    void hits()
    {
        const QList<QPointF> points{{1, 0.5}, {2, 0.6}, {3, 0.4}};
        const QList<QPointF> pixels{{10, 50}, {20, 40}, {30, 60}};
        // Qt reports the data point itself for a marker hit.
        QCOMPARE(readout::hitPoint(points, {2, 0.6}, pixels, {0, 0}, false, 5), 1);
        // Otherwise a marker counts within reach, a line only where lines count.
        QCOMPARE(readout::hitPoint(points, {2.9, 0.41}, pixels, {29, 58}, false, 5), 2);
        QCOMPARE(readout::hitPoint(points, {1.5, 0.55}, pixels, {15, 45}, false, 5), -1);
        QCOMPARE(readout::hitPoint(points, {1.4, 0.55}, pixels, {14, 46}, true, 5), 0);
        QCOMPARE(readout::hitPoint(points, {2.6, 0.5}, pixels, {26, 52}, true, 5), 2);
        QCOMPARE(readout::hitPoint({}, {1, 0.5}, {}, {10, 50}, true, 5), -1);
    }

    // The run axis of an empty chart and of 1, 2, 12, 25 and 50 runs (each range as the chart
    // fits it, half a run beyond the first and last): ticks on whole run numbers only, at most
    // six of them.
    void runAxisTicks_data()
    {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<QList<int>>("ticks");
        QTest::newRow("empty") << 0.0 << 1.0 << QList<int>{0, 1};
        QTest::newRow("1 run") << 0.5 << 1.5 << QList<int>{1};
        QTest::newRow("2 runs") << 0.5 << 2.5 << QList<int>{1, 2};
        QTest::newRow("5 runs") << 0.5 << 5.5 << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("12 runs") << 0.5 << 12.5 << QList<int>{2, 4, 6, 8, 10, 12};
        QTest::newRow("25 runs") << 0.5 << 25.5 << QList<int>{5, 10, 15, 20, 25};
        QTest::newRow("50 runs") << 0.5 << 50.5 << QList<int>{10, 20, 30, 40, 50};
    }
    void runAxisTicks()
    {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(QList<int>, ticks);
        const readout::Ticks t = readout::runTicks(min, max);
        QList<int> shown;
        for (double x = t.first; x <= max; x += t.step) {
            QCOMPARE(x, std::round(x));
            shown.append(int(x));
        }
        QCOMPARE(shown, ticks);
    }

    // Export writes only CSV files: a run file list shows .txt files, and a CSV among them
    // would not load.
    void exportSaveNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("message");
        const int cancel = int(csv::SaveChoice::Action::Cancel);
        const int write = int(csv::SaveChoice::Action::Write);
        const int again = int(csv::SaveChoice::Action::AskAgain);
        QTest::newRow("cancelled") << QString() << cancel << QString() << false;
        QTest::newRow("csv") << "/s/RUN1.csv" << write << "/s/RUN1.csv" << false;
        QTest::newRow("CSV") << "/s/RUN1.CSV" << write << "/s/RUN1.CSV" << false;
        QTest::newRow("no extension") << "/s/RUN1" << again << "/s/RUN1.csv" << false;
        QTest::newRow("txt") << "/s/RUNX.txt" << again << "/s/RUNX.txt" << true;
        QTest::newRow("csv, then txt") << "/s/RUN1.csv.txt" << again << "/s/RUN1.csv.txt" << true;
        QTest::newRow("trailing dot") << "/s/RUN1." << again << "/s/RUN1." << true;
        QTest::newRow("only the extension") << "/s/.csv" << again << "/s/.csv" << true;
    }
    void exportSaveNames()
    {
        QFETCH(QString, chosen);
        QFETCH(int, action);
        QFETCH(QString, path);
        QFETCH(bool, message);
        const csv::SaveChoice choice = csv::saveChoice(chosen);
        QCOMPARE(int(choice.action), action);
        QCOMPARE(choice.path, path);
        QCOMPARE(!choice.message.isEmpty(), message);
    }
};

QTEST_GUILESS_MAIN(RunFileTest)
#include "test_runfile.moc"
