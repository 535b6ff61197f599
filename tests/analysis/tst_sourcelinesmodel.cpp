#include "TestProfiles.h"

#include "LineCosts.h"
#include "ProfiledFunctionCall.h"
#include "SourceFileModel.h"
#include "SourceLinesModel.h"
#include "ViewRoles.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>

namespace {

// index.php's main (first line 2, self 8) calls helper twice from line 4
// and once from line 7; helper (lib.php, first line 1) costs 5 a call.
const QByteArray header = "version: 1\ncreator: test\ncmd: /a/index.php\npart: 1\n\nevents: Time\n\n";
const QByteArray profileText = "fl=/a/lib.php\nfn=helper\n1 5\n\n"
                               "fl=/a/lib.php\nfn=helper\n1 5\n\n"
                               "fl=/a/lib.php\nfn=helper\n1 5\n\n"
                               "fl=/a/index.php\nfn=main\n2 8\n"
                               "cfn=helper\ncalls=1 0 0\n4 5\n"
                               "cfn=helper\ncalls=1 0 0\n4 5\n"
                               "cfn=helper\ncalls=1 0 0\n7 5\n";

} // namespace

class TestSourceLinesModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows of the file's lines, and of lines with costs beyond its end.
    void rows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("hottest");
        QTest::addColumn<QList<int>>("hotRowsForward");
        QTest::addColumn<QByteArray>("moreCalls");
        QTest::newRow("longer than the costs") << QByteArray("<?php\nmain();\n\ta();\nb();\n\n\nc();\nend\n") << 8 << 3
                                               << QList<int> { 1, 3, 6 } << QByteArray();
        QTest::newRow("shorter than the costs")
            << QByteArray("<?php\n") << 7 << 3 << QList<int> { 1, 3, 6 } << QByteArray();
        QTest::newRow("empty") << QByteArray() << 7 << 3 << QList<int> { 1, 3, 6 } << QByteArray();
        // A line far past the end does not make the table as long.
        QTest::newRow("a call far past the end") << QByteArray("<?php\n") << 1001 << 3 << QList<int> { 1, 3, 6 }
                                                 << QByteArray("cfn=helper\ncalls=1 0 0\n4000000000 5\n");
    }
    void rows()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, rows);
        QFETCH(int, hottest);
        QFETCH(QList<int>, hotRowsForward);
        QFETCH(QByteArray, moreCalls);
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath(QStringLiteral("index.php")), text);
        auto source = std::make_shared<SourceText>();
        QVERIFY(source->read(path));
        // Each call made has a record of its own before.
        const QByteArray moreRecords = moreCalls.isEmpty() ? QByteArray() : "fl=/a/lib.php\nfn=helper\n1 5\n\n";
        const ReadProfile profile(header + moreRecords + profileText + moreCalls + '\n');
        const quint32 file = profile.rootFunction()->source()->id();

        SourceLinesModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSource(profile, 0, std::make_shared<const LineCosts>(profile, 0), file, source);
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.hottestRow(), hottest);
        QList<int> forward;
        for (int row = model.hotRowAfter(-1); row >= 0; row = model.hotRowAfter(row))
            forward << row;
        QCOMPARE(forward, hotRowsForward);
        QList<int> backward;
        for (int row = model.hotRowBefore(model.rowCount()); row >= 0; row = model.hotRowBefore(row))
            backward.prepend(row);
        QCOMPARE(backward, hotRowsForward);

        // Line 4 makes two calls of helper, which cost 10 together.
        const QModelIndex callLine = model.index(3, SourceLinesModel::CallsColumn);
        QCOMPARE(callLine.data().toInt(), 2);
        QVERIFY(!callLine.siblingAtColumn(SourceLinesModel::InclusiveColumn).data().toString().isEmpty());
        QVERIFY(callLine.siblingAtColumn(SourceLinesModel::SelfColumn).data().toString().isEmpty());
        QVERIFY(callLine.data(Qt::ToolTipRole).toString().contains(QStringLiteral("helper (2 calls)")));
        // Of main, 8 and 5 a call of helper.
        QCOMPARE(callLine.data(ShareRole).toDouble(), 10.0 / (8 + 5 * (moreCalls.isEmpty() ? 3 : 4)));
        QCOMPARE(model.index(4, SourceLinesModel::CallsColumn).data(ShareRole).toDouble(), 0.0);
        if (text.startsWith("<?php\nmain"))
            QCOMPARE(model.index(2, SourceLinesModel::TextColumn).data().toString(), QStringLiteral("    a();"));

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.hottestRow(), -1);
    }
};

QTEST_GUILESS_MAIN(TestSourceLinesModel)
#include "tst_sourcelinesmodel.moc"
