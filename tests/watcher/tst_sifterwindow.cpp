#include "SifterTestSupport.h"

#include "DocumentWindow.h"
#include "MyDocument.h"
#include "SifterTableModel.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>

class TestSifterWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<SifterFixture> m_fixture;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    SifterStatusController &controller() { return *m_fixture->controller; }
    SifterTableModel &model() { return m_fixture->controller->tableModel(); }
    QTableView *table() { return controller().theDirectoryTable(); }

    QStringList names()
    {
        QStringList texts;
        for (int row = 0; row < model().rowCount(); ++row)
            texts.append(model().index(row, 0).data().toString());
        return texts;
    }
    QModelIndex cell(const QString &name, int column) { return model().index(int(names().indexOf(name)), column); }
    QString text(const QString &name, int column) { return cell(name, column).data().toString(); }
    QColor colour(const QString &name, int column = 0)
    {
        return cell(name, column).data(Qt::ForegroundRole).value<QColor>();
    }
    void select(const QStringList &selected)
    {
        table()->clearSelection();
        for (const QString &name : selected)
            table()->selectionModel()->select(cell(name, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void doubleClick(int row)
    {
        const QPoint centre = table()->visualRect(model().index(row, 0)).center();
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, centre);
    }
    QString selectedNames()
    {
        QStringList texts;
        for (const QModelIndex &index : table()->selectionModel()->selectedRows())
            texts.append(index.data().toString());
        texts.sort();
        return texts.join(',');
    }

private Q_SLOTS:
    void init()
    {
        // Made in this order, each once the clock has moved past the one before.
        m_fixture = std::make_unique<SifterFixture>();
        const QList<QPair<QString, QByteArray>> files { { "cachegrind.out.20", QByteArray(300, 'x') },
            { "cachegrind.out.100", smallProfile }, { "notes.txt", QByteArray(1536, 'x') },
            { "b.txt", QByteArray(40, 'x') } };
        for (const auto &[name, contents] : files) {
            QVERIFY(m_fixture->write(name, contents));
            const QFileInfo info(m_fixture->path(name));
            const QDateTime made = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
            QTRY_VERIFY(QDateTime::currentDateTime() > made.addMSecs(20));
        }
        m_fixture->makeController();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller().showWindow();
    }

    void cleanup()
    {
        m_tester.reset();
        m_fixture.reset();
    }

    void cellsColoursAndOpenButton()
    {
        QCOMPARE(names(), QStringList({ "b.txt", "cachegrind.out.100", "cachegrind.out.20", "notes.txt" }));
        QCOMPARE(text("notes.txt", SifterTableModel::SizeColumn), QStringLiteral("1.5 KB"));
        QCOMPARE(text("b.txt", SifterTableModel::SizeColumn), QStringLiteral("40"));
        QCOMPARE(
            text("notes.txt", SifterTableModel::CreationDateColumn), m_fixture->entry("notes.txt")->creationDate());
        QCOMPARE(text("notes.txt", SifterTableModel::StatusColumn), QString());
        QCOMPARE(text("cachegrind.out.20", SifterTableModel::StatusColumn), QStringLiteral("Ready to open"));
        QCOMPARE(colour("cachegrind.out.20"), QColor(Qt::black));
        QCOMPARE(colour("notes.txt", 3), QColor::fromRgbF(0.5, 0.5, 0.5));

        QVERIFY(!controller().openButton()->isEnabled());
        select({ "notes.txt" });
        QVERIFY(controller().openButton()->isEnabled());
        table()->clearSelection();
        QVERIFY(!controller().openButton()->isEnabled());
    }

    // Sorted by each column's value; a new listing keeps the order and the
    // selection, less the rows that vanished.
    void sortingAndListingChanges()
    {
        select({ "cachegrind.out.100", "b.txt" });
        table()->sortByColumn(SifterTableModel::SizeColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({ "b.txt", "cachegrind.out.100", "cachegrind.out.20", "notes.txt" }));
        table()->sortByColumn(SifterTableModel::CreationDateColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({ "cachegrind.out.20", "cachegrind.out.100", "notes.txt", "b.txt" }));
        table()->sortByColumn(SifterTableModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(selectedNames(), QStringLiteral("b.txt,cachegrind.out.100"));

        QVERIFY(QFile::remove(m_fixture->path("b.txt")));
        QVERIFY(m_fixture->write("a.txt", "x"));
        QVERIFY(QDir(m_fixture->directory.path()).mkdir("cachegrind.out.dir"));
        const QStringList expected { "notes.txt", "cachegrind.out.dir", "cachegrind.out.20", "cachegrind.out.100",
            "a.txt" };
        QTRY_COMPARE_WITH_TIMEOUT(names(), expected, timeout);
        QCOMPARE(selectedNames(), QStringLiteral("cachegrind.out.100"));

        // A failed open shows in red.
        select({ "cachegrind.out.dir" });
        QTest::mouseClick(controller().openButton(), Qt::LeftButton);
        QCOMPARE(text("cachegrind.out.dir", SifterTableModel::StatusColumn), QStringLiteral("Error opening file"));
        for (int column = 0; column < model().columnCount(); ++column)
            QCOMPARE(colour("cachegrind.out.dir", column), QColor(Qt::red));
        QCOMPARE(m_fixture->alerts->messages.size(), 1);

        QVERIFY(QDir(m_fixture->path("cachegrind.out.dir")).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(model().rowCount(), 4, timeout);
        QVERIFY(!table()->selectionModel()->hasSelection());
        QVERIFY(!controller().openButton()->isEnabled());
    }

    void openingRows()
    {
        QStringList opened;
        connect(&m_fixture->registry, &DocumentController::documentAdded, this,
            [&opened](MyDocument *document) { opened.append(document->displayName()); });
        // Enter opens the selected matching rows, lowest row first.
        table()->sortByColumn(SifterTableModel::StatusColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({ "cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt" }));
        select({ "notes.txt", "cachegrind.out.20", "cachegrind.out.100" });
        QTest::keyClick(table(), Qt::Key_Return);
        QCOMPARE(opened, QStringList({ "cachegrind.out.100", "cachegrind.out.20" }));
        QCOMPARE(text("cachegrind.out.100", SifterTableModel::StatusColumn), QStringLiteral("Open"));
        QCOMPARE(colour("cachegrind.out.100"), QColor(Qt::black));

        // Double-clicking an open row brings its document forward; a gray row does nothing.
        MyDocument *document = controller().entryForName("cachegrind.out.100")->document();
        document->window()->hide();
        doubleClick(0);
        QVERIFY(document->window()->isVisible());
        doubleClick(3);
        QCOMPARE(opened.size(), 2);
    }

    void startStopAndLabel()
    {
        QPushButton *button = controller().startStopButton();
        QLabel *label = controller().statusLabel();
        QCOMPARE(label->text(), QStringLiteral("Stopped"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(controller().sifterIsRunning());
        QCOMPARE(label->text(), QStringLiteral("Running"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor::fromRgbF(0.0, 0.7, 0.0));
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!controller().sifterIsRunning());
        QCOMPARE(label->text(), QStringLiteral("Stopped"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(button->text(), QStringLiteral("Start"));

        // Closing only hides the window.
        QMainWindow *window = controller().window();
        window->close();
        controller().showWindow();
        QCOMPARE(controller().window(), window);
        QVERIFY(window->isVisible());
    }

    void showPopAndLaterFirstShowing()
    {
        QComboBox *pop = controller().showPop();
        pop->setCurrentIndex(pop->findData(1));
        Q_EMIT pop->activated(pop->currentIndex());
        QCOMPARE(defaults().integerForKey(VTCSifterFilter), 1);
        QCOMPARE(names(), QStringList({ "cachegrind.out.100", "cachegrind.out.20" }));
        pop->setCurrentIndex(pop->findData(0));
        Q_EMIT pop->activated(pop->currentIndex());
        QCOMPARE(defaults().integerForKey(VTCSifterFilter), 0);
        QCOMPARE(model().rowCount(), 4);

        // A window first shown later shows the stored filter and the running state.
        SifterFixture other;
        defaults().setObjectForKey(1, VTCSifterFilter);
        other.makeController();
        other.controller->start();
        other.controller->showWindow();
        QCOMPARE(other.controller->showPop()->currentData().toInt(), 1);
        QCOMPARE(other.controller->statusLabel()->text(), QStringLiteral("Running"));
        QCOMPARE(other.controller->startStopButton()->text(), QStringLiteral("Stop"));
    }
};

QTEST_MAIN(TestSifterWindow)
#include "tst_sifterwindow.moc"
