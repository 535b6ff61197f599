#include "CallTreeTestSupport.h"
#include "DataColumns.h"
#include "DocumentOpening.h"

#include "ComparisonModel.h"
#include "ComparisonWindow.h"
#include "DocumentController.h"
#include "FigureDelegate.h"
#include "MyDocument.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The pair compared in one event, its model under the tester.
struct Compared
{
    explicit Compared(const QString &event)
    {
        before.readFromData(profileBefore);
        after.readFromData(profileAfter);
        const int beforeEvent = *before.eventNamed(event);
        model.setComparison(std::make_unique<ProfileComparison>(
            before, beforeEvent, after, *ProfileComparison::matchingEvent(before, beforeEvent, after)));
    }
    Profile before;
    Profile after;
    ComparisonModel model;
    QAbstractItemModelTester tester { &model, QAbstractItemModelTester::FailureReportingMode::QtTest };
};

// The function of the summary's current row, while the summary is in front.
QString summarySelection(const MyDocument &document)
{
    const QTableView *summary = partOf<QTableView>(document, "summaryTableView");
    const QModelIndex current = summary->selectionModel()->currentIndex();
    return current.isValid() && partOf<QTabWidget>(document, "tabView")->currentWidget()->isAncestorOf(summary)
        ? current.siblingAtColumn(SummaryController::FunctionColumn).data().toString()
        : QString();
}

} // namespace

class TestDocumentModels : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &contents) { return writeFile(m_dir.filePath(name), contents); }

