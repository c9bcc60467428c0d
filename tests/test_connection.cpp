#include "device/Connection.h"
#include "tests/support/TestSupport.h"

// The handshake's values: the date and time text and the reading of the version.
class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void dateTimeText_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("text");
        const auto at = [](int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s)); };
        QTest::newRow("2019-03-22 14:05:09") << at(2019, 3, 22, 14, 5, 9) << QStringLiteral("0390322140504");
        QTest::newRow("last second of 2019") << at(2019, 12, 31, 23, 59, 59) << QStringLiteral("0391231235929");
        QTest::newRow("1990, all single digits") << at(1990, 1, 1, 0, 0, 1) << QStringLiteral("0100101000000");
        QTest::newRow("2079") << at(2079, 6, 15, 9, 30, 20) << QStringLiteral("0990615093010");
        QTest::newRow("2080 gives 14 digits") << at(2080, 1, 1, 0, 0, 0) << QStringLiteral("10001010000" "00");
    }
    void dateTimeText()
    {
        QFETCH(QDateTime, moment);
        QFETCH(QString, text);
        QCOMPARE(::dateTimeText(moment), text);
    }

    void version_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<double>("number"); // -1: not a number
        QTest::addColumn<bool>("rallycross");
        QTest::newRow("1.24 plain") << QStringLiteral("1.24  ") << 1.24 << false;
        QTest::newRow("1.08") << QStringLiteral("1.08  ") << 1.08 << false;
        QTest::newRow("rallycross, upper case") << QStringLiteral("1.24 R") << 1.24 << true;
        QTest::newRow("rallycross, lower case") << QStringLiteral("2.00r ") << 2.0 << true;
        QTest::newRow("not a number") << QStringLiteral("beta  ") << -1.0 << false;
        QTest::newRow("decimal comma is not a number") << QStringLiteral("1,09  ") << -1.0 << false;
    }
    void version()
    {
        QFETCH(QString, version);
        QFETCH(double, number);
        QFETCH(bool, rallycross);
        const std::optional<double> read = versionNumber(version);
        QCOMPARE(read.has_value(), number >= 0);
        if (read)
            QCOMPARE(*read, number);
        QCOMPARE(hasRallycross(version), rallycross);
    }

    void versionIgnoresTheUsersDecimalSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(versionNumber(QStringLiteral("1.08  ")).value_or(-1), 1.08);
        QLocale::setDefault(QLocale::c());
    }
};

MIRELON_TEST_MAIN(ConnectionTest)
#include "test_connection.moc"
