#include "DocumentTestSupport.h"

#include "RecordingAlertPresenter.h"
#include "CallTreeView.h"
#include "CallersController.h"
#include "DocumentController.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "FindBar.h"
#include "MyDocument.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// main calls f twice (self times 3 and 4) and then g.
const QByteArray twoFs = profileHeader() + record("/a.php", "f", 1, 3) + record("/a.php", "f", 2, 4)
    + record("/a.php", "g", 3, 5) + record("/a.php", "main", 1, 1, { "f", "f", "g" });
// main calls g only.
const QByteArray onlyG = profileHeader() + record("/a.php", "g", 3, 5) + record("/a.php", "main", 1, 1, { "g" });

// The selected call as "function self-time", or "none".
QString selection(const MyDocument &document)
{
    const ProfiledFunctionCall *call = document.selectedCall();
    return call ? call->function().name() + QLatin1Char(' ') + QString::number(call->selfTime())
                : QStringLiteral("none");
}

} // namespace

// A document's life beyond its first reading: its title among the others,
// the message of an empty profile, and reading the file again.
class TestDocumentLifecycle : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DocumentController> m_registry;
    QStringList m_alerts;

    QString write(const QString &relativePath, const QByteArray &contents)
    {
        const QString path = m_dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path : QString();
    }

    MyDocument *open(const QString &path) { return openAndWait(*m_registry, path); }

    QStringList titles() const
    {
        QStringList titles;
        for (const MyDocument *document : m_registry->documents())
            titles << document->window()->windowTitle();
        return titles;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        registerSettingsDefaults();
    }

    void init()
    {
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
    }

    void cleanup() { m_registry.reset(); }

    // Titles name the folder only while two open documents share a file name.
    void titlesAddTheFolderOnANameClash_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("afterClosingTheLast");
        QTest::newRow("different names") << QStringList({ "one/x.cachegrind", "two/y.cachegrind" })
                                         << QStringList({ "x.cachegrind", "y.cachegrind" })
                                         << QStringList({ "x.cachegrind" });
        QTest::newRow("same name") << QStringList({ "one/cachegrind.out.1", "two/cachegrind.out.1" })
                                   << QStringList({ "cachegrind.out.1 \u2014 %/one", "cachegrind.out.1 \u2014 %/two" })
                                   << QStringList({ "cachegrind.out.1" });
        QTest::newRow("three, two alike") << QStringList({ "one/c.out", "two/d.out", "three/c.out" })
                                          << QStringList({ "c.out \u2014 %/one", "d.out", "c.out \u2014 %/three" })
                                          << QStringList({ "c.out", "d.out" });
    }

    void titlesAddTheFolderOnANameClash()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, afterClosingTheLast);
        for (const QString &file : files)
            QVERIFY(open(write(file, twoFs)));
        titles.replaceInStrings(QStringLiteral("%"), m_dir.path());
        QCOMPARE(this->titles(), titles);
        m_registry->documents().last()->window()->close();
        QCOMPARE(this->titles(), afterClosingTheLast);
    }

    void reloadKeepsTheSelectedCall_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("selectedChild"); // of the root; -1 for the root
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("emptyMessage");
        QTest::newRow("same file, second of two alike") << twoFs << twoFs << 1 << "f 4" << false;
        QTest::newRow("costs changed") << twoFs << QByteArray(twoFs).replace("\n2 4\n", "\n2 9\n") << 1 << "f 9"
                                       << false;
        QTest::newRow("the second is gone: the root") << twoFs << onlyG << 1 << "main 1" << false;
        QTest::newRow("moved among others of its name") << twoFs << onlyG << 2 << "g 5" << false;
        QTest::newRow("now empty") << twoFs << profileHeader() << 0 << "none" << true;
        QTest::newRow("was empty") << profileHeader() << onlyG << -1 << "main 1" << false;
    }

    void reloadKeepsTheSelectedCall()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(int, selectedChild);
        QFETCH(bool, emptyMessage);
        const QString path = write(QStringLiteral("reload.cachegrind"), before);
        MyDocument *document = open(path);
        QVERIFY(document);
        QCOMPARE(document->emptyMessage() && !document->emptyMessage()->isHidden(), !document->rootFunction());
        if (selectedChild >= 0) {
            const ProfiledFunctionCall &call = *document->rootFunction()->getChild(selectedChild);
            const int row = document->outlineModel()->rowOfCall(&call);
            document->outlineView()->selectionModel()->setCurrentIndex(document->outlineModel()->index(row, 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        QVERIFY(write(QStringLiteral("reload.cachegrind"), after) == path);
        m_registry->reloadDocument(document);
        QVERIFY(waitForReads(*m_registry));
        QTEST(selection(*document), "selected");
        QCOMPARE(document->emptyMessage() && !document->emptyMessage()->isHidden(), emptyMessage);
        if (emptyMessage)
            QCOMPARE(document->emptyMessage()->text(), QStringLiteral("No calls were found in this file."));
        QVERIFY(m_alerts.isEmpty());
    }

    // The callers table and the find index of the old tree go with it.
    void aProfileReadAgainKeepsNothingOfTheOldTree()
    {
        const QString path = write(QStringLiteral("again.cachegrind"), twoFs);
        MyDocument *document = open(path);
        QVERIFY(document);
        document->tabView()->setCurrentWidget(document->callersTableView()->parentWidget());
        document->find();
        document->findBar()->field()->setText(QStringLiteral("g"));
        document->findNext();
        QCOMPARE(selection(*document), QStringLiteral("g 5"));
        QCOMPARE(document->callersTab()->rowCount(), 1);

        QVERIFY(write(QStringLiteral("again.cachegrind"), QByteArray(onlyG).replace("\n3 5\n", "\n3 8\n")) == path);
        m_registry->reloadDocument(document);
        QVERIFY(waitForReads(*m_registry));
        QCOMPARE(selection(*document), QStringLiteral("g 8"));
        QCOMPARE(document->callersTab()->rowCount(), 1);
        document->findNext();
        QCOMPARE(selection(*document), QStringLiteral("g 8"));
    }

    // The file is gone: the document stays as it was, and the alert names the whole path.
    void aFailedReloadKeepsTheDocument()
    {
        const QString path = write(QStringLiteral("gone.cachegrind"), twoFs);
        MyDocument *document = open(path);
        QVERIFY(document && QFile::remove(path));
        m_registry->reloadDocument(document);
        QVERIFY(waitForReads(*m_registry));
        QCOMPARE(m_alerts,
            QStringList("The file \u201c" + path + "\u201d could not be read again.|No such file or directory."));
        QCOMPARE(selection(*document), QStringLiteral("main 1"));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({ document }));
    }

    // A file that fails to open leaves the recent files; one that opens goes first.
    void failedOpensLeaveTheRecentFiles()
    {
        m_registry->clearRecentDocuments();
        const QString kept = write(QStringLiteral("kept.cachegrind"), twoFs);
        const QString gone = write(QStringLiteral("recent-gone.cachegrind"), twoFs);
        QVERIFY(open(gone) && open(kept));
        m_registry->closeAllDocuments();
        QCOMPARE(m_registry->recentDocumentPaths(), QStringList({ kept, gone }));
        QVERIFY(QFile::remove(gone));
        m_registry->openDocuments({ QUrl::fromLocalFile(gone) });
        QVERIFY(waitForReads(*m_registry));
        QVERIFY(m_registry->documents().isEmpty());
        QCOMPARE(
            m_alerts, QStringList("The file \u201c" + gone + "\u201d could not be opened.|No such file or directory."));
        QCOMPARE(m_registry->recentDocumentPaths(), QStringList({ kept }));
    }
};

QTEST_MAIN(TestDocumentLifecycle)
#include "tst_documentlifecycle.moc"
