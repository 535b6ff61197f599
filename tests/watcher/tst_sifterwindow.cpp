#include "SifterTestSupport.h"

#include "DocumentWindow.h"
#include "MyDocument.h"
#include "SifterTableModel.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

constexpr int timeout = 15000;

QStringList column(const SifterTableModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, column).data().toString());
    return texts;
}

int rowOf(const SifterTableModel &model, const QString &name)
{
    return int(column(model, SifterTableModel::NameColumn).indexOf(name));
}

QColor colourOf(const SifterTableModel &model, const QString &name, int column = 0)
{
    return model.index(rowOf(model, name), column).data(Qt::ForegroundRole).value<QColor>();
}

void doubleClickRow(QTableView *table, int row)
{
    const QRect rect = table->visualRect(table->model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rect.center());
}

void selectRows(QTableView *table, const QList<int> &rows)
{
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class TestSifterWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<SifterFixture> m_fixture;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    SifterStatusController &controller() { return *m_fixture->controller; }
    SifterTableModel &model() { return m_fixture->controller->tableModel(); }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<SifterFixture>();
        QVERIFY(m_fixture->write("cachegrind.out.20", QByteArray(300, 'x')));
        QVERIFY(m_fixture->write("cachegrind.out.100", smallProfile));
        QVERIFY(m_fixture->write("notes.txt", QByteArray(1536, 'x')));
        QVERIFY(m_fixture->write("b.txt", QByteArray(40, 'x')));
        m_fixture->makeController();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller().showWindow();
        QVERIFY(controller().window());
    }

    void cleanup()
    {
        m_tester.reset();
        m_fixture.reset();
    }

    void firstDisplay()
    {
        QCOMPARE(model().rowCount(), 4);
        QCOMPARE(model().columnCount(), 4);
        QVERIFY(!controller().openButton()->isEnabled());
        QCOMPARE(controller().statusLabel()->text(), QStringLiteral("Stopped"));
        QCOMPARE(controller().startStopButton()->text(), QStringLiteral("Start"));
        QCOMPARE(controller().window()->windowTitle(), QStringLiteral("Sifter"));
        // Name order at first.
        QCOMPARE(column(model(), SifterTableModel::NameColumn),
                 QStringList({"b.txt", "cachegrind.out.100", "cachegrind.out.20", "notes.txt"}));
    }

    void cells()
    {
        const int row = rowOf(model(), "notes.txt");
        QCOMPARE(model().index(row, SifterTableModel::SizeColumn).data().toString(), QStringLiteral("1.5 KB"));
        const SifterFileEntry *entry = controller().entryForName("notes.txt");
        QCOMPARE(model().index(row, SifterTableModel::CreationDateColumn).data().toString(), entry->creationDate());
        QCOMPARE(model().index(row, SifterTableModel::StatusColumn).data().toString(), QString());
        QCOMPARE(model().index(rowOf(model(), "cachegrind.out.20"), SifterTableModel::StatusColumn).data().toString(),
                 QStringLiteral("Ready to open"));
        QCOMPARE(model().index(rowOf(model(), "b.txt"), SifterTableModel::SizeColumn).data().toString(),
                 QStringLiteral("40"));
    }

    void rowColours()
    {
        QCOMPARE(colourOf(model(), "cachegrind.out.20"), QColor(Qt::black));
        QCOMPARE(colourOf(model(), "notes.txt", 3), QColor::fromRgbF(0.5, 0.5, 0.5));
        QVERIFY(QDir(m_fixture->directory.path()).mkdir("cachegrind.out.dir"));
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(model(), "cachegrind.out.dir") >= 0, timeout);
        selectRows(controller().theDirectoryTable(), {rowOf(model(), "cachegrind.out.dir")});
        controller().openClicked();
        const int row = rowOf(model(), "cachegrind.out.dir");
        QCOMPARE(model().index(row, SifterTableModel::StatusColumn).data().toString(),
                 QStringLiteral("Error opening file"));
        for (int column = 0; column < model().columnCount(); ++column)
            QCOMPARE(colourOf(model(), "cachegrind.out.dir", column), QColor::fromRgbF(1.0, 0.0, 0.0));
        QCOMPARE(m_fixture->alerts.size(), 1);
    }

    void sorting_data()
    {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("size, as numbers")
            << int(SifterTableModel::SizeColumn) << Qt::AscendingOrder
            << QStringList{"b.txt", "cachegrind.out.100", "cachegrind.out.20", "notes.txt"};
        QTest::newRow("size, descending")
            << int(SifterTableModel::SizeColumn) << Qt::DescendingOrder
            << QStringList{"notes.txt", "cachegrind.out.20", "cachegrind.out.100", "b.txt"};
        QTest::newRow("status, then name")
            << int(SifterTableModel::StatusColumn) << Qt::AscendingOrder
            << QStringList{"cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt"};
        QTest::newRow("name, descending")
            << int(SifterTableModel::NameColumn) << Qt::DescendingOrder
            << QStringList{"notes.txt", "cachegrind.out.20", "cachegrind.out.100", "b.txt"};
    }

    void sorting()
    {
        QFETCH(int, sortColumn);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QStringList, names);
        QTableView *table = controller().theDirectoryTable();
        selectRows(table, {rowOf(model(), "notes.txt")});
        table->sortByColumn(sortColumn, order);
        QCOMPARE(column(model(), SifterTableModel::NameColumn), names);
        // The selection follows its row.
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("notes.txt"));

        // A new listing keeps the order and the selection.
        QVERIFY(m_fixture->write("a.txt", QByteArray(10, 'x')));
        QTRY_COMPARE_WITH_TIMEOUT(model().rowCount(), 5, timeout);
        QStringList expected = names;
        expected.insert(sortColumn == SifterTableModel::NameColumn || sortColumn == SifterTableModel::SizeColumn
                            ? (order == Qt::AscendingOrder ? 0 : 4)
                            : 2,
                        "a.txt");
        QCOMPARE(column(model(), SifterTableModel::NameColumn), expected);
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(table->selectionModel()->selectedRows().first().data().toString(), QStringLiteral("notes.txt"));
    }

    void sortingByCreationDate()
    {
        // Names in the opposite order of creation; each made once the clock
        // has moved past the one before.
        const QStringList names{"z3", "y2", "x1"};
        QDateTime last;
        for (const QString &name : names) {
            QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentDateTime() > last.addMSecs(20), timeout);
            QVERIFY(m_fixture->write(name));
            const QFileInfo info(m_fixture->path(name));
            last = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        }
        QTRY_COMPARE_WITH_TIMEOUT(model().rowCount(), 7, timeout);
        controller().theDirectoryTable()->sortByColumn(SifterTableModel::CreationDateColumn, Qt::AscendingOrder);
        const QStringList sorted = column(model(), SifterTableModel::NameColumn);
        QVERIFY(sorted.indexOf("z3") < sorted.indexOf("y2"));
        QVERIFY(sorted.indexOf("y2") < sorted.indexOf("x1"));
    }

    void openButtonFollowsSelection()
    {
        QTableView *table = controller().theDirectoryTable();
        selectRows(table, {1});
        QVERIFY(controller().openButton()->isEnabled());
        table->clearSelection();
        QVERIFY(!controller().openButton()->isEnabled());
    }

    void selectedRowVanishing()
    {
        QTableView *table = controller().theDirectoryTable();
        selectRows(table, {rowOf(model(), "b.txt")});
        QVERIFY(controller().openButton()->isEnabled());
        QVERIFY(QFile::remove(m_fixture->path("b.txt")));
        QTRY_COMPARE_WITH_TIMEOUT(model().rowCount(), 3, timeout);
        QVERIFY(!table->selectionModel()->hasSelection());
        QVERIFY(!controller().openButton()->isEnabled());
    }

    void startStop()
    {
        QPushButton *button = controller().startStopButton();
        QLabel *label = controller().statusLabel();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(controller().sifterIsRunning());
        QCOMPARE(label->text(), QStringLiteral("Running"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor::fromRgbF(0.0, 0.7, 0.0));
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!controller().sifterIsRunning());
        QCOMPARE(label->text(), QStringLiteral("Stopped"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor::fromRgbF(1.0, 0.0, 0.0));
        QCOMPARE(button->text(), QStringLiteral("Start"));
    }

    void labelOfWatcherStartedBeforeWindow()
    {
        SifterFixture fixture;
        fixture.makeController();
        fixture.controller->start();
        fixture.controller->showWindow();
        QCOMPARE(fixture.controller->statusLabel()->text(), QStringLiteral("Running"));
        QCOMPARE(fixture.controller->startStopButton()->text(), QStringLiteral("Stop"));
    }

    void doubleClicks()
    {
        QTableView *table = controller().theDirectoryTable();
        QSignalSpy added(&m_fixture->registry, &DocumentController::documentAdded);

        // A gray row: nothing.
        doubleClickRow(table, rowOf(model(), "notes.txt"));
        QCOMPARE(added.size(), 0);

        // A ready row opens, and then shows "Open" in black.
        doubleClickRow(table, rowOf(model(), "cachegrind.out.100"));
        QCOMPARE(added.size(), 1);
        const int row = rowOf(model(), "cachegrind.out.100");
        QCOMPARE(model().index(row, SifterTableModel::StatusColumn).data().toString(), QStringLiteral("Open"));
        QCOMPARE(colourOf(model(), "cachegrind.out.100"), QColor(Qt::black));

        // An open row brings its document forward.
        MyDocument *document = controller().entryForName("cachegrind.out.100")->document();
        document->window()->hide();
        doubleClickRow(table, rowOf(model(), "cachegrind.out.100"));
        QVERIFY(document->window()->isVisible());
        QCOMPARE(added.size(), 1);
    }

    void enterOpensSelection()
    {
        QTableView *table = controller().theDirectoryTable();
        selectRows(table, {rowOf(model(), "cachegrind.out.20")});
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(m_fixture->status("cachegrind.out.20"), SifterStatusOpen);
        QCOMPARE(m_fixture->registry.documents().size(), 1);
    }

    void openSeveralRowsInOrder()
    {
        QTableView *table = controller().theDirectoryTable();
        table->sortByColumn(SifterTableModel::NameColumn, Qt::DescendingOrder);
        table->sortByColumn(SifterTableModel::StatusColumn, Qt::AscendingOrder);
        QCOMPARE(column(model(), SifterTableModel::NameColumn),
                 QStringList({"cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt"}));
        selectRows(table, {3, 1, 0});
        QStringList opened;
        connect(&m_fixture->registry, &DocumentController::documentAdded, this,
                [&opened](MyDocument *document) { opened.append(document->displayName()); });
        QTest::mouseClick(controller().openButton(), Qt::LeftButton);
        QCOMPARE(opened, QStringList({"cachegrind.out.100", "cachegrind.out.20"}));
        // Still in the table's order.
        QCOMPARE(column(model(), SifterTableModel::NameColumn),
                 QStringList({"cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt"}));
    }

    void showPopFilters()
    {
        QComboBox *pop = controller().showPop();
        QTableView *table = controller().theDirectoryTable();
        table->sortByColumn(SifterTableModel::NameColumn, Qt::DescendingOrder);
        pop->setCurrentIndex(pop->findData(1));
        Q_EMIT pop->activated(pop->currentIndex());
        QCOMPARE(defaults().integerForKey(VTCSifterFilter), 1);
        QCOMPARE(column(model(), SifterTableModel::NameColumn),
                 QStringList({"cachegrind.out.20", "cachegrind.out.100"}));
        pop->setCurrentIndex(pop->findData(0));
        Q_EMIT pop->activated(pop->currentIndex());
        QCOMPARE(defaults().integerForKey(VTCSifterFilter), 0);
        QCOMPARE(model().rowCount(), 4);
        defaults().removeObjectForKey(VTCSifterFilter);
    }

    void popShowsStoredFilter()
    {
        SifterFixture fixture;
        defaults().setObjectForKey(1, VTCSifterFilter);
        fixture.makeController();
        fixture.controller->showWindow();
        QCOMPARE(fixture.controller->showPop()->currentData().toInt(), 1);
        defaults().removeObjectForKey(VTCSifterFilter);
    }

    void preferencesButton()
    {
        QSignalSpy clicked(&controller(), &SifterStatusController::preferencesClicked);
        QTest::mouseClick(controller().preferencesButton(), Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
    }

    void closingHidesOnly()
    {
        QMainWindow *window = controller().window();
        window->close();
        QVERIFY(!window->isVisible());
        controller().showWindow();
        QCOMPARE(controller().window(), window);
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(TestSifterWindow)
#include "tst_sifterwindow.moc"