private Q_SLOTS:
    void initTestCase() { registerSettingsDefaults(); }

    void init()
    {
        for (const QString &key :
            { VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions, VTCSummaryShowsInternalPhpFunctions })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the example's times are small
    }

    void rows_data()
    {
        addColumns<int, Qt::SortOrder, QString, bool, QString>("column", "order", "filter", "showInternal", "expected");
        const auto change = ComparisonModel::InclusiveChangeColumn;
        QTest::newRow("increases first") << int(change) << Qt::DescendingOrder << QString() << true
                                         << "slow Zap fib include::/var/www/b.php php::count include::/var/www/a.php "
                                            "gone fast";
        QTest::newRow("by name, in any case")
            << int(ComparisonModel::FunctionColumn) << Qt::AscendingOrder << QString() << true
            << "fast fib gone include::/var/www/a.php include::/var/www/b.php php::count slow Zap";
        QTest::newRow("by calls after, ties as they were")
            << int(ComparisonModel::CallsAfterColumn) << Qt::DescendingOrder << QString() << true
            << "fib slow Zap include::/var/www/b.php php::count fast include::/var/www/a.php gone";
        QTest::newRow("filtered in any case") << int(change) << Qt::DescendingOrder << "INCLUDE" << true
                                              << "include::/var/www/b.php include::/var/www/a.php";
        QTest::newRow("internal hidden") << int(change) << Qt::DescendingOrder << QString() << false
                                         << "slow Zap fib gone fast";
    }

    void rows()
    {
        defaults().setObjectForKey(fetched<bool>("showInternal"), VTCSummaryShowsInternalPhpFunctions);
        Compared compared(QStringLiteral("Time"));
        compared.model.setFilterText(fetched<QString>("filter"));
        compared.model.sort(fetched<int>("column"), fetched<Qt::SortOrder>("order"));
        QTEST(tableRows(compared.model, ComparisonModel::FunctionColumn).join(QLatin1Char(' ')), "expected");
    }

    void aSelectionFollowsItsRowThroughASort()
    {
        Compared compared(QStringLiteral("Time"));
        QCOMPARE(rowAfterSort(compared.model, ComparisonModel::FunctionColumn, QStringLiteral("fib"),
                     ComparisonModel::FunctionColumn, Qt::AscendingOrder),
            1);
    }

    void cells_data()
    {
        addColumns<QString, QString, QString, int>("event", "function", "cells", "direction");
        QTest::newRow("slower") << u"Time"_s << u"slow"_s
                                << "slow|1|1|10µs|25µs|+15µs (+150.0%)|10µs|25µs|+15µs (+150.0%)" << 1;
        QTest::newRow("faster") << u"Time"_s << u"fast"_s
                                << "fast|1|1|30µs|10µs|-20µs (-66.7%)|30µs|10µs|-20µs (-66.7%)" << -1;
        QTest::newRow("new") << u"Time"_s << u"Zap"_s << "Zap|0|1|-|5µs|new|-|5µs|new" << 1;
        QTest::newRow("gone") << u"Time"_s << u"gone"_s << "gone|1|0|5µs|-|gone|5µs|-|gone" << -1;
        QTest::newRow("same") << u"Time"_s << u"php::count"_s << "php::count|1|1|1µs|1µs|0µs (0.0%)|1µs|1µs|0µs (0.0%)"
                              << 0;
        QTest::newRow("memory") << u"Memory"_s << u"fib"_s
                                << "fib|2|3|16 bytes|24 bytes|+8 bytes (+50.0%)|16 bytes|24 bytes|+8 bytes (+50.0%)"
                                << 1;
    }

    void cells()
    {
        QFETCH(int, direction);
        Compared compared(fetched<QString>("event"));
        const int row
            = int(tableRows(compared.model, ComparisonModel::FunctionColumn).indexOf(fetched<QString>("function")));
        QTEST(tableRows(compared.model).value(row), "cells");
        const QVariant colour
            = compared.model.index(row, ComparisonModel::InclusiveChangeColumn).data(Qt::ForegroundRole);
        QCOMPARE(colour,
            direction > 0       ? QVariant(ComparisonModel::increaseColour)
                : direction < 0 ? QVariant(ComparisonModel::decreaseColour)
                                : QVariant());
        QVERIFY(!compared.model.index(row, ComparisonModel::InclusiveAfterColumn).data(Qt::ForegroundRole).isValid());
    }

    void followsTheSettings()
    {
        Compared compared(QStringLiteral("Time"));
        QSignalSpy changed(&compared.model, &QAbstractItemModel::dataChanged);
        defaults().setObjectForKey(1, VTCMeasurement);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(tableRows(compared.model).constLast(), "fast|1|1|-|-|-0.0ms (-66.7%)|-|-|-0.0ms (-66.7%)");
        defaults().setObjectForKey(false, VTCSummaryShowsInternalPhpFunctions);
        QCOMPARE(compared.model.rowCount(), 5);
    }

    void activatingARow_data()
    {
        addColumns<QString, QString, QString, QString>("function", "beforeShows", "afterShows", "message");
        QTest::newRow("called in both") << "fib"
                                        << "fib"
                                        << "fib" << QString();
        QTest::newRow("gone") << "gone"
                              << "gone" << QString() << "\u201cgone\u201d is not called in \u201cafter.cg\u201d.";
        QTest::newRow("new") << "Zap" << QString() << "Zap"
                             << "\u201cZap\u201d is not called in \u201cbefore.cg\u201d.";
    }

    void activatingARow()
    {
        DocumentController registry;
        MyDocument *before = openAndWait(registry, write(QStringLiteral("before.cg"), profileBefore));
        MyDocument *after = openAndWait(registry, write(QStringLiteral("after.cg"), profileAfter));
        QVERIFY(before && after);
        ComparisonWindow window(registry, *before, *after);
        // Both summaries first show another function, which must not stay selected.
        window.filterField()->setText(QStringLiteral("slow"));
        window.rowActivated(0);
        window.filterField()->setText(fetched<QString>("function"));
        window.rowActivated(0);
        QTEST(summarySelection(*before), "beforeShows");
        QTEST(summarySelection(*after), "afterShows");
        QTEST(window.statusBar()->currentMessage(), "message");
    }

    void figuresInNarrowColumns_data()
    {
        // The width is that of `room`; the text shown starts with `start`
        // and ends with `end`.
        addColumns<QString, QString, QString, QString>("text", "room", "start", "end");
        const QString time = u"1,234,567.8ms"_s;
        QTest::newRow("fits") << time << time << time << time;
        QTest::newRow("fewer decimals") << time << u"1,234,568ms"_s << u"1,234,568ms"_s << u"1,234,568ms"_s;
        QTest::newRow("a larger unit") << time << u"1,234.568s"_s << u"1,234.568s"_s << u"1,234.568s"_s;
        QTest::newRow("no decimals there") << time << u"1,235s"_s << u"1,235s"_s << u"1,235s"_s;
        QTest::newRow("digits cut") << time << u"1,2\u2026s"_s << u"1"_s << u"s"_s;
        QTest::newRow("huge") << u"123,456,789,012.3ms"_s << u"123,4\u2026789s"_s << u"123"_s << u"9s"_s;
        QTest::newRow("negative memory, a larger unit")
            << u"-1,023.50 KiB"_s << u"-1.0 MiB"_s << u"-1.0 MiB"_s << u"-1.0 MiB"_s;
        const QString increase = u"+1,234,567.8ms (+25.0%)"_s;
        QTest::newRow("increase keeps its share")
            << increase << u"+1,235s (+25.0%)"_s << u"+1,235s (+25.0%)"_s << u"+1,235s (+25.0%)"_s;
        QTest::newRow("then its figure") << increase << u"+1,235s"_s << u"+1,235s"_s << u"+1,235s"_s;
        QTest::newRow("then its sign and unit") << increase << u"+1\u2026s"_s << u"+"_s << u"s"_s;
        QTest::newRow("decrease") << u"-1,234,567\u00b5s (-66.7%)"_s << u"-1.235s (-66.7%)"_s << u"-1.235s (-66.7%)"_s
                                  << u"-1.235s (-66.7%)"_s;
        QTest::newRow("share of a whole") << u"100.0%"_s << u"100%"_s << u"100%"_s << u"100%"_s;
        QTest::newRow("count") << u"1,234,567"_s << u"1,2\u202667"_s << u"1"_s << u"7"_s;
        const QString name = u"require_once::/srv/www/vendor/composer/autoload_real.php"_s;
        QTest::newRow("name") << name << u"require_once::/srv/www\u2026autoload_real.php"_s << "require_once::"
                              << ".php";
    }

    void figuresInNarrowColumns()
    {
        const QFontMetrics metrics { QTableView().font() };
        const int width = metrics.horizontalAdvance(fetched<QString>("room"));
        const QString shown = FigureDelegate::fitted(fetched<QString>("text"), metrics, width, Qt::ElideMiddle,
            QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(
            shown.startsWith(fetched<QString>("start")) && shown.endsWith(fetched<QString>("end")), qPrintable(shown));
        QVERIFY(metrics.horizontalAdvance(shown) <= width);
    }

    void window()
    {
        DocumentController registry;
        const QString beforePath = write(QStringLiteral("before.cg"), profileBefore);
        const QString afterPath = write(QStringLiteral("after.cg"), profileAfter);
        MyDocument *before = openAndWait(registry, beforePath);
        MyDocument *after = openAndWait(registry, afterPath);
        QVERIFY(before && after);
        ComparisonWindow window(registry, *before, *after);
        QAbstractItemModelTester tester(&window.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(window.statusLabel()->text(),
            QStringLiteral("Inclusive of the roots: 59µs before, 56µs after, change -3µs (-5.1%)"));
        window.eventChooser()->setCurrentIndex(window.eventChooser()->findText(QStringLiteral("Memory")));
        QCOMPARE(window.statusLabel()->text(),
            QStringLiteral("Inclusive of the roots: 366 bytes before, 684 bytes after, change +318 bytes (+86.9%)"));
        QTest::keyClicks(window.filterField(), QStringLiteral("F"));
        QCOMPARE(tableRows(window.model(), ComparisonModel::FunctionColumn), QStringList({ "fast", "fib" }));

        // A function called in both is shown in both summaries.
        window.rowActivated(1);
        QCOMPARE(summarySelection(*before), QStringLiteral("fib"));
        QCOMPARE(summarySelection(*after), QStringLiteral("fib"));

        window.filterField()->setText(QStringLiteral("gone"));
        // Closed, the table empties; read again (here: opened anew), it fills with the new figures.
        registry.closeDocument(after);
        QCOMPARE(window.model().rowCount(), 0);
        QVERIFY(!window.document(ProfileComparison::After));
        QCOMPARE(window.statusLabel()->text(),
            QStringLiteral("\u201cafter.cg\u201d is closed: the comparison resumes when it is opened again."));
        write(QStringLiteral("after.cg"), "events: Time\n\nfn=gone\n1 9\n\nfn=main\n1 1\ncfn=gone\n\n");
        QVERIFY(openAndWait(registry, afterPath));
        QCOMPARE(window.eventChooser()->count(), 1);
        QCOMPARE(tableRows(window.model()), QStringList({ "gone|1|1|5µs|9µs|+4µs (+80.0%)|5µs|9µs|+4µs (+80.0%)" }));
    }
};

QTEST_MAIN(TestDocumentModels)
#include "tst_documentmodels.moc"
