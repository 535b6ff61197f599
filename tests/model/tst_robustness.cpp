#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QByteArray sample(const char *name)
{
    QFile file(QStringLiteral(VELOTRACE_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads `bytes` from a buffer of exactly their size, so that the address
// sanitizer sees any read past the end, then uses the whole model on it.
void readAndUse(QByteArrayView bytes)
{
    const auto exact = std::make_unique<char[]>(size_t(bytes.size()) + (bytes.isEmpty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), exact.get());
    Profile profile;
    profile.readFromData(QByteArrayView(exact.get(), bytes.size()));
    QCOMPARE(profile.state(), Profile::Read);
    const ProfiledFunctionCall *root = profile.rootFunction();
    if (!root)
        return;
    FunctionSummaryMap::summariesBelow(*root);
    // Spot-check the invariants of the analysed tree.
    std::vector<const ProfiledFunctionCall *> pending{root};
    while (!pending.empty()) {
        const ProfiledFunctionCall *call = pending.back();
        pending.pop_back();
        quint64 inclusive = call->selfTime();
        for (qsizetype i = 0; i < call->childCount(); ++i) {
            const ProfiledFunctionCall *child = call->getChild(i);
            QCOMPARE(child->parent(), call);
            QCOMPARE(child->indexInParent(), quint32(i + 1));
            inclusive += child->inclusiveTime();
            pending.push_back(child);
        }
        QCOMPARE(call->inclusiveTime(), inclusive);
        QCOMPARE(call->ancestor(), call->closestAncestorWithFunction(call->function()));
    }
}

// Pieces that steer the reader through all of its states and branches.
const QList<QByteArray> tokens = {
    "version: 1", "creator: x", "cmd: a=b", "part: 1", "events: Time_(10ns)", "events: Time_(", "positions: line",
    "fl=", "fn=", "cfn=", "cfl=", "fi=", "fe=", "calls=1 0 0", "summary: 5", "#", "(1)", "(2) ", "(99999999999999999999)",
    "(", ")", " ", "=", "1", "12", "123 456", "99999999999999999999999", "\t", "+", "-", "\n", "\n", "\n", "\r", "\r\n",
    "\xff", "\xc3", "php::", "require::", "->", QByteArray(1, '\0')};

} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void truncated();
    void randomTokens();
    void mutatedProfiles();
};

void TestRobustness::truncated()
{
    for (const char *name : {"xdebug-2.6-compressed.cachegrind", "xdebug-2.2.1-shutdown.cachegrind"}) {
        const QByteArray data = sample(name);
        QVERIFY(!data.isEmpty());
        for (qsizetype length = 0; length <= data.size(); ++length)
            readAndUse(QByteArrayView(data).first(length));
    }
    const QByteArray large = sample("phprojekt-xdebug-0.9.6.cachegrind");
    for (qsizetype length = 0; length <= large.size(); length += 997)
        readAndUse(QByteArrayView(large).first(length));
}

void TestRobustness::randomTokens()
{
    QRandomGenerator random(2026);
    for (int round = 0; round < 3000; ++round) {
        QByteArray data;
        const int count = random.bounded(1, 200);
        for (int i = 0; i < count; ++i)
            data += tokens[random.bounded(int(tokens.size()))];
        readAndUse(data);
    }
}

void TestRobustness::mutatedProfiles()
{
    QRandomGenerator random(91);
    const QByteArray original = sample("xdebug-2.2.1-shutdown.cachegrind") + sample("xdebug-2.6-compressed.cachegrind");
    for (int round = 0; round < 2000; ++round) {
        QByteArray data = original;
        const int mutations = random.bounded(1, 12);
        for (int i = 0; i < mutations && !data.isEmpty(); ++i) {
            const qsizetype at = random.bounded(data.size());
            switch (random.bounded(4)) {
            case 0:
                data[at] = char(random.bounded(256));
                break;
            case 1:
                data.remove(at, random.bounded(1, 40));
                break;
            case 2:
                data.insert(at, tokens[random.bounded(int(tokens.size()))]);
                break;
            default:
                data.insert(at, data.mid(random.bounded(data.size()), random.bounded(1, 200)));
                break;
            }
        }
        readAndUse(data);
    }
}

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"
