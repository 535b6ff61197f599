#include "PreferencePanePaths.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QAbstractButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

class TestPreferencePanePaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerSettingsDefaults(); }
    void cleanup() { settings().setObjectForKey(QVariant(), VTCPathMappings); }

    // Set Up Path Mapping for a recorded file: a mapping of its folder,
    // added once, then the local prefix the user types is stored.
    void proposedMapping_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none yet") << QStringList() << QStringList { u"/srv/app/src=/home/me/app/src"_s };
        QTest::newRow("another one") << QStringList { u"/opt=/o"_s }
                                     << QStringList { u"/opt=/o"_s, u"/srv/app/src=/home/me/app/src"_s };
        QTest::newRow("this one, unfinished")
            << QStringList { u"/srv/app/src="_s } << QStringList { u"/srv/app/src=/home/me/app/src"_s };
    }
    void proposedMapping()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        settings().setObjectForKey(stored, VTCPathMappings);
        PreferencePanePaths pane;
        pane.proposeMapping(u"/srv/app/src/Cart.php"_s);
        QTableWidget *table = pane.mappingTable();
        QCOMPARE(table->rowCount(), expected.size());
        const int row = table->currentRow();
        QCOMPARE(table->item(row, 0)->text(), u"/srv/app/src"_s);
        table->item(row, 1)->setText(u"/home/me/app/src"_s);
        QCOMPARE(settings().objectForKey(VTCPathMappings).toStringList(), expected);

        // A change made elsewhere shows; removing a row stores the rest.
        settings().setObjectForKey(QStringList { u"/a=/b"_s, u"/c=/d"_s }, VTCPathMappings);
        QCOMPARE(table->rowCount(), 2);
        table->selectRow(0);
        pane.loadedView()->findChild<QAbstractButton *>(u"removePathMappingButton"_s)->click();
        QCOMPARE(settings().objectForKey(VTCPathMappings).toStringList(), QStringList { u"/c=/d"_s });
    }
};

QTEST_MAIN(TestPreferencePanePaths)
#include "tst_preferencepanepaths.moc"
