#include "CallTreeTestSupport.h"
#include "DataColumns.h"
#include "DocumentOpening.h"
#include "RecordingAlertPresenter.h"

#include "CallPath.h"
#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallersController.h"
#include "CallsController.h"
#include "ColumnChooser.h"
#include "DetailField.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FindBar.h"
#include "FlameGraphColours.h"
#include "FlameGraphLayout.h"
#include "FlameGraphPathBar.h"
#include "FlameGraphTab.h"
#include "FlameGraphView.h"
#include "FormattedName.h"
#include "FunctionLabelDelegate.h"
#include "MergedCallTree.h"
#include "MyDocument.h"
#include "NotificationCenter.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QStringList fields(const MyDocument &document)
{
    return { partOf<DetailField>(document, "functionNameTextField")->wholeText(),
        partOf<DetailField>(document, "fileNameTextField")->wholeText(),
        partOf<DetailField>(document, "lineNumberTextField")->wholeText(),
        partOf<DetailField>(document, "selfTimeTextField")->wholeText(),
        partOf<DetailField>(document, "inclusiveTimeTextField")->wholeText() };
}

// The details, then the functions of the calls table and of the summary.
QStringList shown(const MyDocument &document)
{
    return fields(document)
        << tableRows(tableOf(document, "callsTableView"), CallsController::FunctionColumn).join(' ')
        << tableRows(tableOf(document, "summaryTableView"), SummaryController::FunctionColumn).join(' ');
}

const QStringList nothingShown = { "-", "-", "-", "-", "-", "", "" };

void doubleClickRow(QAbstractItemView *view, int row, int column = 0)
{
    const QPoint centre = view->visualRect(view->model()->index(row, column)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre); // a double-click follows a click
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
}

int summaryRowOf(const QAbstractItemModel &summary, const QString &name)
{
    return int(tableRows(summary, SummaryController::FunctionColumn).indexOf(name));
}

// One record of a profile that records time and memory: a call with its
// self costs that calls the `callees` records just before it.
QByteArray node(const QByteArray &name, int time, int memory, int callees = 0)
{
    QByteArray text = "fl=/" + name + ".php\nfn=" + name + "\n3 " + QByteArray::number(time) + ' '
        + QByteArray::number(memory) + '\n';
    for (int i = 0; i < callees; ++i)
        text += "cfn=x\n";
    return text + '\n';
}

// main calls a (which calls c), t1 (which calls u), t2, b, t3 and t4: 1000
// inclusive time units in all. Memory: a's own is negative, c's is larger
// than a's inclusive, t3's is negative.
const QByteArray shapes = "events: Time Memory\n\n" + node("c", 200, 300) + node("a", 200, -100, 1) + node("u", 5, 0)
    + node("t1", 0, 0, 1) + node("t2", 5, 0) + node("b", 280, 250) + node("t3", 5, -10) + node("t4", 0, 0)
    + node("main", 305, 60, 6);

std::unique_ptr<Profile> profileOf(const QByteArray &text)
{
    auto profile = std::make_unique<Profile>();
    if (!profile->readFromData(text))
        qFatal("cannot read the profile");
    return profile;
}

// A chain of calls f0 -> f1 -> ... with `names` in order.
QByteArray chain(const QStringList &names)
{
    QByteArray text = "events: Time Memory\n\n";
    for (qsizetype i = names.size(); i-- > 0;)
        text += node(names[i].toUtf8(), 1, 0, i + 1 < names.size() ? 1 : 0);
    return text;
}

// The calls of the chain the path bar is tried on.
const QStringList chainNames = QStringLiteral("f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 f10 f11 f12 f13 f14").split(' ');

QString nameOf(const ProfiledFunctionCall *call)
{
    return call ? call->function().name() : QStringLiteral("(gap)");
}

// The path of the profile's estimated call tree reached from its root by
// the child names in `names` ("a/b"), or none.
quint32 estimatedPathAt(const Profile &profile, const QString &names)
{
    const MergedCallTree &paths = profile.estimatedCallTree();
    quint32 path = paths.root();
    for (const QString &name : names.split(u'/', Qt::SkipEmptyParts)) {
        quint32 next = MergedCallTree::none;
        for (quint32 i = 0; path != MergedCallTree::none && i < paths.childCount(path); ++i) {
            if (profile.function(paths.function(paths.child(path, i))).name() == name)
                next = paths.child(path, i);
        }
        path = next;
    }
    return path;
}

