#include "DocumentTestSupport.h"

#include "RecordingAlertPresenter.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentController.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "FunctionIcons.h"
#include "FunctionLabelDelegate.h"
#include "MyDocument.h"
#include "NotificationCenter.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

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

const QStringList allDashes = { "-", "-", "-", "-", "-" };

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

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DocumentController> m_registry;
    QStringList m_alerts;
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
        MyDocument *document = openAndWait(*m_registry, path, &error);
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
        QCOMPARE(outlineRows(*document->outlineModel()), QStringList({ "main -", "  render +" }));
        QCOMPARE(document->outlineModel()->rowOfCall(document->rootFunction()->getChild(0)->getChild(0)), -1);
        QCOMPARE(document->selectedCall(), document->rootFunction());
        QCOMPARE(fields(*document),
            QStringList({ "main", "/var/www/index.php", "1", "13\u00b5s (65.00%)",
                "20\u00b5s (100.00%); profiler's summary: time 20\u00b5s" }));
        QCOMPARE(tableRows(*document->callsTab(), CallsController::FunctionColumn), QStringList({ "render" }));
        QCOMPARE(tableRows(*document->summaryTab(), SummaryController::FunctionColumn),
            QStringList({ "render", "php::strlen" }));
        // A click on a column header sorts by it.
        auto *summaryTable = document->tabView()->widget(1)->findChild<QTableView *>();
        summaryTable->horizontalHeader()->setSortIndicator(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QCOMPARE(tableRows(*document->summaryTab(), SummaryController::FunctionColumn),
            QStringList({ "php::strlen", "render" }));

        // A selection refills the details and both tables; no selection empties them.
        selectOutlineRow(*document, 1);
        QCOMPARE(fields(*document),
            QStringList({ "render", "/var/www/index.php", "10", "5\u00b5s (25.00%)", "7\u00b5s (35.00%)" }));
        QCOMPARE(tableRows(*document->callsTab(), CallsController::FunctionColumn), QStringList({ "php::strlen" }));
        QCOMPARE(tableRows(*document->summaryTab(), SummaryController::FunctionColumn), QStringList({ "php::strlen" }));

        document->outlineView()->selectionModel()->clearSelection();
        QCOMPARE(fields(*document), allDashes);
        QCOMPARE(document->callsTab()->rowCount() + document->summaryTab()->rowCount(), 0);
        defaults().setObjectForKey(0, VTCMeasurement); // with nothing selected the dashes stay
        QCOMPARE(fields(*document), allDashes);
    }

    // The tables' own redisplay is tested with the models.
    void settingChangesReachEveryDocument_data()
    {
        QTest::addColumn<int>("measurement");
        QTest::addColumn<bool>("displayDash");
        QTest::addColumn<QStringList>("renderTimes");
        QTest::newRow("milliseconds, dashed") << 1 << true << QStringList({ "-", "-" });
        QTest::newRow("milliseconds, no dash") << 1 << false << QStringList({ "0.0ms (25.00%)", "0.0ms (35.00%)" });
        QTest::newRow("seconds, no dash") << 0 << false << QStringList({ "0.000s (25.00%)", "0.000s (35.00%)" });
    }

    void settingChangesReachEveryDocument()
    {
        QFETCH(int, measurement);
        QFETCH(bool, displayDash);
        const QList<MyDocument *> documents = { openText(QStringLiteral("one.cachegrind"), workedExample),
            openText(QStringLiteral("two.cachegrind"), workedExample) };
        QVERIFY(!documents.contains(nullptr));
        for (MyDocument *document : documents)
            selectOutlineRow(*document, 1);
        defaults().setObjectForKey(measurement, VTCMeasurement);
        defaults().setObjectForKey(displayDash, VTCDisplayDash);
        for (MyDocument *document : documents)
            QTEST(fields(*document).mid(3), "renderTimes");
    }

    void outlineDoubleClickAndKeysToggleRows()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        QVERIFY(document);
        CallTreeView *outline = document->outlineView();
        const QStringList open = { "main -", "  render -", "    php::strlen" };
        doubleClickRow(outline, 0);
        QCOMPARE(outlineRows(*document->outlineModel()), QStringList({ "main +" }));
        doubleClickRow(outline, 0);
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Return);
        QCOMPARE(outlineRows(*document->outlineModel()), open);
        doubleClickRow(outline, 2); // a leaf only gets selected
        QCOMPARE(outlineRows(*document->outlineModel()), open);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("php::strlen"));
        outline->setCurrentIndex(document->outlineModel()->index(1, 0));
        QTest::keyClick(outline, Qt::Key_Left);
        QCOMPARE(outlineRows(*document->outlineModel()), QStringList({ "main -", "  render +" }));
        QTest::keyClick(outline, Qt::Key_Right);
        QCOMPARE(outlineRows(*document->outlineModel()), open);
        // A click on the triangle toggles.
        const QRect cell = outline->visualRect(document->outlineModel()->index(0, 0));
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        QCOMPARE(outlineRows(*document->outlineModel()), QStringList({ "main +" }));
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
        document->summaryRowActivated(-1);
        document->summaryRowActivated(2);
        QCOMPARE(document->callsTab()->rowCount(), 1);

        // A double-click in the calls table selects that call in the outline.
        document->summaryRowActivated(summaryRowOf(*document->summaryTab(), QStringLiteral("php::strlen")));
        doubleClickRow(document->tabView()->widget(0)->findChild<QTableView *>(), 0, CallsController::FunctionColumn);
        QCOMPARE(outlineRows(*document->outlineModel()), QStringList({ "main -", "  render -", "    php::strlen" }));
        QCOMPARE(document->selectedCall()->function().name(), QStringLiteral("php::strlen"));
        QCOMPARE(fields(*document),
            QStringList({ "php::strlen", "php:internal", "3", "2\u00b5s (28.57%)", "2\u00b5s (28.57%)" }));
        QCOMPARE(document->callsTab()->rowCount() + document->summaryTab()->rowCount(), 0);
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
                                   << "not a regular file";
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
        QVERIFY(!openAndWait(*m_registry, path, &error));
        QVERIFY2(error.contains(name) && error.contains(reason, Qt::CaseInsensitive), qPrintable(error));

        m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        QTRY_COMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().contains(name) && m_alerts.first().contains(reason, Qt::CaseInsensitive));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({ other }));
        QVERIFY(other->window()->isVisible());
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
        QCOMPARE(m_registry->orderedDocuments().first(), second);

        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(m_registry->orderedDocuments(), QList<MyDocument *>({ first, second }));
        QCOMPARE(m_registry->recentDocumentPaths().first(), second->filePath());
        // Deleted while open, it stays open and usable.
        QVERIFY(QFile::remove(path));
        QCOMPARE(open(path), first);
        selectOutlineRow(*first, 1);
        QCOMPARE(first->functionNameTextField()->text(), QStringLiteral("render"));
        QVERIFY(m_alerts.isEmpty());
        m_registry->closeAllDocuments();
        QVERIFY(m_registry->orderedDocuments().isEmpty());
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
        document->summaryRowActivated(summaryRowOf(summary, QStringLiteral("leaf")));
        document->callsRowActivated(0);
        QCOMPARE(document->outlineModel()->rowCount(), depth);
        QCOMPARE(document->outlineModel()->depthOfRow(depth - 1), depth - 1);
        QCOMPARE(document->functionNameTextField()->text(), QStringLiteral("leaf"));
        // Collapsing the top takes every row below it away and selects the top.
        document->outlineModel()->collapseRow(0);
        QCOMPARE(document->outlineModel()->rowCount(), 1);
        QCOMPARE(document->selectedCall(), document->rootFunction());
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
