#include "history/AxisFit.h"

#include <QTest>

#include <cmath>

using history::AxisRange;

class AxisRangeTest : public QObject {
    Q_OBJECT

private slots:
    void ranges_data()
    {
        QTest::addColumn<QList<QPointF>>("points");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("floored");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // Room of a tenth of the span, or 2 % of the top, on each side.
        QTest::newRow("spread points") << QList<QPointF>{{0, 0.5}, {1, 0.6}} << 3 << true << 0.488 << 0.612;
        QTest::newRow("one point") << QList<QPointF>{{0, 0.5}} << 3 << true << 0.49 << 0.51;
        // One session of a small value: at least ten steps of the last decimal shown, so that
        // the ticks do not all read the same.
        QTest::newRow("one small point") << QList<QPointF>{{0, 0.1}} << 3 << true << 0.095 << 0.105;
        QTest::newRow("one point, whole numbers") << QList<QPointF>{{0, 4.0}} << 0 << true << 0.0 << 10.0;
        // No points: up to the fallback.
        QTest::newRow("nothing") << QList<QPointF>{} << 3 << true << 0.0 << 0.66;
        // Red lights never below 0; reaction times may be.
        QTest::newRow("floored at 0") << QList<QPointF>{{0, 0.0}, {1, 10.0}} << 0 << true << 0.0 << 11.0;
        QTest::newRow("not floored") << QList<QPointF>{{0, -0.1}, {1, 0.1}} << 3 << false << -0.12 << 0.12;
    }
    void ranges()
    {
        QFETCH(QList<QPointF>, points);
        QFETCH(int, decimals);
        QFETCH(bool, floored);
        QFETCH(double, low);
        QFETCH(double, high);
        const AxisRange range = history::axisRange(history::spanOf({&points}), 0.6, decimals,
                                                   floored ? std::optional<double>(0.0) : std::nullopt);
        QVERIFY2(std::abs(range.low - low) < 1e-9 && std::abs(range.high - high) < 1e-9,
                 qPrintable(QStringLiteral("%1 .. %2").arg(range.low).arg(range.high)));
    }
};

QTEST_GUILESS_MAIN(AxisRangeTest)
#include "test_axis_range.moc"
