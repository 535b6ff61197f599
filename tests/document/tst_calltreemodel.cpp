#include "CallTreeModel.h"
#include "DocumentTestSupport.h"
#include "FunctionModel.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ViewRoles.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

// main -> [a1 -> [x, y -> [deep1, deep2], z], b, a2 -> [w]]
QByteArray branchingProfile()
{
    return profileHeader() + record("/f.php", "x", 1, 1) + record("/f.php", "deep1", 2, 1)
           + record("/f.php", "deep2", 3, 1) + record("/f.php", "y", 4, 1, {"deep1", "deep2"})
           + record("/f.php", "z", 5, 1) + record("/f.php", "a1", 6, 1, {"x", "y", "z"})
           + record("/f.php", "b", 7, 1) + record("/f.php", "w", 8, 1) + record("/f.php", "a2", 9, 1, {"w"})
           + record("/f.php", "main", 10, 1, {"a1", "b", "a2"});
}

QStringList rows(const CallTreeModel &model)
{
    QStringList list;
    for (int row = 0; row < model.rowCount(); ++row)
        list << QString(model.depthOfRow(row), QLatin1Char('.')) + model.callAtRow(row)->function().name()
                    + (model.isExpanded(row) ? QStringLiteral("-") : QString());
    return list;
}

const ProfiledFunctionCall *find(const ProfiledFunctionCall *call, const QString &path)
{
    for (const QString &name : path.split(QLatin1Char('/'))) {
        const ProfiledFunctionCall *next = nullptr;
        for (qsizetype i = 0; i < call->childCount() && !next; ++i) {
            if (call->getChild(i)->function().name() == name)
                next = call->getChild(i);
        }
        call = next;
    }
    return call;
}

int rowNamed(const CallTreeModel &model, const QString &name)
{
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.callAtRow(row)->function().name() == name)
            return row;
    }
    return -1;
}

} // namespace

class TestCallTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void expandingParentsMatchesExpandingByHand_data()
    {
        QTest::addColumn<QStringList>("expandedFirst");
        QTest::addColumn<QString>("target");
        QTest::newRow("all collapsed") << QStringList() << "a1/y/deep2";
        QTest::newRow("top expanded") << QStringList({"main"}) << "a1/y/deep2";
        QTest::newRow("a later sibling expanded") << QStringList({"main", "a2"}) << "a1/y/deep1";
        QTest::newRow("already shown") << QStringList({"main", "a1"}) << "a1/z";
        QTest::newRow("the top itself") << QStringList() << "";
    }

    void expandingParentsMatchesExpandingByHand()
    {
        QFETCH(QStringList, expandedFirst);
        QFETCH(QString, target);
        Profile profile;
        profile.readFromData(branchingProfile());
        const ProfiledFunctionCall *call = target.isEmpty() ? profile.rootFunction() : find(profile.rootFunction(), target);
        QVERIFY(call);

        CallTreeModel byParents;
        QAbstractItemModelTester tester(&byParents, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CallTreeModel byHand;
        for (CallTreeModel *model : {&byParents, &byHand}) {
            model->setRootFunction(profile.rootFunction());
            for (const QString &name : expandedFirst)
                model->expandRow(rowNamed(*model, name));
        }
        const int row = byParents.expandParents(*call);
        QStringList chain;
        for (const ProfiledFunctionCall *node = call->parent(); node; node = node->parent())
            chain.prepend(node->function().name());
        for (const QString &name : chain)
            byHand.expandRow(rowNamed(byHand, name));

        QCOMPARE(rows(byParents), rows(byHand));
        QCOMPARE(byParents.callAtRow(row), call);
        QCOMPARE(byParents.rowOfCall(call), row);
    }

    void rowsAnswerTheOutlinesQuestions()
    {
        Profile profile;
        profile.readFromData(branchingProfile());
        CallTreeModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRootFunction(profile.rootFunction());
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(model.isExpandable(0) && !model.isExpanded(0));
        model.expandRow(0);
        model.expandRow(0);
        QCOMPARE(rows(model), QStringList({"main-", ".a1", ".b", ".a2"}));
        const QModelIndex b = model.index(2, 0);
        QCOMPARE(b.data().toString(), QStringLiteral("b"));
        QCOMPARE(b.data(DepthRole).toInt(), 1);
        QVERIFY(!b.data(ExpandableRole).toBool());
        QCOMPARE(b.data(FunctionRole).value<const FunctionModel *>(), &model.callAtRow(2)->function());
        model.expandRow(2);
        QCOMPARE(model.rowCount(), 4);
        QVERIFY(!model.callAtRow(4) && !model.callAtRow(-1));
        QCOMPARE(model.rowOfCall(find(profile.rootFunction(), QStringLiteral("a1/x"))), -1);
        model.collapseRow(0);
        QCOMPARE(rows(model), QStringList({"main"}));
        model.setRootFunction(nullptr);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_MAIN(TestCallTreeModel)
#include "tst_calltreemodel.moc"
