#include "report/ReportData.h"
#include "tests/support/RunFiles.h"

#include <QTest>

// What a report says, before it is drawn: paper, figures and runs, the device, the format.
class ReportDataTest : public QObject {
    Q_OBJECT

private slots:
    void paperByTerritory_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("paper");
        QTest::newRow("United States") << "en_US" << int(QPageSize::Letter);
        QTest::newRow("Canada, French") << "fr_CA" << int(QPageSize::Letter);
        QTest::newRow("Mexico") << "es_MX" << int(QPageSize::Letter);
        QTest::newRow("Philippines") << "fil_PH" << int(QPageSize::Letter);
        QTest::newRow("United Kingdom") << "en_GB" << int(QPageSize::A4);
        QTest::newRow("Germany") << "de_DE" << int(QPageSize::A4);
        QTest::newRow("Spain") << "es_ES" << int(QPageSize::A4);
        QTest::newRow("C") << "C" << int(QPageSize::A4);
    }
    void paperByTerritory()
    {
        QFETCH(QString, locale);
        QFETCH(int, paper);
        QCOMPARE(int(report::paperFor(QLocale(locale))), paper);
    }

    // The figures as the Statistics group shows them; one row per run with the present shift
    // columns; times in the locale's form, as the readout shows them.
    void runFileFacts()
    {
        RunFileBytes full;
        full.runs(3).reds(1).wins(2).average(1500).spread(12345).shiftAverage(1, 1230).shiftAverage(2, 2000)
            .shiftAverage(3, 10000).noShift(3);
        for (int r = 1; r <= 3; ++r)
            full.rt(r, 400 + r).bump(r, r).shift(r, 1, 1500 + r).shift(r, 2, 2500 + r).shift(r, 4, 4000 + r);
        const QLocale german(QLocale::German, QLocale::Germany);
        const report::RunFileFacts facts = report::runFileFacts(runfile::decode(full.bytes(), german), german);
        QStringList figures;
        for (const report::Figure &f : facts.figures)
            figures << f.caption + QLatin1Char('=') + f.value;
        // One separator on the page: the window's "1.500" is written as the locale writes it.
        QCOMPARE(figures, (QStringList{"Runs=3", "Reds=1", "Wins=2", "Average=1,500", "Spread=12,345",
                                       "Shift 1 Avg=1,23", "Shift 2 Avg=2", "Shift 3 Avg=N/A", "Shift 4 Avg=0"}));
        QCOMPARE(facts.columns, (QStringList{"Run", "RT", "Bump", "Shift 1", "Shift 2", "Shift 4"}));
        QCOMPARE(int(facts.rows.size()), 3);
        QCOMPARE(facts.rows[2], (QStringList{"3", "0,403", "3", "1,503", "2,503", "4,003"}));

        // A short file has neither bump counts nor shift times; 062 runs are 50 rows.
        RunFileBytes shortFile(RunFileBytes::kShort);
        shortFile.runs(62).rt(50, 512);
        const report::RunFileFacts brief = report::runFileFacts(runfile::decode(shortFile.bytes()), QLocale::c());
        QCOMPARE(brief.columns, (QStringList{"Run", "RT"}));
        QCOMPARE(int(brief.rows.size()), 50);
        QCOMPARE(brief.rows.back(), (QStringList{"50", "0.512"}));
    }

    // The window's figures with a leading 0 and the locale's separator; the digits stay as shown.
    void localFigures()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        const std::pair<const char *, const char *> cases[] = {
            {".531", "0,531"}, {"-.512", "-0,512"}, {"1.647", "1,647"}, {"12.345", "12,345"}, {"1,23", "1,23"},
            {"62", "62"},      {"0", "0"},          {"N/A", "N/A"},     {"10.000", "10,000"}, {"", ""},
        };
        for (const auto &[shown, written] : cases)
            QCOMPARE(report::localFigure(QLatin1String(shown), german), QLatin1String(written));
        QCOMPARE(report::localFigure(QStringLiteral(".531"), QLocale::c()), QStringLiteral("0.531"));
    }

    // The latest session of that name that knows its device; a name the history holds only from
    // the folder (device not known) has none.
    void deviceFromHistory()
    {
        const auto session = [](const QString &path, const QString &serial, const QString &firmware) {
            history::Session s;
            s.path = path;
            s.serial = serial;
            s.firmware = firmware;
            return s;
        };
        const std::vector<history::Session> sessions{
            session("/s/A.txt", "VM1", "1.20"), session("/s/B.txt", "", ""), session("/s/A.txt", "VM2", "1.24 R"),
            session("/s/C.txt", "VM3", "1.24"), session("/s/A.txt", "", "")};
        const std::optional<report::Device> a = report::deviceOf(sessions, "A.txt");
        QVERIFY(a);
        QCOMPARE(report::deviceText(a), QStringLiteral("Device: VM2, firmware 1.24 R"));
        QVERIFY(!report::deviceOf(sessions, "B.txt"));
        QVERIFY(!report::deviceOf(sessions, "a.txt"));
        QCOMPARE(report::deviceText(std::nullopt), QStringLiteral("Device: not known"));
    }

    void formatByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format"); // -1: none
        QTest::newRow("pdf") << "/x/RUNS.pdf" << int(report::Format::Pdf);
        QTest::newRow("PDF") << "RUNS.PDF" << int(report::Format::Pdf);
        QTest::newRow("png") << "a.b.png" << int(report::Format::Png);
        QTest::newRow("none") << "RUNS" << -1;
        QTest::newRow("run file") << "RUNS.txt" << -1;
        QTest::newRow("only an extension") << "dir/.pdf" << -1;
    }
    void formatByName()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        const std::optional<report::Format> found = report::formatOf(name);
        QCOMPARE(found ? int(*found) : -1, format);
    }
};

QTEST_GUILESS_MAIN(ReportDataTest)
#include "test_report_data.moc"
