#include "SifterTestSupport.h"

#include "DocumentController.h"
#include "RecordingAlertPresenter.h"
#include "SifterDocumentRegistry.h"
#include "SifterStatusController.h"
#include "SifterTableModel.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include <cstdio>
#include <unistd.h>

class TestSifterWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<SifterFixture> m_fixture;
    std::unique_ptr<SifterStatusController> m_window;

    SifterTableModel &model() { return m_fixture->watcher->tableModel(); }
    template <class Control> Control *control(const char *name)
    {
        auto *found = m_window->window()->findChild<Control *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QTableView *table() { return control<QTableView>("theDirectoryTable"); }
    QPushButton *openButton() { return control<QPushButton>("openButton"); }

    QStringList names()
    {
        QStringList texts;
        for (int row = 0; row < model().rowCount(); ++row)
            texts.append(model().index(row, 0).data().toString());
        return texts;
    }
    QModelIndex cell(const QString &name) { return model().index(int(names().indexOf(name)), 0); }
    // Selects the rows as clicks would, the last one current.
    void select(const QStringList &selected)
    {
        table()->clearSelection();
        for (const QString &name : selected)
            table()->selectionModel()->setCurrentIndex(
                cell(name), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void doubleClick(const QString &name)
    {
        const QPoint centre = table()->visualRect(cell(name)).center();
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
        m_window.reset();
        m_fixture = std::make_unique<SifterFixture>();
        for (const char *name : { "cachegrind.out.20", "cachegrind.out.100", "notes.txt", "b.txt" })
            QVERIFY(m_fixture->write(QLatin1String(name)));
        m_fixture->makeWatcher();
        m_window = std::make_unique<SifterStatusController>(*m_fixture->watcher);
        m_window->showWindow();
    }

    // A new listing keeps the order and the selection, less the rows that vanished.
    void openingAndSelectingRows()
    {
        QVERIFY(!openButton()->isEnabled());
        table()->sortByColumn(SifterTableModel::StatusColumn, Qt::AscendingOrder);
        QCOMPARE(names(), QStringList({ "cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt" }));
        select({ "notes.txt", "cachegrind.out.20", "cachegrind.out.100" });
        QVERIFY(openButton()->isEnabled());
        QTest::keyClick(table(), Qt::Key_Return);
        QCOMPARE(m_fixture->documents.opened, QStringList({ "cachegrind.out.100", "cachegrind.out.20" }));
        QCOMPARE(cell("cachegrind.out.100").siblingAtColumn(SifterTableModel::StatusColumn).data().toString(),
            QStringLiteral("Open"));
        doubleClick("cachegrind.out.20");
        QCOMPARE(m_fixture->documents.broughtForward, QStringList({ "cachegrind.out.20" }));
        doubleClick("b.txt");
        QCOMPARE(m_fixture->documents.opened.size(), 2);
        QVERIFY(m_fixture->documents.errors.isEmpty());
        // Open offers only what it can open.
        QVERIFY(QDir().mkdir(m_fixture->path("cachegrind.out.dir")));
        m_fixture->watcher->directoryChangedEvent();
        for (const auto &[selected, enabled] : { std::pair { QStringList { "cachegrind.out.dir", "b.txt" }, false },
                 std::pair { QStringList { "cachegrind.out.dir", "cachegrind.out.20" }, true } }) {
            select(selected);
            QCOMPARE(openButton()->isEnabled(), enabled);
        }
        QVERIFY(QDir().rmdir(m_fixture->path("cachegrind.out.dir")));
        m_fixture->watcher->directoryChangedEvent();

        select({ "b.txt", "cachegrind.out.100" });
        table()->sortByColumn(SifterTableModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(selectedNames(), QStringLiteral("b.txt,cachegrind.out.100"));
        QVERIFY(QFile::remove(m_fixture->path("b.txt")));
        QVERIFY(m_fixture->write("a.txt", "x"));
        const QStringList expected { "notes.txt", "cachegrind.out.20", "cachegrind.out.100", "a.txt" };
        QTRY_COMPARE_WITH_TIMEOUT(names(), expected, timeout);
        QCOMPARE(selectedNames(), QStringLiteral("cachegrind.out.100"));
        QCOMPARE(table()->currentIndex(), cell("cachegrind.out.100"));
        QVERIFY(QFile::remove(m_fixture->path("cachegrind.out.100")));
        QTRY_COMPARE_WITH_TIMEOUT(model().rowCount(), 3, timeout);
        QVERIFY(!table()->selectionModel()->hasSelection());
        QVERIFY(!openButton()->isEnabled());
    }

    void controlsAndState()
    {
        auto *label = control<QLabel>("statusLabel");
        QCOMPARE(label->text(), QStringLiteral("Stopped"));
        QTest::mouseClick(control<QPushButton>("startStopButton"), Qt::LeftButton);
        QVERIFY(m_fixture->watcher->sifterIsRunning());
        QCOMPARE(label->text(), QStringLiteral("Running"));
        // Failures of the watcher's own opens: one line, no alert each.
        m_fixture->documents.unreadable = QStringList({ "cachegrind.out.x", "cachegrind.out.y" });
        for (const QString &name : m_fixture->documents.unreadable)
            QVERIFY(m_fixture->write(name));
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("Running (2 files could not be opened)"), timeout);
        QVERIFY(m_fixture->documents.errors.isEmpty());
        // An invalid pattern is told in red, whatever else holds.
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        defaults().setObjectForKey(QStringLiteral("["), VTCSifterRegex);
        QCOMPARE(label->text(), m_fixture->watcher->patternError());
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
        defaults().removeObjectForKey(VTCSifterRegexUseCustom);
        for (const QString &name : m_fixture->documents.unreadable)
            QVERIFY(QFile::remove(m_fixture->path(name)));
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("Running"), timeout);
        auto *pop = control<QComboBox>("showPop");
        pop->setCurrentIndex(pop->findData(1));
        Q_EMIT pop->activated(pop->currentIndex());
        QCOMPARE(defaults().integerForKey(VTCSifterFilter), 1);
        QCOMPARE(names(), QStringList({ "cachegrind.out.100", "cachegrind.out.20" }));

        m_window = std::make_unique<SifterStatusController>(*m_fixture->watcher);
        m_window->showWindow();
        QCOMPARE(control<QComboBox>("showPop")->currentData().toInt(), 1);
        QCOMPARE(control<QLabel>("statusLabel")->text(), QStringLiteral("Running"));
        auto *button = control<QPushButton>("startStopButton");
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!m_fixture->watcher->sifterIsRunning());
        QCOMPARE(control<QLabel>("statusLabel")->text(), QStringLiteral("Stopped"));
        QCOMPARE(button->text(), QStringLiteral("Start"));

        QMainWindow *window = m_window->window();
        window->close();
        m_window->showWindow();
        QCOMPARE(m_window->window(), window);
        QVERIFY(window->isVisible());
        QSignalSpy preferences(m_window.get(), &SifterStatusController::preferencesClicked);
        control<QPushButton>("preferencesButton")->click();
        QCOMPARE(preferences.size(), 1);
    }

    void watchedDirectory()
    {
        auto *directory = control<QPushButton>("directoryButton");
        auto *label = control<QLabel>("statusLabel");
        QCOMPARE(directory->text(), m_fixture->directory.path());
        const QString missing = m_fixture->path("missing");
        m_window->setDirectoryChooser([&](QWidget *) { return missing; });
        QTest::ignoreMessage(QtWarningMsg, qPrintable("Cannot watch " + missing + ": No such file or directory"));
        directory->click();
        QCOMPARE(defaults().stringForKey(VTCSifterMonitorDirectory), missing);
        QCOMPARE(directory->text(), missing);
        m_fixture->watcher->start();
        QCOMPARE(label->text(), "Cannot watch " + missing + ": No such file or directory");
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(model().rowCount(), 0);

        defaults().setObjectForKey(true, VTCSifterMaxLimitOpen);
        defaults().setObjectForKey(1, VTCSifterMaxFiles);
        QVERIFY(QDir().mkdir(missing));
        QVERIFY(writeFile(missing + "/cachegrind.out.1", smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), "Running (open-file limit of 1 reached)", timeout);
        // The directory made late is watched, not only listed once.
        QVERIFY(writeFile(missing + "/later", "x"));
        QTRY_VERIFY_WITH_TIMEOUT(m_fixture->entry("later"), timeout);
    }

    void registryOpensLooksUpAndReports()
    {
        DocumentController registry;
        QStringList alerts;
        registry.setAlertPresenter(std::make_unique<RecordingAlertPresenter>(alerts));
        SifterDocumentRegistry documents(registry);
        QSignalSpy changed(&documents, &SifterDocuments::documentsChanged);
        const QString path = m_fixture->path("cachegrind.out.20");
        const FileIdentity file = FileIdentity::fromPath(path);
        const auto isOpen = [&](const QString &spelling) {
            return FileIdentity::fromPath(spelling).isAmong(documents.openFilePaths());
        };
        QSignalSpy finished(&documents, &SifterDocuments::openFinished);
        QVERIFY(!isOpen(path));
        documents.openDocument(file, false);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.takeFirst(), QVariantList({ QVariant::fromValue(file), true, QString() }));
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(path, elsewhere.filePath("link")));
        const QString directory = m_fixture->directory.path();
        QVERIFY(isOpen(path) && isOpen(elsewhere.filePath("link"))
            && isOpen(directory + "/../" + QFileInfo(directory).fileName() + "//cachegrind.out.20"));
        QVERIFY(!isOpen(m_fixture->path("cachegrind.out.100")));
        QCOMPARE(changed.size(), 1);

        // A failure alerts only when asked to; the error names the file either way.
        const FileIdentity gone = FileIdentity::fromPath(m_fixture->path("gone"));
        for (const bool alert : { false, true }) {
            finished.clear();
            documents.openDocument(gone, alert);
            QTRY_COMPARE(finished.size(), 1);
            QCOMPARE(finished.first().mid(0, 2), QVariantList({ QVariant::fromValue(gone), false }));
            QVERIFY(finished.first().at(2).toString().contains(gone.path()));
            QCOMPARE(alerts.size(), alert ? 1 : 0);
        }
        // A name that is not UTF-8: listed by its bytes, shown with a
        // replacement character, and opened.
        const QByteArray native = QFile::encodeName(m_fixture->path("cachegrind.out.")) + '\xff';
        QCOMPARE(::rename(QFile::encodeName(m_fixture->path("cachegrind.out.100")).constData(), native.constData()), 0);
        m_fixture->watcher->directoryChangedEvent();
        const SifterFileEntry &odd = *m_fixture->watcher->entryForNativeName("cachegrind.out.\xff");
        QCOMPARE(odd.fileName(), QStringLiteral("cachegrind.out.\ufffd"));
        finished.clear();
        documents.openDocument(odd.file(), true);
        QTRY_COMPARE(finished.size(), 1);
        ::unlink(native.constData());
        QCOMPARE(finished.takeFirst(), QVariantList({ QVariant::fromValue(odd.file()), true, QString() }));
        QVERIFY(odd.file().isAmong(documents.openFilePaths()) && !isOpen(odd.filePath()));

        documents.reloadDocument(file);
        QTRY_VERIFY(registry.readsInProgress() == 0);
        documents.closeDocument(file);
        QTRY_COMPARE(changed.size(), 3);
        QVERIFY(!isOpen(path));
    }
};

QTEST_MAIN(TestSifterWindow)
#include "tst_sifterwindow.moc"
