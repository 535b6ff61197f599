#include "DataColumns.h"
#include "TestProfiles.h"

#include "CallTreeMerger.h"
#include "MergedCallTree.h"
#include "SmallCallFilter.h"

#include <QTest>

namespace {

// Self costs are powers of two, so that every sum tells its calls apart.
// main calls a, b, a, a, b; the first and last a call c, the second b too.
const QByteArray repeats = "events: Time\n\n"
                           "fn=c\n1 1\n\nfn=a\n1 2\ncfn=c\n\nfn=b\n1 4\n\nfn=a\n1 8\n\n"
                           "fn=c\n1 16\n\nfn=c\n1 32\n\nfn=a\n1 64\ncfn=c\ncfn=c\n\n"
                           "fn=c\n1 256\n\nfn=b\n1 128\ncfn=c\n\n"
                           "fn=main\n1 512\ncfn=a\ncfn=b\ncfn=a\ncfn=a\ncfn=b\n\n";
// main calls f, which recurses twice, then f once more.
const QByteArray recursion = "events: Time\n\nfn=f\n1 1\n\nfn=f\n1 2\ncfn=f\n\nfn=f\n1 4\ncfn=f\n\n"
                             "fn=f\n1 8\n\nfn=main\n1 16\ncfn=f\ncfn=f\n\n";
// main calls g twice; time, memory and another count.
const QByteArray threeEvents = "events: Time Memory Cycles\n\nfn=g\n1 3 -100 7\n\nfn=g\n1 5 39 -2\n\n"
                               "fn=main\n1 1 10 1\ncfn=g\ncfn=g\n\n";
// main calls p, q, r, p, s: time 5, 7, 5, 2, 7 and memory 10, -20, 30, 0, 30.
const QByteArray weights = "events: Time Memory\n\nfn=p\n1 5 10\n\nfn=q\n1 7 -20\n\nfn=r\n1 5 30\n\n"
                           "fn=p\n1 2 0\n\nfn=s\n1 7 30\n\nfn=main\n1 0 0\ncfn=p\ncfn=q\ncfn=r\ncfn=p\ncfn=s\n\n";

QString figure(Cost cost)
{
    return cost.isSigned() ? QString::number(cost.toSigned()) : QString::number(cost.toUnsigned());
}

// The paths, one line each, reached through their children and indented
// by depth: "name xCALLS self/inclusive per event #first call". Checks
// that the walk meets them in their numbers' order and that each subtree
// ends where its numbers do.
QStringList linesOf(const Profile &profile, const MergedCallTree &paths)
{
    QStringList lines;
    std::vector<quint32> pending;
    if (paths.root() != MergedCallTree::none)
        pending.push_back(paths.root());
    while (!pending.empty()) {
        const quint32 path = pending.back();
        pending.pop_back();
        const quint32 lastChild = paths.childCount(path) == 0 ? path : paths.child(path, paths.childCount(path) - 1);
        if (path != quint32(lines.size())
            || paths.subtreeEnd(path) != (lastChild == path ? path + 1 : paths.subtreeEnd(lastChild)))
            return { QStringLiteral("path %1 out of place").arg(path) };
        QString line = QString(paths.depth(path) * 2, ' ') + profile.function(paths.function(path)).name() + " x"
            + QString::number(paths.calls(path));
        for (int event = 0; event < paths.eventCount(); ++event)
            line += ' ' + figure(paths.selfCost(event, path)) + '/' + figure(paths.inclusiveCost(event, path));
        lines << line + " #" + QString::number(paths.firstCall(path));
        for (quint32 i = paths.childCount(path); i-- > 0;)
            pending.push_back(paths.child(path, i));
    }
    return lines;
}

// The root's children in `order` once what `share` of its cost asks is
// hidden, and "+N more calls" with their cost; checks in every call of
// `tree` that the figures still add up.
template <typename Tree>
QString hidingAtRoot(const Profile &profile, const Tree &tree, quint32 root, int event, double share, ChildOrder order)
{
    const SmallCallFilter<Tree> filter(tree, root, event, share);
    for (quint32 node = 0; node < tree.size(); ++node) {
        const auto children = filter.children(node, order);
        for (int e = 0; e < tree.eventCount(); ++e) {
            quint64 sum = Cost::addBits(tree.selfBits(e, node), children.hidden.inclusiveBits[size_t(e)], true);
            for (const quint32 child : children.shown)
                sum = Cost::addBits(sum, tree.inclusiveBits(e, child), true);
            if (sum != tree.inclusiveBits(e, node)
                || children.shown.size() + children.hidden.children != tree.childCount(node))
                return QStringLiteral("figures of %1 do not add up").arg(node);
        }
    }
    const auto children = filter.children(root, order);
    QString names;
    for (const quint32 child : children.shown)
        names += profile.function(tree.function(child)).name() + ' ';
    return names
        + QStringLiteral("+%1 more calls %2")
              .arg(children.hidden.calls)
              .arg(figure(Cost::fromBits(children.hidden.inclusiveBits[size_t(event)], tree.isSigned(event))));
}

} // namespace

class MergedCallTreeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paths_data()
    {
        addColumns<QByteArray, QStringList>("profile", "paths");
        // b's first call comes after a's, though the walk from the last call
        // meets b first.
        QTest::newRow("repeated siblings, a callee under two parents")
            << repeats
            << QStringList { "main x1 512/1023 #9", "  a x3 74/123 #1", "    c x3 49/49 #0", "  b x2 132/388 #2",
                   "    c x1 256/256 #7" };
        QTest::newRow("recursion stays a path per depth")
            << recursion
            << QStringList { "main x1 16/31 #4", "  f x2 12/15 #2", "    f x1 2/3 #1", "      f x1 1/1 #0" };
        QTest::newRow("memory and a third event")
            << threeEvents << QStringList { "main x1 1/9 10/-51 1/6 #2", "  g x2 8/8 -61/-61 5/5 #0" };
        QTest::newRow("no calls") << QByteArray() << QStringList();
    }

    void paths()
    {
        const ReadProfile profile(fetched<QByteArray>("profile"));
        const CallTree &tree = profile.callTree();
        const MergedCallTree paths = CallTreeMerger::merge(tree);
        QTEST(linesOf(profile, paths), "paths");
        // From each call to its path and back.
        quint64 calls = 0;
        for (quint32 path = 0; path < paths.size(); ++path) {
            const std::vector<quint32> along = CallTreeMerger::callsOfPath(paths, tree, path);
            QCOMPARE(quint64(along.size()), paths.calls(path));
            QCOMPARE(along.front(), paths.firstCall(path));
            for (const quint32 call : along)
                QCOMPARE(CallTreeMerger::pathOfCall(paths, tree, call), path);
            calls += along.size();
        }
        QCOMPARE(calls, quint64(tree.size()));
    }

    void childrenShown_data()
    {
        addColumns<QByteArray, bool, int, double, bool, QString>(
            "profile", "merged", "event", "share", "heaviestFirst", "atRoot");
        // Ties stay in the order of the first calls; memory given back is
        // the lightest.
        QTest::newRow("paths by time") << weights << true << 0 << 0.0 << true << "p q s r +0 more calls 0";
        QTest::newRow("paths by memory") << weights << true << 1 << 0.0 << true << "r s p q +0 more calls 0";
        QTest::newRow("calls by time") << weights << false << 0 << 0.0 << true << "q s p r p +0 more calls 0";
        QTest::newRow("calls by memory") << weights << false << 1 << 0.0 << true << "r s p p q +0 more calls 0";
        // The root's inclusive time is 1023: a's paths cost 123, b's 388.
        QTest::newRow("paths hidden") << repeats << true << 0 << 0.2 << false << "b +3 more calls 123";
        QTest::newRow("paths above the share") << repeats << true << 0 << 0.1 << false << "a b +0 more calls 0";
        QTest::newRow("calls hidden") << repeats << false << 0 << 0.2 << false << "b +4 more calls 127";
        // Memory given back counts by its size: q's -20 is above 0.3 of 50.
        QTest::newRow("memory by size") << weights << false << 1 << 0.3 << false << "q r s +2 more calls 10";
        QTest::newRow("memory by size, heaviest first")
            << weights << true << 1 << 0.3 << true << "r s q +2 more calls 10";
    }

    void childrenShown()
    {
        const ReadProfile profile(fetched<QByteArray>("profile"));
        const CallTree &tree = profile.callTree();
        const auto event = fetched<int>("event");
        const auto share = fetched<double>("share");
        const ChildOrder order = fetched<bool>("heaviestFirst") ? ChildOrder::HeaviestFirst : ChildOrder::CallOrder;
        if (fetched<bool>("merged")) {
            const MergedCallTree paths = CallTreeMerger::merge(tree);
            QTEST(hidingAtRoot(profile, paths, paths.root(), event, share, order), "atRoot");
        } else {
            QTEST(hidingAtRoot(profile, tree, tree.rootNumber(), event, share, order), "atRoot");
        }
    }

    void deepChain()
    {
        constexpr quint32 depth = 1000000;
        // Seven functions, each calling the one before.
        QByteArray records[7];
        for (int i = 0; i < 7; ++i)
            records[i] = "fn=f" + QByteArray::number(i) + "\n1 1\ncfn=f" + QByteArray::number((i + 6) % 7) + "\n\n";
        QByteArray data = "events: Time\n\nfn=f0\n1 1\n\n";
        data.reserve(depth * 24);
        for (quint32 i = 1; i < depth; ++i)
            data += records[i % 7];
        const ReadProfile profile(data);
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        QCOMPARE(paths.size(), depth);
        QCOMPARE(paths.inclusiveBits(0, 1), quint64(depth - 1));
        QCOMPARE(CallTreeMerger::pathOfCall(paths, profile.callTree(), 0), depth - 1);
        QCOMPARE(CallTreeMerger::callsOfPath(paths, profile.callTree(), depth - 1), std::vector<quint32> { 0 });
    }
};

QTEST_GUILESS_MAIN(MergedCallTreeTest)
#include "tst_mergedcalltree.moc"