// The child names from the root down to the estimated path.
QString namesOfEstimatedPath(const Profile &profile, quint32 path)
{
    const MergedCallTree &paths = profile.estimatedCallTree();
    QStringList names;
    for (; path != MergedCallTree::none && paths.parent(path) != MergedCallTree::none; path = paths.parent(path))
        names.prepend(profile.function(paths.function(path)).name());
    return names.join(u'/');
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

    QString write(const QString &name, const QByteArray &contents) { return writeFile(m_dir.filePath(name), contents); }

    // Opens a document (the test cannot go on without it) and puts its three
    // models under the model tester.
    MyDocument *open(const QString &path)
    {
        QString error;
        MyDocument *document = openAndWait(*m_registry, path, &error);
        if (!document)
            qFatal("%s", qPrintable(error));
        for (QAbstractItemModel *model : std::initializer_list<QAbstractItemModel *> { outlineOf(*document)->model(),
                 &tableOf(*document, "callsTableView"), &tableOf(*document, "summaryTableView") })
            m_testers.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::QtTest));
        return document;
    }

    MyDocument *openText(const QString &name, const QByteArray &text) { return open(write(name, text)); }

    std::unique_ptr<Profile> m_shapes;
    std::unique_ptr<FlameGraphView> m_view;

    // A graph of main of the shapes profile, `width` pixels wide.
    FlameGraphView &view(int width = 1000)
    {
        m_view = std::make_unique<FlameGraphView>();
        m_view->setFrameShape(QFrame::NoFrame);
        m_view->resize(width, 300);
        m_view->setCall(m_shapes->rootFunction());
        m_view->show();
        return *m_view;
    }

    QPoint pointIn(FlameGraphView &graph, int row, int x) { return QPoint(x, row * graph.rowHeight() + 3); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        registerSettingsDefaults();
        qRegisterMetaType<const ProfiledFunctionCall *>();
        m_shapes = profileOf(shapes);
    }

    void init()
    {
        for (const QString &key : { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                 VTCSummaryShowsInternalPhpFunctions, VTCMergeRepeatedCalls, VTCHeaviestFirst, VTCHideCallsBelow })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the example's times are small
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
    }

    void cleanup()
    {
        m_view.reset();
        m_testers.clear();
        m_registry.reset();
    }

    void openingShowsTheRootAndSelectionRefillsEveryPart()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        outlineModelOf(*document).expandRow(0); // a second expand must not insert the children again
        QVERIFY(!document->window()->grab().isNull());
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main -", "  render +" }));
        QCOMPARE(outlineModelOf(*document).rowOfCall(document->rootFunction()->getChild(0)->getChild(0)), -1);
        QCOMPARE(document->window()->selectedCall(), document->rootFunction());
        QCOMPARE(shown(*document),
            QStringList({ "main", "/var/www/index.php", "1", "13µs (65.00%)", "20µs (100.00%)", "render",
                "render php::strlen" }));
        auto *summaryTable = partOf<QTabWidget>(*document, "tabView")->widget(1)->findChild<QTableView *>();
        summaryTable->horizontalHeader()->setSortIndicator(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QCOMPARE(tableRows(tableOf(*document, "summaryTableView"), SummaryController::FunctionColumn),
            QStringList({ "php::strlen", "render" }));
        selectOutlineRow(*document, 1);
        QCOMPARE(shown(*document),
            QStringList({ "render", "/var/www/index.php", "10", "5µs (25.00%)", "7µs (35.00%)", "php::strlen",
                "php::strlen" }));

        outlineOf(*document)->selectionModel()->clearSelection();
        QCOMPARE(shown(*document), nothingShown);
        defaults().setObjectForKey(0, VTCMeasurement); // with nothing selected the dashes stay
        QCOMPARE(shown(*document), nothingShown);
    }

    void settingChangesReachEveryDocument()
    {
        const QList<MyDocument *> documents = { openText(QStringLiteral("one.cachegrind"), workedExample),
            openText(QStringLiteral("two.cachegrind"), workedExample) };
        for (MyDocument *document : documents)
            selectOutlineRow(*document, 1);
        defaults().setObjectForKey(1, VTCMeasurement);
        defaults().setObjectForKey(false, VTCDisplayDash);
        for (MyDocument *document : documents)
            QCOMPARE(fields(*document).mid(3), QStringList({ "0.0ms (25.00%)", "0.0ms (35.00%)" }));
    }

    void outlineDoubleClickAndKeysToggleRows()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        CallTreeView *outline = outlineOf(*document);
        const QStringList open = { "main -", "  render -", "    php::strlen" };
        doubleClickRow(outline, 0);
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main +" }));
        doubleClickRow(outline, 0);
        outline->setCurrentIndex(outlineModelOf(*document).index(1, 0));
        QTest::keyClick(outline, Qt::Key_Return);
        QCOMPARE(outlineRows(outlineModelOf(*document)), open);
        doubleClickRow(outline, 2); // a leaf only gets selected
        QCOMPARE(outlineRows(outlineModelOf(*document)), open);
        QCOMPARE(partOf<DetailField>(*document, "functionNameTextField")->wholeText(), QStringLiteral("php::strlen"));
        outline->setCurrentIndex(outlineModelOf(*document).index(1, 0));
        QTest::keyClick(outline, Qt::Key_Left);
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main -", "  render +" }));
        QTest::keyClick(outline, Qt::Key_Right);
        QCOMPARE(outlineRows(outlineModelOf(*document)), open);
        // A click on the triangle toggles.
        const QRect cell = outline->visualRect(outlineModelOf(*document).index(0, 0));
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main +" }));
        QCOMPARE(document->window()->selectedCall(), document->rootFunction()); // the selection was hidden
    }

    void tableDoubleClicksListCallsAndSelectTheCall()
    {
        MyDocument *document = openText(QStringLiteral("worked.cachegrind"), workedExample);
        partOf<QTabWidget>(*document, "tabView")->setCurrentIndex(1);
        QTableView *summaryTable = partOf<QTabWidget>(*document, "tabView")->widget(1)->findChild<QTableView *>();
        doubleClickRow(
            summaryTable, summaryRowOf(tableOf(*document, "summaryTableView"), QStringLiteral("php::strlen")));
        QCOMPARE(partOf<QTabWidget>(*document, "tabView")->currentIndex(), 0);
        QCOMPARE(
            tableRows(tableOf(*document, "callsTableView")), QStringList({ "1|php::strlen|2µs|2µs|php:internal|3" }));
        partOf<QTabWidget>(*document, "tabView")->setCurrentIndex(1);
        summaryTable->setCurrentIndex(tableOf(*document, "summaryTableView").index(0, 0));
        QTest::keyClick(summaryTable, Qt::Key_Enter);
        QCOMPARE(
            tableRows(tableOf(*document, "callsTableView")), QStringList({ "1|render|5µs|7µs|/var/www/index.php|10" }));
        partOf<QTabWidget>(*document, "tabView")->setCurrentIndex(1);
        doubleClickRow(
            summaryTable, summaryRowOf(tableOf(*document, "summaryTableView"), QStringLiteral("php::strlen")));
        doubleClickRow(partOf<QTabWidget>(*document, "tabView")->widget(0)->findChild<QTableView *>(), 0,
            CallsController::FunctionColumn);
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main -", "  render -", "    php::strlen" }));
        QCOMPARE(shown(*document),
            QStringList({ "php::strlen", "php:internal", "3", "2µs (28.57%)", "2µs (28.57%)", "", "" }));
    }

    void notificationsArriveOnceWithTheRegistryUpToDate()
    {
        const QString path = write(QStringLiteral("notify.cachegrind"), workedExample);
        QStringList events;
        const auto note = [&](const QString &name, QObject *object) {
            const bool registered = m_registry->documentForURL(QUrl::fromLocalFile(path)) == object;
            events << name + (registered ? " registered" : " unregistered");
        };
        const auto connection
            = connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notificationPosted, this, note);
        MyDocument *document = open(path);
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

    void anEmptyProfileShowsNothingButDashes()
    {
        MyDocument *document = openText(QStringLiteral("empty.cachegrind"), profileHeader());
        QCOMPARE(outlineModelOf(*document).rowCount(), 0);
        doubleClickRow(outlineOf(*document), 0);
        QCOMPARE(shown(*document), nothingShown);
    }

    void oneDocumentPerFileAndFrontToBackOrder()
    {
        const QString path = write(QStringLiteral("same.cachegrind"), workedExample);
        MyDocument *first = open(path);
        const QString link = m_dir.filePath(QStringLiteral("link.cachegrind"));
        QVERIFY(QFile::link(path, link));
        QCOMPARE(open(link), first);
        QCOMPARE(open(m_dir.path() + QStringLiteral("/./same.cachegrind")), first);
        MyDocument *second = openText(QStringLiteral("second.cachegrind"), memoryExample);
        QCOMPARE(m_registry->orderedDocuments().first(), second);

        first->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(first->window()));
        QCOMPARE(m_registry->orderedDocuments(), QList<MyDocument *>({ first, second }));
        QVERIFY(QFile::remove(path));
        QCOMPARE(open(path), first);
        selectOutlineRow(*first, 1);
        QCOMPARE(partOf<DetailField>(*first, "functionNameTextField")->wholeText(), QStringLiteral("render"));
        QVERIFY(m_alerts.isEmpty());
        m_registry->closeAllDocuments();
        QVERIFY(m_registry->orderedDocuments().isEmpty());
    }

    // Each row starts with "deep" typed in the find bar and `from`
    // selected, then presses `key` in the find field or the outline.
    void keysFindAndMoveAboutTheTree_data()
    {
        addColumns<QString, QString, bool, QString, QString>("from", "key", "inField", "selected", "status");
        QTest::newRow("Enter") << u""_s << "Return" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("Shift+Enter goes round") << u""_s << "Shift+Return" << true << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("F3") << u"a1/y/deep1"_s << "F3" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("Shift+F3 from a later call") << u"b"_s << "Shift+F3" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("Go to Caller") << u"a1/y/deep1"_s << "Alt+Up" << false << u"a1/y"_s << "2 matches";
        QTest::newRow("Go to Caller at the top") << u""_s << "Alt+Up" << false << u""_s << "2 matches";
        QTest::newRow("Expand Hot Path") << u""_s << "Ctrl+E" << false << u"a1/y/deep1"_s << "1 of 2";
    }

    void keysFindAndMoveAboutTheTree()
    {
        QFETCH(QString, key);
        MyDocument *document = openText(QStringLiteral("branching.cachegrind"), branchingProfile());
        document->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(document->window()));
        CallTreeView *outline = outlineOf(*document);
        FindBar *bar = partOf<FindBar>(*document, "findBar");
        QVERIFY(!bar->isVisible());
        QTest::keyClick(outline, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible() && bar->field()->hasFocus());
        QTest::keyClicks(bar->field(), QStringLiteral("deep"));
        QTRY_COMPARE(bar->status(), QStringLiteral("2 matches"));
        document->window()->selectCall(*callAtPath(document->rootFunction(), fetched<QString>("from")));

        const QKeyCombination combination = QKeySequence::fromString(key)[0]; // e.g. "Shift+F3"
        QTest::keyClick(fetched<bool>("inField") ? static_cast<QWidget *>(bar->field()) : outline, combination.key(),
            combination.keyboardModifiers());
        QTEST(pathOfCall(document->window()->selectedCall()), "selected");
        QCOMPARE(
            outline->currentIndex().row(), outlineModelOf(*document).rowOfCall(document->window()->selectedCall()));
        QTEST(bar->status(), "status");
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(outline->hasFocus());
    }

    // Merging repeated calls selects the path of the selected call, and
    // going back the path's first call, in either order of children.
    void switchingModesKeepsTheCallPath_data()
    {
        // from: main's child, then the path below it; merged: the selected
        // row's name and calls; back: main's child the call selected after
        // going back is under
        addColumns<bool, int, QString, QString, int>("heaviestFirst", "child", "from", "merged", "back");
        QTest::newRow("the top") << false << -1 << u""_s << "main|×1" << -1;
        QTest::newRow("a call of a repeated path") << false << 1 << u"b"_s << "b|×2" << 0;
        QTest::newRow("a path of one call") << false << 1 << u"c"_s << "c|×1" << 1;
        QTest::newRow("heaviest first") << true << 1 << u"c"_s << "c|×1" << 1;
    }

    void switchingModesKeepsTheCallPath()
    {
        // main -> [a -> [b], a -> [b, c], d]
        MyDocument *document = openText(QStringLiteral("repeated.cachegrind"),
            profileHeader() + record("/f.php", "b", 1, 2) + record("/f.php", "a", 2, 1, { "b" })
                + record("/f.php", "b", 3, 3) + record("/f.php", "c", 4, 10) + record("/f.php", "a", 5, 1, { "b", "c" })
                + record("/f.php", "d", 6, 4) + record("/f.php", "main", 7, 0, { "a", "a", "d" }));
        const ProfiledFunctionCall *root = document->rootFunction();
        const auto under = [root](int child) { return child < 0 ? root : root->getChild(child); };
        const QString from = fetched<QString>("from");
        defaults().setObjectForKey(fetched<bool>("heaviestFirst"), VTCHeaviestFirst);
        document->window()->selectCall(*callAtPath(under(fetched<int>("child")), from));
        defaults().setObjectForKey(true, VTCMergeRepeatedCalls);
        CallTreeView *outline = outlineOf(*document);
        const QStringList row = tableRows(*outline->model()).at(outline->currentIndex().row()).split(u'|');
        QCOMPARE(row.first() + u'|' + row.last(), fetched<QString>("merged"));
        // The details show the path's totals, their average and the calls.
        QCOMPARE(fields(*document).first(), row.first());
        QCOMPARE(partOf<DetailField>(*document, "callsTextField")->wholeText(), row.last());
        QVERIFY(fields(*document).last().startsWith(row.at(1) + u" ("_s)
            && fields(*document).last().endsWith(u" per call"_s));
        // The flame graph shows the path's bar at its top.
        FlameGraphView *graph = partOf<FlameGraphTab>(*document, "flameGraphTab")->view();
        QVERIFY(graph->bars().isMerged());
        QCOMPARE(graph->bars().callCount(graph->bars().bar(0).call), row.last().mid(1).toULongLong());
        defaults().setObjectForKey(false, VTCMergeRepeatedCalls);
        QVERIFY(!graph->bars().isMerged());
        QCOMPARE(document->window()->selectedCall(), callAtPath(under(fetched<int>("back")), from));
        QCOMPARE(
            outline->currentIndex().row(), outlineModelOf(*document).rowOfCall(document->window()->selectedCall()));
    }

    void hiddenCallsStayHiddenOnReopeningAndAreNoCalls()
    {
        // main -> [a (3), a (14), d (4)]: below a fifth, the first a and d.
        const QString path = write(QStringLiteral("hidden.cachegrind"),
            profileHeader() + record("/f.php", "b", 1, 2) + record("/f.php", "a", 2, 1, { "b" })
                + record("/f.php", "b", 3, 3) + record("/f.php", "c", 4, 10) + record("/f.php", "a", 5, 1, { "b", "c" })
                + record("/f.php", "d", 6, 4) + record("/f.php", "main", 7, 0, { "a", "a", "d" }));
        MyDocument *document = open(path);
        // What the dialog keeps.
        defaults().setObjectForKey(0.2, VTCHideCallsBelow);
        const QStringList hidden = { "main -", "  a +", "  2 more calls (33.3%)" };
        QCOMPARE(outlineRows(outlineModelOf(*document)), hidden);
        // The row of hidden calls shows no call, and nothing moves from it.
        selectOutlineRow(*document, 2);
        QCOMPARE(shown(*document), nothingShown);
        QVERIFY(!document->window()->goToCallerAction()->isEnabled());
        QVERIFY(!document->window()->expandHotPathAction()->isEnabled());

        m_testers.clear();
        document->window()->close();
        document = open(path);
        QCOMPARE(outlineRows(outlineModelOf(*document)), hidden);
        const QList<QAction *> items = document->window()->viewActions();
        const auto item = [&](const QString &start) {
            return *std::find_if(
                items.begin(), items.end(), [&](QAction *action) { return action->text().startsWith(start); });
        };
        QCOMPARE(item(u"Hide Calls Below"_s)->text(), u"Hide Calls Below 20%\u2026"_s);
        QVERIFY(item(u"Hide Calls Below"_s)->isChecked());
        item(u"Show All Calls"_s)->trigger();
        QCOMPARE(defaults().objectForKey(VTCHideCallsBelow).toDouble(), 0.0);
        QCOMPARE(outlineRows(outlineModelOf(*document)), QStringList({ "main -", "  a +", "  a +", "  d" }));
        QVERIFY(!item(u"Hide Calls Below"_s)->isChecked() && !item(u"Show All Calls"_s)->isEnabled());

        // The summary of a merged row covers the calls along its path.
        defaults().setObjectForKey(true, VTCMergeRepeatedCalls);
        document->window()->selectCall(*document->rootFunction()->getChild(0));
        auto *summaryTable = partOf<QTableView>(*document, "summaryTableView");
        summaryTable->horizontalHeader()->setSortIndicator(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QCOMPARE(tableRows(tableOf(*document, "summaryTableView"), SummaryController::CallCountColumn),
            QStringList({ "2", "1" }));
    }

    void findReportsMistakesAndOpensItsBarWhenEmpty()
    {
        MyDocument *document = openText(QStringLiteral("branching.cachegrind"), branchingProfile());
        FindBar *bar = partOf<FindBar>(*document, "findBar");
        document->window()->findNext(); // nothing to find yet: the bar opens instead
        QVERIFY(bar->isVisible());
        QCOMPARE(document->window()->selectedCall(), document->rootFunction());
        bar->field()->setText(QStringLiteral("a1("));
        bar->setRegularExpression(true);
        QTRY_VERIFY(bar->status().startsWith(QStringLiteral("Invalid")));
        document->window()->findNext();
        QCOMPARE(document->window()->selectedCall(), document->rootFunction());
        bar->setRegularExpression(false);
        document->window()->findPrevious(); // searches at once, without waiting for the pause
        QCOMPARE(bar->status(), QStringLiteral("No match"));
    }

    // main -> [A -> F -> A -> F, B -> F]: the callers of F are A (twice)
    // and B; a double-click lists a caller's calls of F.
    void callersTabListsCallersAndHandsTheirCallsOver()
    {
        const QByteArray text = profileHeader() + record("/f.php", "F", 1, 5) + record("/f.php", "A", 2, 1, { "F" })
            + record("/f.php", "F", 3, 10, { "A" }) + record("/f.php", "A", 4, 2, { "F" }) + record("/f.php", "F", 5, 7)
            + record("/f.php", "B", 6, 0, { "F" }) + record("/f.php", "main", 7, 0, { "A", "B" });
        MyDocument *document = openText(QStringLiteral("callers.cachegrind"), text);
        const auto callerNames
            = [&] { return tableRows(tableOf(*document, "callersTableView"), CallersController::FunctionColumn); };
        document->window()->selectCall(*callAtPath(document->rootFunction(), QStringLiteral("B/F")));
        QCOMPARE(tableOf(*document, "callersTableView").rowCount(), 0); // filled only when its tab is in front
        partOf<QTabWidget>(*document, "tabView")
            ->setCurrentWidget(partOf<QTableView>(*document, "callersTableView")->parentWidget());
        QCOMPARE(callerNames(), QStringList({ "A", "B" }));
        document->window()->selectCall(*callAtPath(document->rootFunction(), QStringLiteral("A/F")));

        doubleClickRow(partOf<QTableView>(*document, "callersTableView"), 0);
        QCOMPARE(partOf<QTabWidget>(*document, "tabView")->currentWidget(),
            partOf<QTableView>(*document, "callsTableView")->parentWidget());
        QCOMPARE(tableRows(tableOf(*document, "callsTableView"), CallsController::FunctionColumn),
            QStringList({ "F", "F" }));
    }

    void hiddenColumnsAreRememberedForEveryWindow_data()
    {
        // view: 0 the outline, then the calls, summary and callers tables
        addColumns<int, int, QString>("view", "column", "key");
        QTest::newRow("outline") << 0 << int(CallTreeModel::SelfTimeColumn) << VTCOutlineHiddenColumns;
        QTest::newRow("calls") << 1 << int(CallsController::FileColumn) << VTCCallsHiddenColumns;
        QTest::newRow("summary") << 2 << int(SummaryController::CallCountColumn) << VTCSummaryHiddenColumns;
        QTest::newRow("callers") << 3 << int(CallersController::CallCountColumn) << VTCCallersHiddenColumns;
    }

    void hiddenColumnsAreRememberedForEveryWindow()
    {
        QFETCH(int, view);
        QFETCH(int, column);
        QFETCH(QString, key);
        const auto headers = [](MyDocument *document) {
            return QList<QHeaderView *>(
                { outlineOf(*document)->header(), partOf<QTableView>(*document, "callsTableView")->horizontalHeader(),
                    partOf<QTableView>(*document, "summaryTableView")->horizontalHeader(),
                    partOf<QTableView>(*document, "callersTableView")->horizontalHeader() });
        };
        const auto hiddenSections = [&](MyDocument *document) {
            QStringList hidden;
            for (int v = 0; v < 4; ++v) {
                for (int section = 0; section < headers(document).at(v)->count(); ++section) {
                    if (headers(document).at(v)->isSectionHidden(section))
                        hidden << QStringLiteral("%1:%2").arg(v).arg(section);
                }
            }
            return hidden;
        };
        const QStringList hiddenOne = { QStringLiteral("%1:%2").arg(view).arg(column) };
        MyDocument *first = openText(QStringLiteral("first.cachegrind"), memoryExample);
        QCOMPARE(hiddenSections(first), QStringList());
        QMenu menu;
        auto *chooser = headers(first).at(view)->findChild<ColumnChooser *>();
        QVERIFY(chooser);
        chooser->populateMenu(menu);
        QVERIFY(!menu.actions().first()->isEnabled()); // the function stays
        menu.actions().at(column)->trigger();
        QCOMPARE(defaults().objectForKey(key).toStringList(), QStringList({ QString::number(column) }));

        MyDocument *second = openText(QStringLiteral("second.cachegrind"), memoryExample);
        QCOMPARE(hiddenSections(first), hiddenOne);
        selectOutlineRow(*second, 1); // refilling a table keeps its hidden columns
        QCOMPARE(hiddenSections(second), hiddenOne);
        menu.actions().at(column)->trigger();
        QCOMPARE(hiddenSections(second), QStringList());
        defaults().removeObjectForKey(key);
    }

    // Memory beside time in the details, with the share of the caller's
    // memory when that is above 0, and the profiler's summary for the top
    // call; no memory fields or columns for a profile without memory.
    void memoryIsShownWhereTimeIs_data()
    {
        // memory: self and inclusive; none when hidden; summary: none when hidden
        addColumns<QByteArray, QString, QStringList, QString>("profile", "call", "memory", "summary");
        QTest::newRow("the top call") << memoryExample << ""
                                      << QStringList({ "1000 bytes (94.34%)", "1.04 KiB (100.00%)" })
                                      << "time 20µs, peak memory 2.00 KiB";
        QTest::newRow("freeing memory") << memoryExample << "render"
                                        << QStringList({ "-40 bytes (-3.77%)", "60 bytes (5.66%)" }) << QString();
        QTest::newRow("below a caller that frees") << QByteArray(profileHeader(true)
            + record("/a.php", "leaf", 2, 1, {}, 30) + record("/a.php", "main", 1, 1, { "leaf" }, -50))
                                                   << "leaf" << QStringList({ "30 bytes", "30 bytes" }) << QString();
        QTest::newRow("no memory") << workedExample << "" << QStringList() << "time 20µs";
    }

    void memoryIsShownWhereTimeIs()
    {
        QFETCH(QStringList, memory);
        MyDocument *document = openText(QStringLiteral("memory.cachegrind"), fetched<QByteArray>("profile"));
        document->window()->selectCall(*callAtPath(document->rootFunction(), fetched<QString>("call")));
        const auto shown = [](DetailField *field) { return field->isVisibleTo(field->window()); };
        QStringList fields;
        for (DetailField *field : { partOf<DetailField>(*document, "selfMemoryTextField"),
                 partOf<DetailField>(*document, "inclusiveMemoryTextField") }) {
            if (shown(field))
                fields << field->wholeText();
        }
        QCOMPARE(fields, memory);
        DetailField *summary = partOf<DetailField>(*document, "profilerSummaryTextField");
        QTEST(shown(summary) ? summary->wholeText() : QString(), "summary");
        QCOMPARE(
            outlineOf(*document)->header()->isSectionHidden(CallTreeModel::InclusiveMemoryColumn), memory.isEmpty());
        QCOMPARE(partOf<QTableView>(*document, "summaryTableView")
                     ->horizontalHeader()
                     ->isSectionHidden(SummaryController::TotalSelfMemoryColumn),
            memory.isEmpty());
    }

    void detailsShowLongTextsWhole_data()
    {
        addColumns<QString, QString>("file", "function");
        QTest::newRow("a method in a namespace")
            << "/a.php" << u"Vendor\\Package\\Http\\Middleware\\AuthenticateWithBasicAuth->handle"_s;
        QTest::newRow("a static method") << "/a.php" << u"Illuminate\\Support\\Facades\\Facade::__callStatic"_s;
        QTest::newRow("a deep path") << "/srv/www/vendor/symfony/http-kernel/EventListener/RouterListener.php"
                                     << "main";
        QTest::newRow("one long word") << "/a.php" << QString(150, u'x');
    }

    void detailsShowLongTextsWhole()
    {
        // As narrow as the pane usually gets.
        constexpr int width = 200;
        MyDocument *document = openText(QStringLiteral("long.cachegrind"),
            profileHeader() + record(fetched<QString>("file").toUtf8(), fetched<QString>("function").toUtf8(), 1, 5));
        const QList<std::pair<const char *, QString>> shown { { "functionNameTextField", fetched<QString>("function") },
            { "fileNameTextField", fetched<QString>("file") } };
        for (const auto &[name, whole] : shown) {
            DetailField *field = partOf<DetailField>(*document, name);
            QCOMPARE(field->text().remove(QChar(0x200b)), whole);
            // Wrapped at its word boundaries, every line fits.
            QTextLayout layout(field->text(), field->font());
            QTextOption wrapping;
            wrapping.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(wrapping);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                QVERIFY2(line.naturalTextWidth() <= width, name);
            }
            layout.endLayout();
            // Copied, it is the text as it is.
            field->setSelection(0, int(field->text().size()));
            QTest::keySequence(field, QKeySequence::Copy);
            QCOMPARE(QApplication::clipboard()->text(), whole);
        }
        // The pane asks for no more width than that, nor more height than
        // its lines take there.
        QVERIFY(partOf<QWidget>(*document, "detailPane")->minimumSizeHint().width() <= width);
        const QWidget *lines = partOf<QScrollArea>(*document, "detailScrollArea")->widget();
        QVERIFY(lines->minimumSizeHint().height() <= lines->heightForWidth(width));
    }

    // In the default window, a row's name starts in the left part of the
    // function column at any depth, so that it is never out of sight.
    void deepRowsKeepTheirNamesInView_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("80 levels") << 80;
        QTest::newRow("10000 levels") << 10000;
    }

    void deepRowsKeepTheirNamesInView()
    {
        QFETCH(int, depth);
        QByteArray text = profileHeader() + record("/leaf.php", "leaf", 2, 1);
        for (int i = 0; i < depth; ++i)
            text += "fl=/f.php\nfn=f\n1 1\ncfn=" + QByteArray(i == 0 ? "leaf" : "f") + "\ncalls=1 0 0\n1 1\n\n";
        MyDocument *document = openText(QStringLiteral("deep.cachegrind"), text);
        const ProfiledFunctionCall *leaf = document->rootFunction();
        while (leaf->childCount() > 0)
            leaf = leaf->getChild(0);
        document->window()->selectCall(*leaf);
        CallTreeView *outline = outlineOf(*document);
        const QRect cell = outline->visualRect(outline->currentIndex());
        QVERIFY(outline->viewport()->rect().intersects(cell));
        const int leadingRoom = FunctionLabelDelegate::disclosureRect(cell, depth).right() - cell.left();
        QVERIFY2(leadingRoom < cell.width() / 2, qPrintable(QString::number(leadingRoom)));
        QVERIFY(cell.width() >= CallTreeView::minimumFunctionWidth);
        QHeaderView *header = outline->header();
        QCOMPARE(header->sectionViewportPosition(header->count() - 1) + header->sectionSize(header->count() - 1),
            outline->viewport()->width());
    }

    // A name's bars take its kind's hue, the same at every drawing; its
    // label's runs count characters, not bytes.
    void kindsLookTheirOwn_data()
    {
        using Span = FormattedName::ColourSpan;
        const QRgb grey = FormattedName::darkGrey;
        const QRgb blue = FormattedName::blue;
        addColumns<QByteArray, QList<Span>>("name", "spans");
        QTest::newRow("internal") << QByteArray("php::strlen") << QList<Span> { { 0, 11, grey } };
        QTest::newRow("method") << QByteArray("Cart->total") << QList<Span> {};
        QTest::newRow("function") << QByteArray("{main}") << QList<Span> {};
        QTest::newRow("require") << QByteArray("require::/a.php") << QList<Span> { { 0, 9, blue }, { 9, 6, grey } };
        QTest::newRow("bare include") << QByteArray("include::") << QList<Span> { { 0, 9, blue } };
        QTest::newRow("internal, not ASCII") << QByteArray("php::\xc3\xa9t\xc3\xa9") << QList<Span> { { 0, 8, grey } };
    }

    void kindsLookTheirOwn()
    {
        const std::unique_ptr<Profile> profile = profileOf("fn=" + fetched<QByteArray>("name") + "\n1 1\n");
        const FunctionModel &function = profile->rootFunction()->function();
        const QColor colour = FlameGraphColours::colourOf(function);
        QVERIFY(qAbs(colour.hsvHue() - FlameGraphColours::kindColour(function.kind()).hsvHue()) <= 2);
        QCOMPARE(FlameGraphColours::colourOf(function), colour);
        const FormattedName label = FormattedName::of(function);
        QCOMPARE(label.text, function.name());
        QTEST(label.spans, "spans");
    }

    // A click and Enter activate the bar's call, a block its caller; a
    // double-click activates once.
    void activation_data()
    {
        addColumns<int, int, QString, QStringList>("row", "x", "keys", "activated");
        QTest::newRow("top") << 0 << 500 << "" << QStringList { "main" };
        QTest::newRow("first callee") << 1 << 10 << "" << QStringList { "a" };
        QTest::newRow("left edge of the next") << 1 << 400 << "" << QStringList { "t1" };
        QTest::newRow("below a callee") << 2 << 402 << "" << QStringList { "u" };
        QTest::newRow("nothing there") << 2 << 600 << "" << QStringList();
        QTest::newRow("double-click") << 1 << 600 << "double" << QStringList { "b" };
        QTest::newRow("down, right") << -1 << 0 << "Down Right Return" << QStringList { "t1" };
        QTest::newRow("right at the end, up")
            << -1 << 0 << "Down Left Right Right Right Right Right Up Home Down Return" << QStringList { "a" };
        QTest::newRow("a click, then keys") << 1 << 600 << "Right Return" << QStringList { "b", "t3" };
    }

    void activation()
    {
        QFETCH(int, row);
        QFETCH(int, x);
        QFETCH(QString, keys);
        FlameGraphView &graph = view();
        QSignalSpy spy(&graph, &FlameGraphView::callActivated);
        if (keys == QLatin1String("double")) {
            // As windows get it: a click, a press, the double-click, a release.
            const QPoint at = pointIn(graph, row, x);
            QTest::mouseClick(graph.viewport(), Qt::LeftButton, {}, at);
            QTest::mousePress(graph.viewport(), Qt::LeftButton, {}, at);
            QMouseEvent doubleClick(
                QEvent::MouseButtonDblClick, at, graph.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(graph.viewport(), &doubleClick);
            QTest::mouseRelease(graph.viewport(), Qt::LeftButton, {}, at);
        } else {
            if (row >= 0)
                QTest::mouseClick(graph.viewport(), Qt::LeftButton, {}, pointIn(graph, row, x));
            for (const QString &key : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                QTest::keyClick(&graph, QKeySequence(key)[0].key());
        }
        QStringList activated;
        for (const QList<QVariant> &arguments : spy)
            activated << nameOf(arguments[0].value<const ProfiledFunctionCall *>());
        QTEST(activated, "activated");
    }

    void toolTips_data()
    {
        addColumns<int, int, int, int, QString>("event", "row", "x", "width", "expected");
        QTest::newRow("a call") << 0 << 1 << 10 << 1000
                                << "<b>a</b><br>/a.php:3<br>Self: 200µs, -100 bytes<br>"
                                   "Inclusive: 400µs, 200 bytes<br>40.00% of main (Time)";
        QTest::newRow("a block") << 0 << 1 << 40 << 100
                                 << "<b>2 calls</b> too narrow to show, made by main<br>"
                                    "Inclusive: 10µs, 0 bytes<br>1.00% of main (Time)";
    }

    void toolTips()
    {
        FlameGraphView &graph = view(fetched<int>("width"));
        graph.setEvent(fetched<int>("event"));
        const FlameGraphLayout::Bar *bar = graph.barAt(pointIn(graph, fetched<int>("row"), fetched<int>("x")));
        QVERIFY(bar);
        QTEST(graph.toolTipText(*bar), "expected");
    }

    // Every kind of tooltip shows a name from the profile exactly as
    // written: escaped once where the tooltip is rich text, not at all
    // where it is plain.
    void namesAreEscapedOnce_data()
    {
        addColumns<QString>("name");
        QTest::newRow("method") << "Foo->bar";
        QTest::newRow("markup") << "<i>x</i>";
        QTest::newRow("entity") << "a&amp;b";
        QTest::newRow("ampersand") << "a&b";
    }

    void namesAreEscapedOnce()
    {
        const QString name = fetched<QString>("name");
        const auto shown = [](const QString &toolTip) {
            if (!Qt::mightBeRichText(toolTip))
                return toolTip;
            QTextDocument document;
            document.setHtml(toolTip);
            return document.toPlainText();
        };
        const std::unique_ptr<Profile> profile = profileOf(chain({ "main", name }));
        FlameGraphView graph;
        graph.resize(400, 200);
        graph.setCall(profile->rootFunction());
        const FlameGraphLayout::Bar *bar = graph.barAt(QPoint(10, graph.rowHeight() + 3));
        QVERIFY(bar);
        QVERIFY2(shown(graph.toolTipText(*bar)).startsWith(name + u'\n'), qPrintable(graph.toolTipText(*bar)));
        FlameGraphPathBar path;
        path.setCall(profile->rootFunction()->getChild(0));
        QCOMPARE(shown(path.findChildren<QToolButton *>().at(1)->toolTip()), name);
        CallTreeModel outline;
        outline.setRootFunction(profile->rootFunction());
        outline.expandRow(0);
        QCOMPARE(shown(outline.index(1, 0).data(Qt::ToolTipRole).toString()), name);
    }

    void path_data()
    {
        addColumns<int, QStringList>("depth", "shown");
        const QStringList names = chainNames;
        QTest::newRow("all fit") << 9 << names.mid(0, 10);
        QTest::newRow("one too deep") << 10 << QStringList { "f0", "(gap)" } + names.mid(3, 8);
        QTest::newRow("deep") << 14 << QStringList { "f0", "(gap)" } + names.mid(7, 8);
    }

    void path()
    {
        const std::unique_ptr<Profile> profile = profileOf(chain(chainNames));
        const ProfiledFunctionCall *call = profile->rootFunction();
        QFETCH(int, depth);
        for (int i = 0; i < depth; ++i)
            call = call->getChild(0);
        QStringList shown;
        for (const ProfiledFunctionCall *crumb : FlameGraphPathBar::pathTo(call, FlameGraphPathBar::maximumCalls))
            shown << nameOf(crumb);
        QTEST(shown, "shown");
        FlameGraphPathBar bar;
        bar.resize(2000, 30);
        bar.setCall(call);
        QStringList buttons;
        for (QToolButton *button : bar.findChildren<QToolButton *>()) {
            if (!button->isHidden())
                buttons << (button->isEnabled() ? button->text() : QStringLiteral("(gap)"));
        }
        QTEST(buttons, "shown");
    }

    void eventChooser()
    {
        FlameGraphTab tab;
        tab.showProfile(*m_shapes);
        tab.showCall(m_shapes->rootFunction());
        tab.resize(800, 400);
        tab.show();
        tab.findChild<QComboBox *>(QStringLiteral("flameGraphEventChooser"))->setCurrentIndex(1);
        QCOMPARE(tab.view()->event(), 1);
        QCOMPARE(tab.view()->bars().row(1).size(), 2); // a and b: the layout's memory row
    }

    void clicksSelectInTheOutline()
    {
        MyDocument document(QStringLiteral("/shapes.cachegrind"), profileOf(shapes));
        document.makeWindowControllers();
        QTabWidget *tabs = partOf<QTabWidget>(document, "tabView");
        tabs->setCurrentIndex(tabs->indexOf(partOf<FlameGraphTab>(document, "flameGraphTab")));
        document.window()->show();
        FlameGraphView *graph = partOf<FlameGraphTab>(document, "flameGraphTab")->view();
        QCOMPARE(graph->call(), document.rootFunction());
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, {}, pointIn(*graph, 1, 2));
        QCOMPARE(nameOf(document.window()->selectedCall()), QStringLiteral("a"));
        QCOMPARE(nameOf(graph->call()), QStringLiteral("a"));
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, {}, pointIn(*graph, 1, 2));
        QCOMPARE(nameOf(graph->call()), QStringLiteral("c"));
        QCOMPARE(outlineRows(outlineModelOf(document)).mid(0, 3), QStringList({ "main -", "  a -", "    c" }));
        partOf<FlameGraphTab>(document, "flameGraphTab")->pathBar()->findChild<QToolButton *>()->click();
        QCOMPARE(document.window()->selectedCall(), document.rootFunction());
        QCOMPARE(graph->call(), document.rootFunction());
        document.window()->find();
        QTest::keyClicks(partOf<FindBar>(document, "findBar")->field(), "T");
        const CallTree &tree = document.profile().callTree();
        auto dimmed = [&] {
            QStringList names;
            for (quint32 call = 0; call < tree.size(); ++call) {
                if (graph->isDimmed(tree.call(call).function()))
                    names << tree.call(call).function().name();
            }
            return names;
        };
        QTRY_COMPARE(dimmed(), QStringList({ "c", "a", "u", "b", "main" }));
        // A saved picture leaves find's dimming out unless asked for it.
        QTemporaryDir dir;
        QString reason;
        const auto saved = [&](const QString &name, bool withHighlight) {
            return graph->saveImage(dir.filePath(name), &reason, withHighlight) ? QImage(dir.filePath(name)) : QImage();
        };
        const QImage plain = saved(QStringLiteral("plain.png"), false);
        QVERIFY(!plain.isNull());
        QVERIFY(saved(QStringLiteral("dimmed.png"), true) != plain);
        Q_EMIT partOf<FindBar>(document, "findBar")->closeRequested();
        QCOMPARE(dimmed(), QStringList());
        QCOMPARE(saved(QStringLiteral("closed.png"), false), plain);
        // The highlight ended with the bar: a new selection does not bring it back.
        document.window()->selectCall(*document.rootFunction()->getChild(0));
        QCOMPARE(dimmed(), QStringList());
    }

    // The notice that the file changed while it was read offers a reload
    // and goes once the profile is shown again.
    void changedWhileReadNotice()
    {
        MyDocument document(QStringLiteral("/shapes.cachegrind"), profileOf(shapes));
        document.makeWindowControllers();
        document.window()->show();
        document.window()->showChangedWhileRead();
        auto *notice = document.window()->findChild<QWidget *>(QStringLiteral("changedFileNotice"));
        QVERIFY(notice && notice->isVisible());
        QSignalSpy reload(document.window(), &DocumentWindow::reloadRequested);
        document.window()->findChild<QPushButton *>(QStringLiteral("changedFileReloadButton"))->click();
        QCOMPARE(reload.count(), 1);
        document.window()->showChangedWhileRead();
        document.replaceProfile(profileOf(shapes));
        QVERIFY(!notice->isVisible());
    }

    void saving_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("svg") << "graph.svg";
        QTest::newRow("png") << "graph.png";
        QTest::newRow("no such folder") << "missing/graph.png";
    }

    void saving()
    {
        QFETCH(QString, name);
        FlameGraphView &graph = view();
        QTemporaryDir dir;
        QString reason;
        const bool saved = graph.saveImage(dir.filePath(name), &reason);
        QCOMPARE(saved, reason.isEmpty());
        QFile file(dir.filePath(name));
        QCOMPARE(file.open(QIODevice::ReadOnly), !name.startsWith(QLatin1String("missing")));
        const QByteArray bytes = file.readAll();
        if (name.endsWith(QLatin1String(".svg")))
            QVERIFY(bytes.contains("<svg") && bytes.contains(">main<"));
        else if (saved)
            QCOMPARE(QImage::fromData(bytes, "PNG").size(), QSize(1000, 3 * graph.rowHeight()));
    }

    // aggregatedExample: {main} calls App\\Slow->work 3 times (300 µs) and
    // helper once (40 µs); App\\Slow->work calls helper 3 times (60 µs).
    // Its estimated paths are shown with their figures, their callees, the
    // graph's exact summary at the root and exact callers.
    void aProfileWrittenPerFunctionShowsItsEstimatedPaths_data()
    {
        // details: function, file, line, self, inclusive, calls; the callers
        // do not share a callee's self cost out, so show none
        addColumns<QByteArray, QString, QStringList, QString, QStringList, QStringList>(
            "profile", "path", "details", "callees", "summary", "callers");
        QTest::newRow("the root") << aggregatedExample << u""_s
                                  << QStringList { "{main}", "/i.php", "1", "10µs (2.86%), 10µs per call",
                                         "350µs (100.00%), 350µs per call", "×1", "Self time" }
                                  << "App\\Slow->work helper"
                                  << QStringList { "App\\Slow->work|3|240µs|300µs", "helper|4|100µs|100µs",
                                         "{main}|1|10µs|350µs" }
                                  << QStringList();
        // valgrind's files count instructions: the details name the event.
        QTest::newRow("instructions, not time")
            << QByteArray(aggregatedExample).replace("events: Time", "events: Ir") << u""_s
            << QStringList { "{main}", "/i.php", "1", "10 (2.86%), 10 per call", "350 (100.00%), 350 per call", "×1",
                   "Self Ir" }
            << "App\\Slow->work helper"
            << QStringList { "App\\Slow->work|3|240|300", "helper|4|100|100", "{main}|1|10|350" } << QStringList();
        QTest::newRow("a path called three times")
            << aggregatedExample << u"App\\Slow->work/helper"_s
            << QStringList { "helper", "/i.php", "8", "60µs (20.00%), 20µs per call", "60µs (20.00%), 20µs per call",
                   "×3", "Self time" }
            << "" << QStringList() << QStringList { "App\\Slow->work|3||60µs", "{main}|1||40µs" };
        QTest::newRow("below a path: its estimated paths")
            << aggregatedExample << u"App\\Slow->work"_s
            << QStringList { "App\\Slow->work", "/Slow.php", "5", "240µs (68.57%), 80µs per call",
                   "300µs (85.71%), 100µs per call", "×3", "Self time" }
            << "helper" << QStringList { "helper|3|60µs|60µs" } << QStringList { "{main}|3||300µs" };
    }

    void aProfileWrittenPerFunctionShowsItsEstimatedPaths()
    {
        MyDocument *document = openText(QStringLiteral("aggregated.cachegrind"), fetched<QByteArray>("profile"));
        const Profile &profile = document->profile();
        partOf<QTabWidget>(*document, "tabView")
            ->setCurrentWidget(partOf<QTableView>(*document, "callersTableView")->parentWidget());
        QVERIFY(document->window()->selectPath(CallPath::ofPath(
            profile, profile.estimatedCallTree(), estimatedPathAt(profile, fetched<QString>("path")))));
        QCOMPARE(fields(*document) << partOf<DetailField>(*document, "callsTextField")->wholeText()
                                   << partOf<DetailField>(*document, "selfTimeTextField")->accessibleName(),
            fetched<QStringList>("details"));
        QCOMPARE(tableRows(tableOf(*document, "callsTableView"), CallsController::FunctionColumn).join(u' '),
            fetched<QString>("callees"));
        QAbstractItemModel &summary = tableOf(*document, "summaryTableView");
        summary.sort(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QStringList summaryRows;
        for (int row = 0; row < summary.rowCount(); ++row) {
            summaryRows << QStringList { summary.index(row, SummaryController::FunctionColumn).data().toString(),
                summary.index(row, SummaryController::CallCountColumn).data().toString(),
                summary.index(row, SummaryController::TotalSelfTimeColumn).data().toString(),
                summary.index(row, SummaryController::TotalInclusiveTimeColumn).data().toString() }
                               .join(u'|');
        }
        QTEST(summaryRows, "summary");
        QTEST(tableRows(tableOf(*document, "callersTableView")), "callers");
    }

    // Each row starts with "helper" typed in the find bar and `from`
    // selected, then presses `key` in the find field or the outline.
    void aProfileWrittenPerFunctionMovesAlongItsPaths_data()
    {
        addColumns<QString, QString, bool, QString, QString>("from", "key", "inField", "selected", "status");
        QTest::newRow("Enter") << u""_s << "Return" << true << u"App\\Slow->work/helper"_s << "1 of 2";
        QTest::newRow("Shift+Enter goes round") << u""_s << "Shift+Return" << true << u"helper"_s << "2 of 2";
        QTest::newRow("Go to Caller") << u"App\\Slow->work/helper"_s << "Alt+Up" << false << u"App\\Slow->work"_s
                                      << "2 matches";
        QTest::newRow("Expand Hot Path") << u""_s << "Ctrl+E" << false << u"App\\Slow->work/helper"_s << "1 of 2";
    }

    void aProfileWrittenPerFunctionMovesAlongItsPaths()
    {
        MyDocument *document = openText(QStringLiteral("aggregated.cachegrind"), aggregatedExample);
        const Profile &profile = document->profile();
        DocumentWindow &window = *document->window();
        // No calls to show one by one: the paths stay merged, whatever the
        // setting other documents follow says.
        QAction *merge = window.viewActions().first();
        QVERIFY(merge->isChecked() && !merge->isEnabled() && merge->toolTip().contains(u"estimated"_s));
        merge->trigger();
        QVERIFY(!defaults().boolForKey(VTCMergeRepeatedCalls));
        // A bar of the flame graph clicked selects its path.
        FlameGraphView *graph = partOf<FlameGraphTab>(*document, "flameGraphTab")->view();
        partOf<QTabWidget>(*document, "tabView")->setCurrentWidget(graph->parentWidget());
        QTest::mouseClick(graph->viewport(), Qt::LeftButton, {}, QPoint(3, graph->rowHeight() + 3));
        QCOMPARE(namesOfEstimatedPath(profile, window.selectedEstimatedPath()), u"App\\Slow->work"_s);
        // Its tooltip names the function's place in the graph.
        QVERIFY(graph->toolTipText(graph->bars().bar(0)).contains(u"/Slow.php:5"_s));

        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CallTreeView *outline = outlineOf(*document);
        FindBar *bar = partOf<FindBar>(*document, "findBar");
        QTest::keyClick(outline, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(bar->field(), QStringLiteral("helper"));
        QTRY_COMPARE(bar->status(), QStringLiteral("2 matches"));
        window.selectEstimatedPath(estimatedPathAt(profile, fetched<QString>("from")));
        const QKeyCombination combination = QKeySequence::fromString(fetched<QString>("key"))[0];
        QTest::keyClick(fetched<bool>("inField") ? static_cast<QWidget *>(bar->field()) : outline, combination.key(),
            combination.keyboardModifiers());
        QTEST(namesOfEstimatedPath(profile, window.selectedEstimatedPath()), "selected");
        QTEST(bar->status(), "status");
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
