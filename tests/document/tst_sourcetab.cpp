#include "RecordingAlertPresenter.h"
#include "TestProfiles.h"

#include "EditorLauncher.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SourceLinesModel.h"
#include "SourceTab.h"

#include <KFUserDefaultsController.h>

#include <QAbstractItemModelTester>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// main, recorded in /srv/app/index.php from line 3, calls helper from line 5.
const QByteArray profileText = "version: 1\ncreator: test\ncmd: /srv/app/index.php\npart: 1\n\nevents: Time\n\n"
                               "fl=/srv/app/lib.php\nfn=helper\n1 5\n\n"
                               "fl=/srv/app/index.php\nfn=main\n3 8\ncfn=helper\ncalls=1 0 0\n5 5\n\n";

const QByteArray indexText = "<?php\n\nfunction main() {\n    $a = 1;\n    helper();\n}\n";

void setSetting(const QString &key, const QVariant &value)
{
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(value, key);
}

} // namespace

class TestSourceTab : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        registerSettingsDefaults();
        QVERIFY(!writeFile(m_dir.filePath(QStringLiteral("app/index.php")), indexText).isEmpty());
    }
    void cleanup()
    {
        setSetting(VTCPathMappings, QVariant());
        setSetting(VTCEditorCommand, QVariant());
    }

    // The selected call's file read through the mappings, or why not.
    void showsFile_data()
    {
        QTest::addColumn<QString>("mapping");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("messageStart");
        QTest::newRow("mapped") << u"/srv/app=%1/app"_s << 6 << QString();
        QTest::newRow("not mapped") << QString() << 0
                                    << u"The file \u201c/srv/app/index.php\u201d could not be read: "_s;
        QTest::newRow("mapped where there is none")
            << u"/srv=%1/elsewhere"_s << 0 << u"The file \u201c%1/elsewhere/app/index.php\u201d could not be read: "_s;
    }
    void showsFile()
    {
        QFETCH(QString, mapping);
        QFETCH(int, rows);
        QFETCH(QString, messageStart);
        if (!mapping.isEmpty())
            setSetting(VTCPathMappings, QStringList { mapping.arg(m_dir.path()) });
        const ReadProfile profile(profileText);
        SourceTab tab;
        QAbstractItemModelTester tester(&tab.linesModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy shown(&tab, &SourceTab::sourceShown);
        tab.showProfile(profile);
        tab.showCall(profile.rootFunction());
        QVERIFY(shown.wait());
        QCOMPARE(tab.linesModel().rowCount(), rows);
        messageStart.replace(u"%1"_s, m_dir.path());
        QCOMPARE(tab.message().left(messageStart.size()), messageStart);
        QCOMPARE(tab.findChild<QPushButton *>(u"setUpPathMappingButton"_s)->isVisibleTo(&tab), rows == 0);
        if (rows == 0) {
            QVERIFY(tab.message().contains(u"No such file"_s));
            QVERIFY(!tab.selectedLocation());
            return;
        }
        // The call's first line is selected; the next hot line is its call.
        QCOMPARE(tab.linesView().currentIndex().row(), 2);
        tab.nextHotLine();
        QCOMPARE(tab.selectedLocation()->line, 5u);
        QCOMPARE(tab.selectedLocation()->path, u"/srv/app/index.php"_s);

        // Mappings changed elsewhere are followed.
        setSetting(VTCPathMappings, QVariant());
        QVERIFY(shown.wait());
        QVERIFY(tab.message().startsWith(u"The file \u201c/srv/app/index.php\u201d"_s));
    }

    // Open in Editor maps the path and passes it, spaces, quotes and ";"
    // included, as one argument; a file that is not there is told of.
    void opensInEditor_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("alert");
        QTest::newRow("there") << u"a b;'c\".php"_s << true << QString();
        QTest::newRow("missing")
            << QString() << false
            << u"The file \u201c/srv/app/gone.php\u201d could not be opened in an editor.|There is "
               "no file at \u201c%1/app/gone.php\u201d."_s;
    }
    void opensInEditor()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, written);
        QFETCH(QString, alert);
        const QString output = m_dir.filePath(u"editor-%1.txt"_s.arg(QTest::currentDataTag()).replace(' ', '-'));
        if (written)
            QVERIFY(!writeFile(m_dir.filePath(u"app/"_s + fileName), "<?php\n").isEmpty());
        setSetting(VTCPathMappings, QStringList { u"/srv/app=%1/app"_s.arg(m_dir.path()) });
        setSetting(VTCEditorCommand, u"/bin/sh -c 'printf \"%s\\n\" \"$@\" > \"$0\"' '%1' %l %f"_s.arg(output));
        QStringList alerts;
        RecordingAlertPresenter presenter(alerts);
        EditorLauncher launcher(presenter);
        const QString recorded = u"/srv/app/"_s + (written ? fileName : u"gone.php"_s);
        QCOMPARE(launcher.open(nullptr, { recorded, 7 }), written);
        if (!written) {
            QVERIFY(alerts.size() == 1 && alerts.first().startsWith(alert.arg(m_dir.path())));
            QVERIFY(!QFile::exists(output));
            return;
        }
        QVERIFY(alerts.isEmpty());
        QFile file(output);
        QTRY_VERIFY(file.size() > 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), u"7\n%1/app/%2\n"_s.arg(m_dir.path(), fileName));
    }
};

QTEST_MAIN(TestSourceTab)
#include "tst_sourcetab.moc"
