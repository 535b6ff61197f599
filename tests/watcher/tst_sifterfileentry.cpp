#include "SifterTestSupport.h"

#include <QFileInfo>

class TestSifterFileEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matching_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("useCustom");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matched");
        QTest::newRow("default pattern") << "cachegrind.out.1" << false << "x" << true;
        QTest::newRow("whole name must match") << "my.cachegrind.out" << false << "x" << false;
        QTest::newRow("case counts") << "Cachegrind.out.1" << false << "x" << false;
        QTest::newRow("full stop is literal") << "cachegrindXout" << false << "x" << false;
        QTest::newRow("custom pattern replaces default") << "cachegrind.out.1" << true << "p\\..*" << false;
        QTest::newRow("alternation") << "b" << true << "a|b" << true;
        QTest::newRow("alternation anchored as a whole") << "xb" << true << "a|b" << false;
        QTest::newRow("unbalanced group cannot escape anchors") << "xa" << true << "x)|(?:y" << false;
        QTest::newRow("invalid pattern") << "(" << true << "(" << false;
        QTest::newRow("empty pattern") << "name" << true << "" << false;
    }

    void matching()
    {
        QFETCH(QString, name);
        QFETCH(bool, useCustom);
        QFETCH(QString, pattern);
        QFETCH(bool, matched);
        SifterFixture fixture;
        defaults().setObjectForKey(useCustom, VTCSifterRegexUseCustom);
        defaults().setObjectForKey(pattern, VTCSifterRegex);
        QCOMPARE(SifterFileEntry(name, fixture.registry).status(),
            matched ? SifterStatusReadyToOpen : SifterStatusNotMatching);
    }

    void attributesReadOnce()
    {
        SifterFixture fixture;
        const QString name = QStringLiteral("cachegrind.out.1");
        QVERIFY(fixture.write(name, QByteArray(1536, 'x')));
        const SifterFileEntry entry(name, fixture.registry);
        QVERIFY(writeFile(fixture.path(name), "more", QIODevice::Append));
        QCOMPARE(entry.fileSize(), 1536);
        const QFileInfo info(fixture.path(name));
        const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(entry.creationDateTime(), created);
        QCOMPARE(entry.creationDate().left(20), created.toLocalTime().toString("yyyy-MM-dd HH:mm:ss "));

        // The local offset, with its sign and minutes.
        qputenv("TZ", "Asia/Kolkata");
        QCOMPARE(SifterFileEntry(name, fixture.registry).creationDate().right(6), QStringLiteral(" +0530"));
        qputenv("TZ", "America/St_Johns");
        const QString date = SifterFileEntry(name, fixture.registry).creationDate();
        qunsetenv("TZ");
        QVERIFY2(date.endsWith(" -0330") || date.endsWith(" -0230"), qPrintable(date));
    }

    // A file gone before it was read; its failed open is remembered and
    // retried on request until it works.
    void vanishedFileAndFailedOpen()
    {
        SifterFixture fixture;
        const QString name = QStringLiteral("cachegrind.out.gone");
        SifterFileEntry entry(name, fixture.registry);
        QCOMPARE(entry.fileSize(), 0);
        QVERIFY(entry.creationDate().isNull());
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        QVERIFY(fixture.alerts->messages.value(0).contains(name));
        entry.checkFileMatched();
        entry.checkDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        entry.showDocument();
        QCOMPARE(fixture.alerts->messages.size(), 2);
        QVERIFY(fixture.write(name));
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpen);
    }
};

QTEST_MAIN(TestSifterFileEntry)
#include "tst_sifterfileentry.moc"
