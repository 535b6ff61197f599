#include "DataColumns.h"
#include "CostFormat.h"
#include "CostUnit.h"
#include "Formatter.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QTest>

#include <cmath>

class FormatterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerSettingsDefaults(); }

    void timeCostString_data()
    {
        addColumns<double, qint64, bool, QString>("microseconds", "measurement", "displayDash", "expected");

        QTest::newRow("zero, seconds, dash") << 0.0 << qint64(0) << true << "-";
        QTest::newRow("zero, milliseconds, dash") << 0.0 << qint64(1) << true << "-";
        QTest::newRow("zero, microseconds, dash") << 0.0 << qint64(2) << true << "-";
        QTest::newRow("zero, seconds") << 0.0 << qint64(0) << false << "0.000s";
        QTest::newRow("zero, milliseconds") << 0.0 << qint64(1) << false << "0.0ms";
        QTest::newRow("zero, microseconds") << 0.0 << qint64(2) << false << QStringLiteral("0\u00b5s");
        // The single-precision thresholds sit just above 0.001 and 0.1.
        QTest::newRow("1000 is below a thousandth of a second") << 1000.0 << qint64(0) << true << "-";
        QTest::newRow("1001 seconds") << 1001.0 << qint64(0) << true << "0.001s";
        QTest::newRow("100 is below a tenth of a millisecond") << 100.0 << qint64(1) << true << "-";
        QTest::newRow("101 milliseconds") << 101.0 << qint64(1) << true << "0.1ms";
        QTest::newRow("1 microsecond") << 1.0 << qint64(2) << true << QStringLiteral("1\u00b5s");
        QTest::newRow("example, seconds") << 1234567.0 << qint64(0) << true << "1.235s";
        QTest::newRow("example, milliseconds") << 1234567.0 << qint64(1) << true << "1234.6ms";
        QTest::newRow("example, microseconds") << 1234567.0 << qint64(2) << true << QStringLiteral("1234567\u00b5s");
        QTest::newRow("largest 32-bit time") << 4294967295.0 << qint64(0) << true << "4294.967s";
        QTest::newRow("beyond 32 bits") << 1099511627776.0 << qint64(0) << true << "1099511.628s";
        QTest::newRow("unknown unit 3") << 5.0 << qint64(3) << true << "unknown measurement format";
        QTest::newRow("unknown unit -1") << 0.0 << qint64(-1) << false << "unknown measurement format";
    }

    void timeCostString()
    {
        QFETCH(double, microseconds);
        QFETCH(qint64, measurement);
        QFETCH(bool, displayDash);
        QFETCH(QString, expected);
        QCOMPARE(CostFormat::timeCostString(microseconds, measurement, displayDash), expected);

        // The shared formatter reads the same two settings at every call.
        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        defaults.setObjectForKey(measurement, VTCMeasurement);
        defaults.setObjectForKey(displayDash, VTCDisplayDash);
        QCOMPARE(Formatter::standardFormatter().getTimeCostString(microseconds), expected);
    }

    void withPercentage_data()
    {
        addColumns<double, double, qint64, bool, QString>(
            "time", "reference", "measurement", "displayDash", "expected");

        QTest::newRow("quarter, milliseconds") << 500.0 << 2000.0 << qint64(1) << true << "0.5ms (25.00%)";
        QTest::newRow("quarter, seconds") << 500.0 << 2000.0 << qint64(0) << false << "0.001s (25.00%)";
        QTest::newRow("dashed time has no share") << 500.0 << 2000.0 << qint64(0) << true << "-";
        QTest::newRow("whole") << 20.0 << 20.0 << qint64(2) << true << QStringLiteral("20\u00b5s (100.00%)");
        QTest::newRow("half") << 1000000.0 << 2000000.0 << qint64(0) << true << "1.000s (50.00%)";
        QTest::newRow("zero of zero") << 0.0 << 0.0 << qint64(1) << false << "0.0ms (nan%)";
        QTest::newRow("some of zero") << 5.0 << 0.0 << qint64(1) << false << "0.0ms (inf%)";
        QTest::newRow("unknown unit takes a share")
            << 1.0 << 4.0 << qint64(7) << true << "unknown measurement format (25.00%)";
    }

    void withPercentage()
    {
        QFETCH(double, time);
        QFETCH(double, reference);
        QFETCH(qint64, measurement);
        QFETCH(bool, displayDash);
        QFETCH(QString, expected);
        QCOMPARE(CostFormat::timeCostStringWithPercentage(time, reference, measurement, displayDash), expected);

        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        defaults.setObjectForKey(measurement, VTCMeasurement);
        defaults.setObjectForKey(displayDash, VTCDisplayDash);
        QCOMPARE(Formatter::standardFormatter().getTimeCostStringWithPercentage(time, reference), expected);
    }

    void tenNanosecondCosts()
    {
        // Current profilers count in units of 10 ns.
        const CostUnit unit = CostUnit::fromEventName("Time_(10ns)");
        QCOMPARE(CostFormat::timeCostString(unit.toMicroseconds(1000000000), 0, true), QStringLiteral("10.000s"));
        // 100000 x 10 ns is exactly one millisecond, and so still dashed in seconds.
        QCOMPARE(CostFormat::timeCostString(unit.toMicroseconds(100000), 0, true), QStringLiteral("-"));
        QCOMPARE(CostFormat::timeCostString(unit.toMicroseconds(100001), 1, true), QStringLiteral("1.0ms"));
    }
};

QTEST_GUILESS_MAIN(FormatterTest)
#include "tst_formatter.moc"
