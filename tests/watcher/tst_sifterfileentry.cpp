#include "SifterTestSupport.h"

#include "DocumentWindow.h"
#include "MyDocument.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

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

        const QString fixed = QStringLiteral("cachegrind\\..*");
        QTest::newRow("default pattern") << "cachegrind.out.12345" << false << fixed << true;
        QTest::newRow("whole name must match") << "my.cachegrind.out" << false << fixed << false;
        QTest::newRow("case counts") << "Cachegrind.out.1" << false << fixed << false;
        QTest::newRow("full stop is literal") << "cachegrindXout" << false << fixed << false;
        QTest::newRow("custom pattern ignored while off") << "prof.1" << false << "prof\\..*" << false;
        QTest::newRow("custom pattern") << "prof.1" << true << "prof\\..*" << true;
        QTest::newRow("custom pattern replaces default") << "cachegrind.out.1" << true << "prof\\..*" << false;
        QTest::newRow("alternation anchored as a whole") << "xb" << true << "a|b" << false;
        QTest::newRow("alternation") << "b" << true << "a|b" << true;
        QTest::newRow("invalid pattern") << "(" << true << "(" << false;
        QTest::newRow("unbalanced group cannot escape anchors") << "xa" << true << "x)|(?:y" << false;
        QTest::newRow("unbalanced group, other side") << "ay" << true << "x)|(?:y" << false;
        QTest::newRow("empty pattern") << "name" << true << "" << false;
        QTest::newRow("non-ASCII name") << QStringLiteral("cachegrind.out.\u00fcml") << false << fixed << true;
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
        QVERIFY(fixture.write(name));

        const SifterFileEntry entry(name, fixture.registry);
        QCOMPARE(entry.fileMatched(), matched);
        QCOMPARE(entry.status(), matched ? SifterStatusReadyToOpen : SifterStatusNotMatching);
        defaults().removeObjectForKey(VTCSifterRegexUseCustom);
        defaults().removeObjectForKey(VTCSifterRegex);
    }

    void readsAttributesOnce()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1", QByteArray(1536, 'x')));
        const SifterFileEntry entry("cachegrind.out.1", fixture.registry);
        QCOMPARE(entry.fileName(), QStringLiteral("cachegrind.out.1"));
        QCOMPARE(entry.urlPath(), QUrl::fromLocalFile(fixture.path("cachegrind.out.1")));
        QCOMPARE(entry.fileSize(), 1536);

        const QFileInfo info(fixture.path("cachegrind.out.1"));
        const QDateTime expected = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(entry.creationDateTime(), expected);
        static const QRegularExpression dateForm(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}$"));
        QVERIFY2(dateForm.match(entry.creationDate()).hasMatch(), qPrintable(entry.creationDate()));
        QVERIFY(entry.creationDate().startsWith(expected.toLocalTime().toString("yyyy-MM-dd HH:mm:ss")));

        // Growing afterwards changes nothing.
        QVERIFY(writeFile(fixture.path("cachegrind.out.1"), "more", QIODevice::Append));
        QCOMPARE(entry.fileSize(), 1536);
    }

    void creationDateOffset()
    {
        qputenv("TZ", "Asia/Kolkata");
        SifterFixture fixture;
        QVERIFY(fixture.write("f"));
        const SifterFileEntry entry("f", fixture.registry);
        QVERIFY2(entry.creationDate().endsWith(" +0530"), qPrintable(entry.creationDate()));
        qputenv("TZ", "America/St_Johns");
        const SifterFileEntry later("f", fixture.registry);
        QVERIFY2(later.creationDate().endsWith(" -0330") || later.creationDate().endsWith(" -0230"),
                 qPrintable(later.creationDate()));
        qunsetenv("TZ");
    }

    void vanishedFile()
    {
        SifterFixture fixture;
        const SifterFileEntry entry("cachegrind.out.gone", fixture.registry);
        QCOMPARE(entry.fileSize(), 0);
        QVERIFY(entry.creationDate().isNull());
        QVERIFY(entry.fileMatched());
        QCOMPARE(entry.status(), SifterStatusReadyToOpen);
    }

    void directoryWithTrailingSlash()
    {
        SifterFixture fixture;
        defaults().setObjectForKey(fixture.directory.path() + "/", VTCSifterMonitorDirectory);
        QVERIFY(fixture.write("cachegrind.out.1"));
        SifterFileEntry entry("cachegrind.out.1", fixture.registry);
        QCOMPARE(entry.filePath(), fixture.directory.path() + "//cachegrind.out.1");
        QCOMPARE(entry.fileSize(), smallProfile.size());
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpen);
        QCOMPARE(fixture.registry.documents().size(), 1);
    }

    void nonMatchingNeverOpens()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("profile.txt"));
        SifterFileEntry entry("profile.txt", fixture.registry);
        entry.openDocument();
        entry.showDocument();
        QCOMPARE(entry.status(), SifterStatusNotMatching);
        QVERIFY(fixture.registry.documents().isEmpty());
    }

    void openShowAndClose()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1"));
        SifterFileEntry entry("cachegrind.out.1", fixture.registry);
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpen);
        MyDocument *document = entry.document();
        QVERIFY(document);
        QCOMPARE(fixture.registry.documentForURL(entry.urlPath()), document);

        // Open already: nothing more is opened; showing brings it back.
        entry.openDocument();
        QCOMPARE(fixture.registry.documents().size(), 1);
        document->window()->hide();
        entry.showDocument();
        QVERIFY(document->window()->isVisible());

        // A second entry for the same name finds the open document.
        const SifterFileEntry again("cachegrind.out.1", fixture.registry);
        QCOMPARE(again.status(), SifterStatusOpen);

        fixture.registry.closeDocument(document);
        entry.checkDocument();
        QCOMPARE(entry.status(), SifterStatusReadyToOpen);
        QVERIFY(!entry.document());
        QVERIFY(fixture.alerts.isEmpty());
    }

    void failedOpen_data()
    {
        QTest::addColumn<bool>("asDirectory");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("directory") << true << QByteArray();
        QTest::newRow("corrupt gzip") << false << QByteArray("\x1f\x8b\x08\x00garbage-not-deflate", 24);
    }

    void failedOpen()
    {
        QFETCH(bool, asDirectory);
        QFETCH(QByteArray, contents);
        SifterFixture fixture;
        const QString name = QStringLiteral("cachegrind.out.bad");
        if (asDirectory)
            QVERIFY(QDir(fixture.directory.path()).mkdir(name));
        else
            QVERIFY(fixture.write(name, contents));

        SifterFileEntry entry(name, fixture.registry);
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        QVERIFY(!entry.document());
        QCOMPARE(fixture.alerts.size(), 1);
        QVERIFY2(fixture.alerts.first().contains(name), qPrintable(fixture.alerts.first()));

        // Asked again, it tries again.
        entry.showDocument();
        QCOMPARE(fixture.alerts.size(), 2);
        // Matching changes leave the failure shown.
        entry.checkFileMatched();
        entry.checkDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);

        // Made readable and opened again: the failure is over.
        if (asDirectory)
            QVERIFY(QDir(fixture.path(name)).removeRecursively());
        QVERIFY(fixture.write(name));
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpen);
    }

    void failureStaysWhenOpenedElsewhere()
    {
        SifterFixture fixture;
        const QString name = QStringLiteral("cachegrind.out.late");
        SifterFileEntry entry(name, fixture.registry);
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);

        QVERIFY(fixture.write(name));
        MyDocument *document = fixture.registry.openDocumentWithContentsOfURL(entry.urlPath(), true);
        QVERIFY(document);
        entry.checkDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        QCOMPARE(entry.document(), document);
        document->window()->hide();
        entry.showDocument();
        QVERIFY(document->window()->isVisible());
        QCOMPARE(fixture.registry.documents().size(), 1);
    }
};

QTEST_MAIN(TestSifterFileEntry)
#include "tst_sifterfileentry.moc"
