#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentController.h"
#include "DocumentTestSupport.h"
#include "DocumentWindow.h"
#include "MyDocument.h"
#include "FunctionModel.h"
#include "NotificationCenter.h"
#include "FunctionIcons.h"
#include "FunctionLabelDelegate.h"
#include "ProfiledFunctionCall.h"
#include "ProgressWindow.h"
#include "SummaryController.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>
#include <unistd.h>

namespace {

QStringList outlineRows(const MyDocument &document)
{
    QStringList rows;
    const CallTreeModel &model = *document.outlineModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << QString(model.depthOfRow(row) * 2, QLatin1Char(' ')) + model.callAtRow(row)->function().name()
                    + (model.isExpanded(row) ? QStringLiteral(" -") : model.isExpandable(row) ? QStringLiteral(" +")
                                                                                              : QString());
    }
    return rows;
}

QStringList tableRows(const TableController &table)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << table.index(row, column).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList fields(const MyDocument &document)
{
    return {document.functionNameTextField()->text(), document.fileNameTextField()->text(),
            document.lineNumberTextField()->text(), document.selfTimeTextField()->text(),
            document.inclusiveTimeTextField()->text()};
}

void selectOutlineRow(MyDocument &document, int row)
{
    document.outlineView()->selectionModel()->setCurrentIndex(
        document.outlineModel()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void doubleClickRow(QAbstractItemView *view, int row, int column = 0)
{
    const QRect rect = view->visualRect(view->model()->index(row, column));
    // A double-click follows a press and release on the same row.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

int summaryRowOf(const SummaryController &summary, const QString &name)
{
    for (int row = 0; row < summary.rowCount(); ++row) {
        if (summary.index(row, SummaryController::FunctionColumn).data().toString() == name)
            return row;
    }
    return -1;
}

// Notes the title of every progress window that is shown.
class ProgressSpy final : public QObject
{
public:
    explicit ProgressSpy(QStringList &titles) : m_titles(titles) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *progress = qobject_cast<ProgressWindow *>(watched))
                m_titles << progress->windowTitle();
        }
        return false;
    }

private:
    QStringList &m_titles;
};

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DocumentController> m_registry;
    QList<QPair<QString, QString>> m_alerts;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;

    MyDocument *open(const QString &path)
    {
        QString error;
        MyDocument *document = m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, &error);
        if (!document) {
            qWarning() << error;
            return nullptr;
        }
        if (document->window())
            watchModels(*document);
        return document;
    }

    MyDocument *openText(const QString &name, const QByteArray &text) { return open(writeFile(m_dir, name, text)); }

    void watchModels(MyDocument &document)
    {
        for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *>{
                 document.outlineModel(), document.callsTab(), document.summaryTab()})
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::QtTest));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        registerSettingsDefaults();
    }

    void init()
    {
        restoreDefaultSettings();
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the example's times are small
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
    }

    void cleanup()
    {
        m_testers.clear();
        m_registry.reset();
        restoreDefaultSettings();
    }

    void openingShowsTheRootInEveryPart()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        QCOMPARE(document->state(), 1);
        QCOMPARE(document->window()->windowTitle(), QStringLiteral("worked.cachegrind"));
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render +"}));
        QCOMPARE(document->selectedCall(), document->rootFunction());
        QCOMPARE(fields(*document), QStringList({"main", "/var/www/index.php", "1", "13\u00b5s (65.00%)",
                                                 "20\u00b5s (100.00%)"}));
        QCOMPARE(tableRows(*document->callsTab()), QStringList({"1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10"}));
        // Largest total inclusive time first.
        QCOMPARE(tableRows(*document->summaryTab()),
                 QStringList({"render|5\u00b5s|7\u00b5s|5\u00b5s|7\u00b5s|1", "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1"}));
        QCOMPARE(document->tabView()->currentIndex(), 0);
        // Identifiers outside 0 to 5 give empty cells.
        QVERIFY(!document->callsTab()->objectValueForTableColumn(6, 0).isValid());
        QVERIFY(!document->summaryTab()->objectValueForTableColumn(-1, 0).isValid());
    }

    void detailTimes_data()
    {
        QTest::addColumn<int>("measurement");
        QTest::addColumn<bool>("displayDash");
        QTest::addColumn<QStringList>("renderTimes");
        QTest::newRow("microseconds") << 2 << true << QStringList({"5\u00b5s (25.00%)", "7\u00b5s (35.00%)"});
        QTest::newRow("milliseconds, dashed") << 1 << true << QStringList({"-", "-"});
        QTest::newRow("milliseconds, no dash") << 1 << false << QStringList({"0.0ms (25.00%)", "0.0ms (35.00%)"});
        QTest::newRow("seconds, no dash") << 0 << false << QStringList({"0.000s (25.00%)", "0.000s (35.00%)"});
    }

    void detailTimes()
    {
        QFETCH(int, measurement);
        QFETCH(bool, displayDash);
        QFETCH(QStringList, renderTimes);
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        selectOutlineRow(*document, 1);
        defaults().setObjectForKey(measurement, VTCMeasurement);
        defaults().setObjectForKey(displayDash, VTCDisplayDash);
        QCOMPARE(fields(*document).mid(3), renderTimes);
    }

    void selectionRefillsDetailsAndTables()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        selectOutlineRow(*document, 1);
        QCOMPARE(fields(*document), QStringList({"render", "/var/www/index.php", "10", "5\u00b5s (25.00%)",
                                                 "7\u00b5s (35.00%)"}));
        QCOMPARE(tableRows(*document->callsTab()), QStringList({"1|php::strlen|2\u00b5s|2\u00b5s|php:internal|3"}));
        QCOMPARE(tableRows(*document->summaryTab()), QStringList({"php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1"}));

        document->outlineView()->selectionModel()->clearSelection();
        QCOMPARE(fields(*document), QStringList({"-", "-", "-", "-", "-"}));
        QCOMPARE(document->callsTab()->rowCount(), 0);
        QCOMPARE(document->summaryTab()->rowCount(), 0);
        // With nothing selected a setting change leaves the dashes.
        defaults().setObjectForKey(0, VTCMeasurement);
        QCOMPARE(fields(*document), QStringList({"-", "-", "-", "-", "-"}));
    }

    void outlineDoubleClickAndEnterToggleRows()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        CallTreeView *outline = document->outlineView();
        doubleClickRow(outline, 0);
        QCOMPARE(outlineRows(*document), QStringList({"main +"}));
        doubleClickRow(outline, 0);
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render +"}));
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Return);
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render -", "    php::strlen"}));
        // A leaf only gets selected.
        doubleClickRow(outline, 2);
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render -", "    php::strlen"}));
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("php::strlen"));
        // Right and Left expand and collapse; a click on the triangle toggles.
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Left);
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render +"}));
        QTest::keyClick(outline, Qt::Key_Right);
        QCOMPARE(outlineRows(*document).size(), 3);
        const QRect cell = outline->visualRect(document->outlineModel()->index(0, 0));
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        QCOMPARE(outlineRows(*document), QStringList({"main +"}));
    }

    void summaryDoubleClickListsTheFunctionsCalls()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        document->tabView()->setCurrentIndex(1);
        QTableView *summaryTable = document->tabView()->widget(1)->findChild<QTableView *>();
        QVERIFY(summaryTable);
        doubleClickRow(summaryTable, summaryRowOf(*document->summaryTab(), QStringLiteral("php::strlen")));
        QCOMPARE(document->tabView()->currentIndex(), 0);
        QCOMPARE(tableRows(*document->callsTab()), QStringList({"1|php::strlen|2\u00b5s|2\u00b5s|php:internal|3"}));

        // Enter does the same; a row that is not there does nothing.
        document->tabView()->setCurrentIndex(1);
        summaryTable->setCurrentIndex(document->summaryTab()->index(0, 0));
        QTest::keyClick(summaryTable, Qt::Key_Enter);
        QCOMPARE(tableRows(*document->callsTab()), QStringList({"1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10"}));
        document->summaryTab()->doubleClick(-1);
        document->summaryTab()->doubleClick(2);
        QCOMPARE(document->callsTab()->rowCount(), 1);
    }

    void callsDoubleClickSelectsTheCallInTheOutline()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        document->summaryTab()->doubleClick(summaryRowOf(*document->summaryTab(), QStringLiteral("php::strlen")));
        QTableView *callsTable = document->tabView()->widget(0)->findChild<QTableView *>();
        doubleClickRow(callsTable, 0, CallsController::FunctionColumn);
        QCOMPARE(outlineRows(*document), QStringList({"main -", "  render -", "    php::strlen"}));
        QCOMPARE(document->selectedCall()->function().name(), QStringLiteral("php::strlen"));
        QCOMPARE(fields(*document), QStringList({"php::strlen", "php:internal", "3", "2\u00b5s (28.57%)",
                                                 "2\u00b5s (28.57%)"}));
        QCOMPARE(document->callsTab()->rowCount(), 0);
        QCOMPARE(document->summaryTab()->rowCount(), 0);
    }

    void headerClicksSortNumbersAsNumbersAndNamesAsText()
    {
        QByteArray text = profileHeader();
        text += record("/a.php", "beta", 1, 9);
        text += record("/a.php", "Alpha", 1, 100);
        text += record("/a.php", "gamma", 1, 10);
        text += record("/a.php", "php::count", 1, 50);
        text += record("/a.php", "main", 1, 1, {"beta", "Alpha", "gamma", "php::count"});
        MyDocument *document = openText(QStringLiteral("sort.cachegrind"), text);
        QVERIFY(document);
        SummaryController &summary = *document->summaryTab();
        const auto names = [&summary] {
            QStringList list;
            for (int row = 0; row < summary.rowCount(); ++row)
                list << summary.index(row, 0).data().toString();
            return list;
        };
        QCOMPARE(names(), QStringList({"Alpha", "php::count", "gamma", "beta"}));
        QHeaderView *header = document->tabView()->widget(1)->findChild<QTableView *>()->horizontalHeader();
        header->setSortIndicator(SummaryController::TotalSelfTimeColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({"beta", "gamma", "php::count", "Alpha"}));
        header->setSortIndicator(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({"Alpha", "beta", "gamma", "php::count"}));
        header->setSortIndicator(SummaryController::FunctionColumn, Qt::DescendingOrder);
        QCOMPARE(names(), QStringList({"php::count", "gamma", "beta", "Alpha"}));

        // The calls table starts in file order and sorts by time on request.
        CallsController &calls = *document->callsTab();
        QCOMPARE(calls.index(0, CallsController::FunctionColumn).data().toString(), QStringLiteral("beta"));
        calls.sort(CallsController::SelfTimeColumn, Qt::DescendingOrder);
        QCOMPARE(calls.index(0, CallsController::PositionColumn).data().toString(), QStringLiteral("2"));
        QCOMPARE(calls.index(3, CallsController::PositionColumn).data().toString(), QStringLiteral("1"));
    }

    void filteringHidesInternalFunctionsAndKeepsTheUnfilteredOrder()
    {
        QByteArray text = profileHeader();
        text += record("php:internal", "php::strlen", 1, 30);
        text += record("/a.php", "zeta", 1, 20);
        text += record("php:internal", "require::/a.php", 1, 10);
        text += record("/a.php", "main", 1, 1, {"php::strlen", "zeta", "require::/a.php"});
        MyDocument *document = openText(QStringLiteral("filter.cachegrind"), text);
        QVERIFY(document);
        SummaryController &summary = *document->summaryTab();
        CallsController &calls = *document->callsTab();
        QCOMPARE(summary.rowCount(), 3);
        QVERIFY(!summary.isFiltering());

        defaults().setObjectForKey(false, VTCSummaryShowsInternalPhpFunctions);
        QCOMPARE(tableRows(summary), QStringList({"zeta|20\u00b5s|20\u00b5s|20\u00b5s|20\u00b5s|1"}));
        QCOMPARE(calls.rowCount(), 3);
        defaults().setObjectForKey(false, VTCCallStackShowsInternalPhpFunctions);
        QCOMPARE(calls.rowCount(), 1);
        QCOMPARE(calls.index(0, CallsController::PositionColumn).data().toString(), QStringLiteral("2"));

        // A sort while filtered re-orders only what is shown.
        summary.sort(SummaryController::FunctionColumn, Qt::AscendingOrder);
        defaults().setObjectForKey(true, VTCSummaryShowsInternalPhpFunctions);
        QVERIFY(!summary.isFiltering());
        QCOMPARE(summary.index(0, 0).data().toString(), QStringLiteral("php::strlen"));
        QCOMPARE(summary.index(2, 0).data().toString(), QStringLiteral("require::/a.php"));

        // Every row hidden, and an empty table filtered.
        document->summaryTab()->doubleClick(0);
        QCOMPARE(calls.rowCount(), 0);
        summary.reset();
        summary.filterPhpInternalFunctions(false);
        QCOMPARE(summary.rowCount(), 0);
    }

    void settingChangesReachEveryDocument()
    {
        MyDocument *first = openText(QStringLiteral("one.cachegrind"), workedExample);
        MyDocument *second = openText(QStringLiteral("two.cachegrind"), workedExample);
        QVERIFY(first && second);
        QSignalSpy firstCalls(first->callsTab(), &QAbstractItemModel::dataChanged);
        QSignalSpy secondSummary(second->summaryTab(), &QAbstractItemModel::dataChanged);
        defaults().setObjectForKey(false, VTCDisplayDash);
        defaults().setObjectForKey(1, VTCMeasurement);
        for (MyDocument *document : {first, second}) {
            QCOMPARE(document->inclusiveTimeTextField()->text(), QStringLiteral("0.0ms (100.00%)"));
            QCOMPARE(document->callsTab()->index(0, CallsController::SelfTimeColumn).data().toString(),
                     QStringLiteral("0.0ms"));
            QCOMPARE(document->summaryTab()->index(0, SummaryController::CallCountColumn).data().toString(),
                     QStringLiteral("1"));
        }
        QCOMPARE(firstCalls.size(), 2);
        QCOMPARE(secondSummary.size(), 2);
    }

    void notificationsArriveOnceWithTheRegistryUpToDate()
    {
        const QString path = writeFile(m_dir, QStringLiteral("notify.cachegrind"), workedExample);
        QStringList events;
        DocumentController *registry = m_registry.get();
        const auto connection = connect(
            &NotificationCenter::defaultCenter(), &NotificationCenter::notificationPosted, this,
            [&events, registry, path](const QString &name, QObject *object) {
                const bool registered = registry->documentForURL(QUrl::fromLocalFile(path)) == object;
                events << name + (registered ? QStringLiteral(" registered") : QStringLiteral(" unregistered"));
            });
        MyDocument *document = open(path);
        QVERIFY(document);
        QCOMPARE(open(path), document);
        QCOMPARE(events, QStringList({"VTCDocumentOpened registered"}));
        m_testers.clear();
        document->window()->close();
        QCOMPARE(registry->documents().size(), 0);
        QTRY_COMPARE(events.size(), 2);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(events, QStringList({"VTCDocumentOpened registered", "VTCDocumentClosed unregistered"}));
        disconnect(connection);
    }

    void failuresReportTheFileAndLeaveOthersOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing.cachegrind" << "No such file or directory";
        QTest::newRow("directory") << "directory" << "Is a directory";
        QTest::newRow("corrupt gzip") << "corrupt.cachegrind.gz" << "gzip";
        QTest::newRow("no permission") << "locked.cachegrind" << "Permission denied";
    }

    void failuresReportTheFileAndLeaveOthersOpen()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        MyDocument *other = openText(QStringLiteral("other.cachegrind"), workedExample);
        QVERIFY(other);
        const QString path = m_dir.filePath(name);
        if (name == QLatin1String("directory")) {
            QVERIFY(QDir(m_dir.path()).mkpath(name));
        } else if (name.endsWith(QLatin1String(".gz"))) {
            QByteArray broken = gzipped(workedExample);
            broken.truncate(broken.size() / 2);
            broken.append("garbage that is not deflate data");
            writeFile(m_dir, name, broken);
        } else if (name.startsWith(QLatin1String("locked"))) {
            if (geteuid() == 0)
                QSKIP("The superuser reads every file.");
            writeFile(m_dir, name, workedExample);
            QFile::setPermissions(path, QFileDevice::WriteOwner);
        }
        QString error;
        QVERIFY(!m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, &error));
        QVERIFY2(error.contains(name) && error.contains(reason, Qt::CaseInsensitive), qPrintable(error));

        const QList<MyDocument *> opened = m_registry->openDocuments({QUrl::fromLocalFile(path)});
        QVERIFY(opened.isEmpty());
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().first.contains(name));
        QVERIFY(m_alerts.first().second.contains(reason, Qt::CaseInsensitive));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({other}));
        QVERIFY(other->window()->isVisible());
        selectOutlineRow(*other, 1);
        QCOMPARE(other->functionNameTextField()->text(), QStringLiteral("render"));
    }

    void aFileDeletedWhileOpenStaysUsable()
    {
        const QString path = writeFile(m_dir, QStringLiteral("deleted.cachegrind"), workedExample);
        MyDocument *document = open(path);
        QVERIFY(document);
        QVERIFY(QFile::remove(path));
        selectOutlineRow(*document, 1);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("render"));
        QCOMPARE(m_registry->documentForURL(QUrl::fromLocalFile(path)), document);
        QCOMPARE(open(path), document);
        QVERIFY(m_alerts.isEmpty());
    }

    void emptyProfilesShowNothingButDashes_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("header only") << profileHeader();
    }

    void emptyProfilesShowNothingButDashes()
    {
        QFETCH(QByteArray, contents);
        MyDocument *document = openText(QStringLiteral("empty.cachegrind"), contents);
        QVERIFY(document);
        QVERIFY(!document->rootFunction());
        QCOMPARE(document->outlineModel()->rowCount(), 0);
        QCOMPARE(fields(*document), QStringList({"-", "-", "-", "-", "-"}));
        QCOMPARE(document->callsTab()->rowCount(), 0);
        QCOMPARE(document->summaryTab()->rowCount(), 0);
        doubleClickRow(document->outlineView(), 0);
        defaults().setObjectForKey(1, VTCMeasurement);
        QCOMPARE(fields(*document), QStringList({"-", "-", "-", "-", "-"}));
    }

    void oneDocumentPerFileAndFrontToBackOrder()
    {
        const QString path = writeFile(m_dir, QStringLiteral("same.cachegrind"), workedExample);
        MyDocument *first = open(path);
        const QString link = m_dir.filePath(QStringLiteral("link.cachegrind"));
        QVERIFY(QFile::link(path, link));
        QCOMPARE(open(link), first);
        QCOMPARE(open(m_dir.path() + QStringLiteral("/./same.cachegrind")), first);
        MyDocument *second = openText(QStringLiteral("second.cachegrind"), workedExample);
        QCOMPARE(m_registry->documents().size(), 2);
        QCOMPARE(DocumentController::sharedDocumentController(), m_registry.get());
        QCOMPARE(DocumentController::frontDocument(), second);

        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(m_registry->orderedDocuments(), QList<MyDocument *>({first, second}));
        QCOMPARE(DocumentController::frontDocument(), first);
        QCOMPARE(open(link), first);
        QCOMPARE(m_registry->recentDocumentPaths().first(), second->filePath());
        m_registry->closeAllDocuments();
        QVERIFY(!DocumentController::frontDocument());
    }

    void expandingAMillionDeepChainDoesNotRecurse()
    {
        const int depth = 1000000;
        MyDocument *document = openText(QStringLiteral("deep.cachegrind"), deepChain(depth));
        QVERIFY(document);
        QCOMPARE(document->summaryTab()->rowCount(), 2);
        document->summaryTab()->doubleClick(summaryRowOf(*document->summaryTab(), QStringLiteral("leaf")));
        QCOMPARE(document->callsTab()->rowCount(), 1);
        document->callsTab()->doubleClick(0);
        QCOMPARE(document->outlineModel()->rowCount(), depth);
        QCOMPARE(document->selectedCall()->function().name(), QStringLiteral("leaf"));
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("leaf"));
        QCOMPARE(document->outlineModel()->depthOfRow(depth - 1), depth - 1);
        // Collapsing the top takes every row below it away again, and the
        // selection moves up to the collapsed row.
        document->outlineModel()->collapseRow(0);
        QCOMPARE(document->outlineModel()->rowCount(), 1);
        QCOMPARE(document->selectedCall(), document->rootFunction());
        QCOMPARE(fields(*document).first(), QStringLiteral("f"));
    }

    void aMillionSiblingsExpandAtOnce()
    {
        QByteArray text = profileHeader();
        const int count = 200000;
        QList<QByteArray> callees;
        for (int i = 0; i < count; ++i)
            text += "fl=/a.php\nfn=leaf\n1 " + QByteArray::number(i % 97) + "\n\n";
        text += "fl=/a.php\nfn=main\n1 1\n";
        for (int i = 0; i < count; ++i)
            text += "cfn=leaf\ncalls=1 0 0\n1 1\n";
        text += '\n';
        MyDocument *document = openText(QStringLiteral("wide.cachegrind"), text);
        QVERIFY(document);
        QCOMPARE(document->outlineModel()->rowCount(), count + 1);
        QCOMPARE(document->callsTab()->rowCount(), count);
        QCOMPARE(document->callsTab()->index(count - 1, 0).data().toString(), QString::number(count));
        document->outlineView()->scrollToBottom();
        QCOMPARE(document->outlineModel()->callAtRow(count)->indexInParent(), quint32(count));
    }

    void progressWindowPaintsOnlyVisibleChanges()
    {
        ProgressWindow progress;
        progress.showWindow();
        progress.setStatusLine(QStringLiteral("File size: 976.6 KB"));
        progress.setMaxValue(1000000.0);
        progress.setRemainingValue(1000000.0);
        QCOMPARE(progress.barValue(), 0);
        for (int remaining = 999999; remaining >= 0; --remaining)
            progress.setRemainingValue(remaining);
        QCOMPARE(progress.barValue(), ProgressWindow::barSteps);
        QCOMPARE(progress.barRepaintCount(), ProgressWindow::barSteps);
        QCOMPARE(progress.statusLine(), QStringLiteral("File size: 976.6 KB"));
        progress.close();
        QVERIFY(!progress.isVisible());
    }

    void largeFilesShowProgressOnlyWhileReading()
    {
        QByteArray text = profileHeader();
        while (text.size() <= 300000)
            text += record("/a.php", "leaf", 1, 1);
        QStringList titles;
        const auto watcher = std::make_unique<ProgressSpy>(titles);
        QVERIFY(openText(QStringLiteral("large.cachegrind"), text));
        QCOMPARE(titles, QStringList({"Reading \u201clarge.cachegrind\u201d"}));
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<ProgressWindow *>(window) || !window->isVisible());
    }

    void labelsPaintWithIconsAndIndentation()
    {
        for (const QString &name : {"phpFunctionIcon.tif", "applicationFunctionIcon.tif", "objectMethodIcon.tif"})
            QVERIFY(!FunctionIcons::imageNamed(name).isNull());
        QVERIFY(FunctionIcons::imageNamed(QStringLiteral("other.tif")).isNull());

        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        document->outlineModel()->expandRow(1);
        QVERIFY(!document->window()->grab().isNull());
        const auto *delegate = qobject_cast<FunctionLabelDelegate *>(document->outlineView()->itemDelegate());
        QVERIFY(delegate);
        QStyleOptionViewItem option;
        option.font = document->outlineView()->font();
        const CallTreeModel &model = *document->outlineModel();
        const QFontMetrics metrics(option.font);
        const auto leading = [&](int row) {
            const QString name = model.callAtRow(row)->function().name();
            return delegate->sizeHint(option, model.index(row, 0)).width() - metrics.horizontalAdvance(name);
        };
        QCOMPARE(leading(2) - leading(0), 2 * FunctionLabelDelegate::indentation);
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
