#include "AlertPresenter.h"
#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FunctionIcons.h"
#include "FunctionLabelDelegate.h"
#include "FunctionModel.h"
#include "MyDocument.h"
#include "NotificationCenter.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ProgressWindow.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <KFUserDefaultsController.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QByteArray profileHeader()
{
    return "version: 1\ncreator: test\ncmd: /x.php\npart: 1\n\nevents: Time\n\n";
}

// main -> render -> php::strlen, with self times 13, 5 and 2 microseconds.
const QByteArray workedExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\ncfn=render\ncalls=1 0 0\n2 7\n\n";

// One record: a call with its own cost that calls the records named in `callees`.
QByteArray record(
    const QByteArray &file, const QByteArray &function, int line, quint64 cost, const QList<QByteArray> &callees = {})
{
    QByteArray text
        = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' ' + QByteArray::number(cost) + '\n';
    for (const QByteArray &callee : callees)
        text += "cfn=" + callee + "\ncalls=1 0 0\n1 1\n";
    return text + '\n';
}

// main -> [a1 -> [x, y -> [deep1, deep2], z], b, a2 -> [w]]
QByteArray branchingProfile()
{
    return profileHeader() + record("/f.php", "x", 1, 1) + record("/f.php", "deep1", 2, 1)
        + record("/f.php", "deep2", 3, 1) + record("/f.php", "y", 4, 1, { "deep1", "deep2" })
        + record("/f.php", "z", 5, 1) + record("/f.php", "a1", 6, 1, { "x", "y", "z" }) + record("/f.php", "b", 7, 1)
        + record("/f.php", "w", 8, 1) + record("/f.php", "a2", 9, 1, { "w" })
        + record("/f.php", "main", 10, 1, { "a1", "b", "a2" });
}

// The call reached from `call` by the child names in `path` ("a1/y").
const ProfiledFunctionCall *find(const ProfiledFunctionCall *call, const QString &path)
{
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const ProfiledFunctionCall *next = nullptr;
        for (qsizetype i = 0; i < call->childCount() && !next; ++i)
            next = call->getChild(i)->function().name() == name ? call->getChild(i) : nullptr;
        call = next;
    }
    return call;
}

const QStringList allDashes = { "-", "-", "-", "-", "-" };

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// Outline rows indented by depth, " -" when expanded and " +" when expandable.
QStringList outlineRows(const CallTreeModel *model)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        rows << QString(model->depthOfRow(row) * 2, QLatin1Char(' ')) + model->callAtRow(row)->function().name()
                + (model->isExpanded(row)          ? QStringLiteral(" -")
                        : model->isExpandable(row) ? QStringLiteral(" +")
                                                   : QString());
    }
    return rows;
}

