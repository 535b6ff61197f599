#include "Cost.h"
#include "CostFormat.h"
#include "ProfileEvent.h"

#include <QTest>

#include <limits>

namespace {

constexpr quint64 maxUnsigned = std::numeric_limits<quint64>::max();
constexpr qint64 maxSigned = std::numeric_limits<qint64>::max();
constexpr qint64 minSigned = std::numeric_limits<qint64>::min();

} // namespace

class TestCostFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void costs_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<qint64>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("time in its unit") << "Time_(10ns)" << qint64(123456) << "1.2ms";
        QTest::newRow("time too small") << "Time" << qint64(50) << "-";
        QTest::newRow("largest time") << "Time" << qint64(-1) << "18446744073709552.0ms";
        QTest::newRow("bytes") << "Memory_(bytes)" << qint64(512) << "512 bytes";
        QTest::newRow("mebibytes") << "Memory" << qint64(1572864) << "1.50 MiB";
        QTest::newRow("negative memory") << "Memory_(bytes)" << qint64(-3072) << "-3.00 KiB";
        QTest::newRow("lowest memory") << "Memory" << minSigned << "-8.00 EiB";
        QTest::newRow("other event") << "Queries" << qint64(-42) << "-42";
        QTest::newRow("no time event, peak memory") << "Peakmemory" << qint64(2048) << "2048";
    }

    void costs()
    {
        QFETCH(QString, event);
        QFETCH(qint64, bits);
        QFETCH(QString, text);
        const ProfileEvent profileEvent(event);
        QCOMPARE(CostFormat::costString(profileEvent, profileEvent.cost(quint64(bits)), 1, true), text);
    }

    void names_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("named");
        QTest::newRow("whole name") << "Memory_(bytes)"
                                    << "Memory_(bytes)" << true;
        QTest::newRow("without unit") << "Memory_(bytes)"
                                      << "memory" << true;
        QTest::newRow("any case") << "Time_(10ns)"
                                  << "TIME" << true;
        QTest::newRow("plain name") << "Memory"
                                    << "memory" << true;
        QTest::newRow("prefix only") << "Memory_(bytes)"
                                     << "Mem" << false;
        QTest::newRow("unit only") << "Memory_(bytes)"
                                   << "(bytes)" << false;
        QTest::newRow("other event") << "Peakmemory"
                                     << "memory" << false;
    }

    void names()
    {
        QFETCH(QString, event);
        QFETCH(QString, asked);
        QFETCH(bool, named);
        QCOMPARE(ProfileEvent(event).isNamed(asked), named);
    }

    void arithmetic_data()
    {
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("right");
        QTest::addColumn<qint64>("sum");
        QTest::addColumn<qint64>("halfOfSum");
        QTest::newRow("unsigned") << false << qint64(7) << qint64(8) << qint64(15) << qint64(7);
        QTest::newRow("unsigned saturates")
            << false << qint64(maxUnsigned) << qint64(3) << qint64(maxUnsigned) << qint64(maxUnsigned / 2);
        QTest::newRow("signed below zero") << true << qint64(5) << qint64(-12) << qint64(-7) << qint64(-3);
        QTest::newRow("signed saturates up") << true << maxSigned << qint64(1) << maxSigned << maxSigned / 2;
        QTest::newRow("signed saturates down") << true << minSigned << qint64(-1) << minSigned << minSigned / 2;
        QTest::newRow("opposite signs never saturate") << true << minSigned << maxSigned << qint64(-1) << qint64(0);
    }

    void arithmetic()
    {
        QFETCH(bool, isSigned);
        QFETCH(qint64, left);
        QFETCH(qint64, right);
        QFETCH(qint64, sum);
        QFETCH(qint64, halfOfSum);
        const quint64 bits = Cost::addBits(quint64(left), quint64(right), isSigned);
        QCOMPARE(bits, quint64(sum));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(2).bits(), quint64(halfOfSum));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(0).bits(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestCostFormat)
#include "tst_costformat.moc"