// Each row's cells joined by "|", or only the cells of `column`.
QStringList tableRows(const TableController &table, int column = -1)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) {
            if (column < 0 || c == column)
                cells << table.index(row, c).data().toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList fields(const MyDocument &document)
{
    return { document.functionNameTextField()->text(), document.fileNameTextField()->text(),
        document.lineNumberTextField()->text(), document.selfTimeTextField()->text(),
        document.inclusiveTimeTextField()->text() };
}

void selectOutlineRow(MyDocument &document, int row)
{
    document.outlineView()->selectionModel()->setCurrentIndex(
        document.outlineModel()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void doubleClickRow(QAbstractItemView *view, int row, int column = 0)
{
    const QPoint centre = view->visualRect(view->model()->index(row, column)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre); // a double-click follows a click
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
}

int summaryRowOf(const SummaryController &summary, const QString &name)
{
    return int(tableRows(summary, SummaryController::FunctionColumn).indexOf(name));
}

// Notes the title of every progress window that is shown.
struct ProgressSpy final : QObject
{
    QStringList titles;
    ProgressSpy() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *progress = qobject_cast<ProgressWindow *>(watched); progress && event->type() == QEvent::Show)
            titles << progress->windowTitle();
        return false;
    }
};

// Answers every alert at once and remembers what it said.
struct RecordingAlertPresenter final : AlertPresenter
{
    QList<QPair<QString, QString>> &alerts;
    explicit RecordingAlertPresenter(QList<QPair<QString, QString>> &list)
        : alerts(list)
    { }
    void showWarning(QWidget *, const QString &message, const QString &info) override
    {
        alerts.append({ message, info });
    }
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

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? file.fileName() : QString();
    }

    // Opens a document and puts its three models under the model tester.
    MyDocument *open(const QString &path)
    {
        QString error;
        MyDocument *document = m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, &error);
        if (!document)
            qWarning() << error;
        else if (document->window()) {
            for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *> {
                     document->outlineModel(), document->callsTab(), document->summaryTab() })
                m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    model, QAbstractItemModelTester::FailureReportingMode::QtTest));
        }
        return document;
    }

    MyDocument *openText(const QString &name, const QByteArray &text) { return open(writeFile(name, text)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        registerSettingsDefaults();
    }

    void init()
    {
        for (const QString &key : { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                 VTCSummaryShowsInternalPhpFunctions })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the example's times are small
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
    }

    void cleanup()
    {
        m_testers.clear();
        m_registry.reset();
    }

    void openingShowsTheRootAndSelectionRefillsEveryPart()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        QCOMPARE(document->state(), 1);
        QCOMPARE(document->window()->windowTitle(), QStringLiteral("worked.cachegrind"));
        document->outlineModel()->expandRow(0); // a second expand must not insert the children again
        QCOMPARE(outlineRows(document->outlineModel()), QStringList({ "main -", "  render +" }));
        QCOMPARE(document->outlineModel()->rowOfCall(document->rootFunction()->getChild(0)->getChild(0)), -1);
        QCOMPARE(document->selectedCall(), document->rootFunction());
        QCOMPARE(fields(*document),
            QStringList({ "main", "/var/www/index.php", "1", "13\u00b5s (65.00%)",
                "20\u00b5s (100.00%); profiler's summary: time 20\u00b5s" }));
        QCOMPARE(tableRows(*document->callsTab()), QStringList({ "1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10" }));
        // Largest total inclusive time first.
        QCOMPARE(tableRows(*document->summaryTab()),
            QStringList({ "render|5\u00b5s|7\u00b5s|5\u00b5s|7\u00b5s|1",
                "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1" }));
        // Column identifiers outside 0 to 5 give empty cells.
        QVERIFY(!document->callsTab()->objectValueForTableColumn(6, 0).isValid());
        QVERIFY(!document->summaryTab()->objectValueForTableColumn(-1, 0).isValid());

        // A selection refills the details and both tables; no selection empties them.
        selectOutlineRow(*document, 1);
        QCOMPARE(fields(*document),
            QStringList({ "render", "/var/www/index.php", "10", "5\u00b5s (25.00%)", "7\u00b5s (35.00%)" }));
        QCOMPARE(tableRows(*document->callsTab()), QStringList({ "1|php::strlen|2\u00b5s|2\u00b5s|php:internal|3" }));
        QCOMPARE(
            tableRows(*document->summaryTab()), QStringList({ "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1" }));

        document->outlineView()->selectionModel()->clearSelection();
        QCOMPARE(fields(*document), allDashes);
        QCOMPARE(document->callsTab()->rowCount() + document->summaryTab()->rowCount(), 0);
        defaults().setObjectForKey(0, VTCMeasurement); // with nothing selected the dashes stay
        QCOMPARE(fields(*document), allDashes);
    }

    void expandingParentsMatchesExpandingByHand_data()
    {
        QTest::addColumn<QStringList>("expandedFirst"); // paths as `find` takes them; "" is main
        QTest::addColumn<QString>("target");
        QTest::newRow("all collapsed") << QStringList() << "a1/y/deep2";
        QTest::newRow("top expanded") << QStringList({ "" }) << "a1/y/deep2";
        QTest::newRow("a later sibling expanded") << QStringList({ "", "a2" }) << "a1/y/deep1";
        QTest::newRow("already shown") << QStringList({ "", "a1" }) << "a1/z";
        QTest::newRow("the top itself") << QStringList() << "";
    }

    void expandingParentsMatchesExpandingByHand()
    {
        QFETCH(QStringList, expandedFirst);
        QFETCH(QString, target);
        Profile profile;
        profile.readFromData(branchingProfile());
        const ProfiledFunctionCall *call = find(profile.rootFunction(), target);
        QVERIFY(call);
        CallTreeModel byParents;
        QAbstractItemModelTester tester(&byParents, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CallTreeModel byHand;
        for (CallTreeModel *model : { &byParents, &byHand }) {
            model->setRootFunction(profile.rootFunction());
            for (const QString &path : expandedFirst)
                model->expandRow(model->rowOfCall(find(profile.rootFunction(), path)));
        }
        const int row = byParents.expandParents(*call);
        QList<const ProfiledFunctionCall *> chain;
        for (const ProfiledFunctionCall *node = call->parent(); node; node = node->parent())
            chain.prepend(node);
        for (const ProfiledFunctionCall *node : chain)
            byHand.expandRow(byHand.rowOfCall(node));
        QCOMPARE(outlineRows(&byParents), outlineRows(&byHand));
        QCOMPARE(byParents.callAtRow(row), call);
        QCOMPARE(byParents.rowOfCall(call), row);
        QVERIFY(!byParents.callAtRow(-1) && !byParents.callAtRow(byParents.rowCount()));
        byParents.setRootFunction(nullptr);
        QCOMPARE(byParents.rowCount(), 0);
    }

    void settingChangesReachEveryDocument_data()
    {
        QTest::addColumn<int>("measurement");
        QTest::addColumn<bool>("displayDash");
        QTest::addColumn<QStringList>("renderTimes");
        QTest::addColumn<QString>("strlenSelf");
        QTest::newRow("milliseconds, dashed") << 1 << true << QStringList({ "-", "-" }) << "-";
        QTest::newRow("milliseconds, no dash")
            << 1 << false << QStringList({ "0.0ms (25.00%)", "0.0ms (35.00%)" }) << "0.0ms";
        QTest::newRow("seconds, no dash")
            << 0 << false << QStringList({ "0.000s (25.00%)", "0.000s (35.00%)" }) << "0.000s";
    }

    void settingChangesReachEveryDocument()
    {
        QFETCH(int, measurement);
        QFETCH(bool, displayDash);
        QFETCH(QStringList, renderTimes);
        QFETCH(QString, strlenSelf);
        const QList<MyDocument *> documents = { openText(QStringLiteral("one.cachegrind"), workedExample),
            openText(QStringLiteral("two.cachegrind"), workedExample) };
        QVERIFY(!documents.contains(nullptr));
        for (MyDocument *document : documents)
            selectOutlineRow(*document, 1);
        // The views must be told to repaint.
        QSignalSpy firstCalls(documents[0]->callsTab(), &QAbstractItemModel::dataChanged);
        QSignalSpy secondSummary(documents[1]->summaryTab(), &QAbstractItemModel::dataChanged);
        defaults().setObjectForKey(measurement, VTCMeasurement);
        defaults().setObjectForKey(displayDash, VTCDisplayDash);
        for (MyDocument *document : documents) {
            QCOMPARE(fields(*document).mid(3), renderTimes);
            QCOMPARE(tableRows(*document->callsTab(), CallsController::SelfTimeColumn), QStringList({ strlenSelf }));
        }
        QVERIFY(!firstCalls.isEmpty() && !secondSummary.isEmpty());
    }

    void outlineDoubleClickAndKeysToggleRows()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        CallTreeView *outline = document->outlineView();
        const QStringList open = { "main -", "  render -", "    php::strlen" };
        doubleClickRow(outline, 0);
        QCOMPARE(outlineRows(document->outlineModel()), QStringList({ "main +" }));
        doubleClickRow(outline, 0);
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Return);
        QCOMPARE(outlineRows(document->outlineModel()), open);
        doubleClickRow(outline, 2); // a leaf only gets selected
        QCOMPARE(outlineRows(document->outlineModel()), open);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("php::strlen"));
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Left);
        QCOMPARE(outlineRows(document->outlineModel()), QStringList({ "main -", "  render +" }));
        QTest::keyClick(outline, Qt::Key_Right);
        QCOMPARE(outlineRows(document->outlineModel()), open);
        // A click on the triangle toggles.
        const QRect cell = outline->visualRect(document->outlineModel()->index(0, 0));
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        QCOMPARE(outlineRows(document->outlineModel()), QStringList({ "main +" }));
    }

    void tableDoubleClicksListCallsAndSelectTheCall()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        document->tabView()->setCurrentIndex(1);
        QTableView *summaryTable = document->tabView()->widget(1)->findChild<QTableView *>();
        doubleClickRow(summaryTable, summaryRowOf(*document->summaryTab(), QStringLiteral("php::strlen")));
        QCOMPARE(document->tabView()->currentIndex(), 0);
        QCOMPARE(tableRows(*document->callsTab()), QStringList({ "1|php::strlen|2\u00b5s|2\u00b5s|php:internal|3" }));

        // Enter does the same; a row that is not there does nothing.
        document->tabView()->setCurrentIndex(1);
        summaryTable->setCurrentIndex(document->summaryTab()->index(0, 0));
        QTest::keyClick(summaryTable, Qt::Key_Enter);
        QCOMPARE(tableRows(*document->callsTab()), QStringList({ "1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10" }));
        document->summaryTab()->doubleClick(-1);
        document->summaryTab()->doubleClick(2);
        QCOMPARE(document->callsTab()->rowCount(), 1);

        // A double-click in the calls table selects that call in the outline.
        document->summaryTab()->doubleClick(summaryRowOf(*document->summaryTab(), QStringLiteral("php::strlen")));
        doubleClickRow(document->tabView()->widget(0)->findChild<QTableView *>(), 0, CallsController::FunctionColumn);
        QCOMPARE(outlineRows(document->outlineModel()), QStringList({ "main -", "  render -", "    php::strlen" }));
        QCOMPARE(document->selectedCall()->function().name(), QStringLiteral("php::strlen"));
        QCOMPARE(fields(*document),
            QStringList({ "php::strlen", "php:internal", "3", "2\u00b5s (28.57%)", "2\u00b5s (28.57%)" }));
        QCOMPARE(document->callsTab()->rowCount() + document->summaryTab()->rowCount(), 0);
    }

    void headerClicksSortNumbersAsNumbersAndNamesAsText()
    {
        MyDocument *document = openText(QStringLiteral("sort.cachegrind"),
            profileHeader() + record("/a.php", "beta", 1, 9) + record("/a.php", "Alpha", 1, 100)
                + record("/a.php", "gamma", 1, 10) + record("/a.php", "php::count", 1, 50)
                + record("/a.php", "main", 1, 1, { "beta", "Alpha", "gamma", "php::count" }));
        QVERIFY(document);
        const SummaryController &summary = *document->summaryTab();
        const int names = SummaryController::FunctionColumn;
        QCOMPARE(tableRows(summary, names), QStringList({ "Alpha", "php::count", "gamma", "beta" }));
        QHeaderView *header = document->tabView()->widget(1)->findChild<QTableView *>()->horizontalHeader();
        header->setSortIndicator(SummaryController::TotalSelfTimeColumn, Qt::AscendingOrder);
        QCOMPARE(tableRows(summary, names), QStringList({ "beta", "gamma", "php::count", "Alpha" }));
        header->setSortIndicator(names, Qt::AscendingOrder);
        QCOMPARE(tableRows(summary, names), QStringList({ "Alpha", "beta", "gamma", "php::count" }));
        header->setSortIndicator(names, Qt::DescendingOrder);
        QCOMPARE(tableRows(summary, names), QStringList({ "php::count", "gamma", "beta", "Alpha" }));

        // The calls table starts in file order and sorts by time on request.
        CallsController &calls = *document->callsTab();
        QCOMPARE(tableRows(calls, CallsController::PositionColumn), QStringList({ "1", "2", "3", "4" }));
        calls.sort(CallsController::SelfTimeColumn, Qt::DescendingOrder);
        QCOMPARE(tableRows(calls, CallsController::PositionColumn), QStringList({ "2", "4", "3", "1" }));
    }

    void filteringHidesInternalFunctionsAndKeepsTheUnfilteredOrder()
    {
        MyDocument *document = openText(QStringLiteral("filter.cachegrind"),
            profileHeader() + record("php:internal", "php::strlen", 1, 30) + record("/a.php", "zeta", 1, 20)
                + record("php:internal", "require::/a.php", 1, 10)
                + record("/a.php", "main", 1, 1, { "php::strlen", "zeta", "require::/a.php" }));
        QVERIFY(document);
        SummaryController &summary = *document->summaryTab();
        CallsController &calls = *document->callsTab();
        QVERIFY(!summary.isFiltering());
        defaults().setObjectForKey(false, VTCSummaryShowsInternalPhpFunctions);
        QCOMPARE(tableRows(summary), QStringList({ "zeta|20\u00b5s|20\u00b5s|20\u00b5s|20\u00b5s|1" }));
        QCOMPARE(calls.rowCount(), 3);
        defaults().setObjectForKey(false, VTCCallStackShowsInternalPhpFunctions);
        QCOMPARE(tableRows(calls, CallsController::PositionColumn), QStringList({ "2" }));

        // A sort while filtered re-orders only what is shown.
        summary.sort(SummaryController::FunctionColumn, Qt::AscendingOrder);
        defaults().setObjectForKey(true, VTCSummaryShowsInternalPhpFunctions);
        QVERIFY(!summary.isFiltering());
        QCOMPARE(tableRows(summary, SummaryController::FunctionColumn),
            QStringList({ "php::strlen", "zeta", "require::/a.php" }));

        // Every row hidden, and an empty table filtered.
        summary.doubleClick(0);
        QCOMPARE(calls.rowCount(), 0);
        summary.reset();
        summary.filterPhpInternalFunctions(false);
        QCOMPARE(summary.rowCount(), 0);
    }

    void notificationsArriveOnceWithTheRegistryUpToDate()
    {
        const QString path = writeFile(QStringLiteral("notify.cachegrind"), workedExample);
        QStringList events;
        const auto note = [&](const QString &name, QObject *object) {
            const bool registered = m_registry->documentForURL(QUrl::fromLocalFile(path)) == object;
            events << name + (registered ? " registered" : " unregistered");
        };
        const auto connection
            = connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notificationPosted, this, note);
        MyDocument *document = open(path);
        QVERIFY(document);
        QCOMPARE(open(path), document);
        QCOMPARE(events, QStringList({ "VTCDocumentOpened registered" }));
        m_testers.clear();
        document->window()->close();
        QCOMPARE(m_registry->documents().size(), 0);
        QTRY_COMPARE(events.size(), 2);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(events, QStringList({ "VTCDocumentOpened registered", "VTCDocumentClosed unregistered" }));
        disconnect(connection);
    }

    void failuresReportTheFileAndLeaveOthersOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing.cachegrind"
                                 << "No such file or directory";
        QTest::newRow("directory") << "directory"
                                   << "Not a regular file";
        QTest::newRow("corrupt gzip") << "corrupt.cachegrind.gz"
                                      << "gzip";
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
            writeFile(name, QByteArray("\x1f\x8b\x08\x00") + "not deflate data at all");
        }
        QString error;
        QVERIFY(!m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, &error));
        QVERIFY2(error.contains(name) && error.contains(reason, Qt::CaseInsensitive), qPrintable(error));

        QVERIFY(m_registry->openDocuments({ QUrl::fromLocalFile(path) }).isEmpty());
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().first.contains(name));
        QVERIFY(m_alerts.first().second.contains(reason, Qt::CaseInsensitive));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({ other }));
        QVERIFY(other->window()->isVisible());
    }

    void aFileDeletedWhileOpenStaysUsable()
    {
        const QString path = writeFile(QStringLiteral("deleted.cachegrind"), workedExample);
        MyDocument *document = open(path);
        QVERIFY(document);
        QVERIFY(QFile::remove(path));
        selectOutlineRow(*document, 1);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("render"));
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
        QCOMPARE(document->outlineModel()->rowCount(), 0);
        QCOMPARE(fields(*document), allDashes);
        QCOMPARE(document->callsTab()->rowCount() + document->summaryTab()->rowCount(), 0);
        doubleClickRow(document->outlineView(), 0);
        defaults().setObjectForKey(1, VTCMeasurement);
        QCOMPARE(fields(*document), allDashes);
    }

    void oneDocumentPerFileAndFrontToBackOrder()
    {
        const QString path = writeFile(QStringLiteral("same.cachegrind"), workedExample);
        MyDocument *first = open(path);
        const QString link = m_dir.filePath(QStringLiteral("link.cachegrind"));
        QVERIFY(QFile::link(path, link));
        QCOMPARE(open(link), first);
        QCOMPARE(open(m_dir.path() + QStringLiteral("/./same.cachegrind")), first);
        MyDocument *second = openText(QStringLiteral("second.cachegrind"), workedExample);
        QCOMPARE(DocumentController::sharedDocumentController(), m_registry.get());
        QCOMPARE(DocumentController::frontDocument(), second);

        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(m_registry->orderedDocuments(), QList<MyDocument *>({ first, second }));
        QCOMPARE(DocumentController::frontDocument(), first);
        QCOMPARE(m_registry->recentDocumentPaths().first(), second->filePath());
        m_registry->closeAllDocuments();
        QVERIFY(!DocumentController::frontDocument());
    }

    // Expanding and collapsing the outline must not recurse per level.
    void expandingAMillionDeepChainDoesNotRecurse()
    {
        const int depth = 1000000;
        QByteArray text = profileHeader() + record("/leaf.php", "leaf", 2, 1);
        text.reserve(depth * 48);
        for (int i = 1; i < depth; ++i)
            text += "fl=/f.php\nfn=f\n1 1\ncfn=" + QByteArray(i == 1 ? "leaf" : "f") + "\ncalls=1 0 0\n1 1\n\n";
        MyDocument *document = openText(QStringLiteral("deep.cachegrind"), text);
        QVERIFY(document);
        SummaryController &summary = *document->summaryTab();
        summary.doubleClick(summaryRowOf(summary, QStringLiteral("leaf")));
        document->callsTab()->doubleClick(0);
        QCOMPARE(document->outlineModel()->rowCount(), depth);
        QCOMPARE(document->outlineModel()->depthOfRow(depth - 1), depth - 1);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("leaf"));
        // Collapsing the top takes every row below it away and selects the top.
        document->outlineModel()->collapseRow(0);
        QCOMPARE(document->outlineModel()->rowCount(), 1);
        QCOMPARE(document->selectedCall(), document->rootFunction());
    }

    // A million updates must repaint the bar only when it moves a step.
    void progressIsShownWhileReadingAndRepaintsOnlyVisibleChanges()
    {
        ProgressWindow progress;
        progress.showWindow();
        progress.setMaxValue(1000000.0);
        progress.setRemainingValue(1000000.0);
        for (int remaining = 999999; remaining >= 0; --remaining)
            progress.setRemainingValue(remaining);
        QCOMPARE(progress.barValue(), ProgressWindow::barSteps);
        QCOMPARE(progress.barRepaintCount(), ProgressWindow::barSteps);
        progress.close();
        QVERIFY(!progress.isVisible());

        // Reading a file over 300000 bytes shows the window, named for the file, only while it reads.
        QByteArray text = profileHeader();
        while (text.size() <= 300000)
            text += record("/a.php", "leaf", 1, 1);
        const ProgressSpy spy;
        QVERIFY(openText(QStringLiteral("large.cachegrind"), text));
        QCOMPARE(spy.titles, QStringList({ "Reading \u201clarge.cachegrind\u201d" }));
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<ProgressWindow *>(window) || !window->isVisible());
    }

    void labelsPaintWithIconsAndIndentation()
    {
        for (const char *name : { "phpFunctionIcon.tif", "applicationFunctionIcon.tif", "objectMethodIcon.tif" })
            QVERIFY2(!FunctionIcons::imageNamed(QLatin1String(name)).isNull(), name);

        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        document->outlineModel()->expandRow(1);
        QVERIFY(!document->window()->grab().isNull());
        const auto *delegate = qobject_cast<FunctionLabelDelegate *>(document->outlineView()->itemDelegate());
        QVERIFY(delegate);
        QStyleOptionViewItem option;
        option.font = document->outlineView()->font();
        const CallTreeModel &model = *document->outlineModel();
        const auto leading = [&](int row) {
            return delegate->sizeHint(option, model.index(row, 0)).width()
                - QFontMetrics(option.font).horizontalAdvance(model.callAtRow(row)->function().name());
        };
        QCOMPARE(leading(2) - leading(0), 2 * FunctionLabelDelegate::indentation);
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
