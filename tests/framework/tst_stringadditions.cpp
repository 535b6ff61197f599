#include "DataColumns.h"
#include <KFStringAdditions.h>

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <stdexcept>

using namespace KFAdditions;

using Call = std::function<QVariant()>;
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(KFAdditions::KFRange)

namespace {

template <typename F> void row(const char *name, const QVariant &expected, F call)
{
    QTest::newRow(name) << Call([call] { return QVariant::fromValue(call()); }) << expected;
}

KFCharacterSet hash()
{
    return characterSetWithCharactersInString(QStringLiteral("#"));
}

qint32 toPascal(const QString &string, QStringConverter::Encoding encoding, std::size_t size = 256)
{
    std::vector<unsigned char> buffer(size);
    return convertToPascalStringInBuffer(string, buffer, encoding);
}

// The bytes written, or an empty array if they do not read back as the string.
QByteArray pascalRoundTrip(const QString &string, QStringConverter::Encoding encoding)
{
    KFPascalString pascal {};
    pascal.fill(0xAA);
    const qint32 written = convertToPascalStringInBuffer(string, pascal, encoding);
    if (stringWithPascalString(pascal, encoding) != string)
        return {};
    return QByteArray(reinterpret_cast<const char *>(pascal.data()), written);
}

// The groups of the first match, "(none)" for a group that took no part.
QStringList match(const QString &string, const char *pattern, bool ignoreCase = false)
{
    const auto groups = findRegularExpression(string, QString::fromUtf8(pattern), ignoreCase);
    if (!groups)
        return { QStringLiteral("(no match)") };
    QStringList texts;
    for (const std::optional<QString> &group : *groups)
        texts.append(group.value_or(QStringLiteral("(none)")));
    return texts;
}

// The start of what the call raises, if a reason follows it.
template <typename F> QString raised(F call)
{
    try {
        call();
    } catch (const std::invalid_argument &error) {
        const QString what = QString::fromUtf8(error.what());
        return what.size() > 9 ? what.left(9) : what;
    }
    return QStringLiteral("nothing");
}

} // namespace

class TestStringAdditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void additions_data()
    {
        addColumns<Call, QVariant>("call", "expected");
        row("occurences ignoring case", 2, [] { return occurencesOfSubstring("abAB", "Ab"); });
        row("no occurences of empty", 0, [] { return occurencesOfSubstring("aaa", ""); });
        row("tokens skip empty ones", QStringList { "a", "b" },
            [] { return tokensSeparatedByCharactersFromSet("#a##b#", hash()); });
        row("words beyond ASCII", QStringList { "well-known", QStringLiteral("grüße"), QStringLiteral("Zoë") },
            [] { return words(QStringLiteral("well-known grüße, 2 Zoë")); });
        row("substitute holding the set", "a##b##", [] { return stringWithSubstitute("a#b#", "##", hash()); });
        row("lines by length", QStringList { "", "a", "b\r", "ccc" },
            [] { return linesSortedByLength("ccc\n\nb\r\na"); });
        row("never contains empty", false, [] { return containsString("", ""); });
        row("tabs and returns", "a  b cd", [] { return removeTabsAndReturns("  a  b \n  c\td\r\n"); });
        row("safe for XML", "&amp;&lt;b &quot;&apos;&gt;", [] { return stringSafeForXML("&<b \"'>"); });
        row("newline to CR", "a\r\rb\r", [] { return newlineToCR("a\r\nb\n"); });
        row("split with empty rest", QStringList { "abc", "def", "" }, [] { return splitToSize("abcdef", 3); });
        row("split counts code units", QStringList { "a", QString(QChar(0xD83D)), QString(QChar(0xDE00)), "" },
            [] { return splitToSize(QStringLiteral("a\U0001F600"), 1); });
        row("whitespace range in a word", QVariant::fromValue(KFRange { 4, 3 }), [] {
            return whitespaceRangeForRange("one two three", { 5, 0 });
        });
        row("whitespace range over a space", QVariant::fromValue(KFRange { 0, 7 }), [] {
            return whitespaceRangeForRange("one two three", { 2, 3 });
        });
        row("pascal: latin-1", QByteArray("\x05Gr\xfc\xdf\x65"),
            [] { return pascalRoundTrip(QStringLiteral("Grüße"), QStringConverter::Latin1); });
        row("pascal: utf-8", QByteArray("\x07Gr\xc3\xbc\xc3\x9f\x65"),
            [] { return pascalRoundTrip(QStringLiteral("Grüße"), QStringConverter::Utf8); });
        row("pascal: 255 bytes", '\xff' + QByteArray(255, 'x'),
            [] { return pascalRoundTrip(QString(255, 'x'), QStringConverter::Utf8); });
        row("pascal: length byte too small", 0, [] { return toPascal(QString(256, 'x'), QStringConverter::Utf8); });
        row("pascal: buffer too small", 0, [] { return toPascal("abcd", QStringConverter::Utf8, 4); });
        row("pascal: buffer just fits", 4, [] { return toPascal("abc", QStringConverter::Utf8, 4); });
        row("pascal: not encodable", 0, [] { return toPascal(QStringLiteral("€"), QStringConverter::Latin1); });
        row("pascal: lone surrogate", 0, [] { return toPascal(QString(QChar(0xD800)), QStringConverter::Utf8); });
        row("group not taking part", QStringList { "b", "(none)", "b" }, [] { return match("b", "(a)|(b)"); });
        row("non-ASCII before the match", QStringList { "cg.out.1", "out", "1" },
            [] { return match(QStringLiteral("äöü: cg.out.1"), "cg.(out).([0-9]+)"); });
        row("non-ASCII in the match", QStringList { QStringLiteral("=größe"), QStringLiteral("größe") },
            [] { return match(QStringLiteral("x=größe;"), "=([^;]*)"); });
        row("empty group", QStringList { "ab", "" }, [] { return match("ab", "a(x*)b"); });
        row("case ignored", QStringList { "B" }, [] { return match("ABC", "b", true); });
        row("case kept", QStringList { "(no match)" }, [] { return match("ABC", "b"); });
        // Run under the sanitizer build, these also show that nothing leaks.
        for (const char *pattern : { "(ab", "[ab", "a{2,1}", "ab\\" })
            row(pattern,
                "regcomp: ", [pattern] { return raised([pattern] { findRegularExpression("ab", pattern, false); }); });
        row("split to size 0", true, [] { return raised([] { splitToSize("abc", 0); }) != QLatin1String("nothing"); });
        row("pascal: invalid UTF-8", QVariant::fromValue(std::optional<QString>()), [] {
            return stringWithPascalString({ 2, 0xC3, 0x28 }, QStringConverter::Utf8);
        });
    }

    void additions()
    {
        QFETCH(Call, call);
        QFETCH(QVariant, expected);
        const QVariant actual = call();
        if (expected.typeId() == QMetaType::QStringList) // for a readable failure
            QCOMPARE(actual.toStringList(), expected.toStringList());
        QCOMPARE(actual, expected);
    }

    void safeFilePathSkipsTakenNames()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        QCOMPARE(safeFilePath(path), path);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        QVERIFY(QFile(dir.filePath("out 1.txt")).open(QIODevice::WriteOnly));
        QCOMPARE(safeFilePath(path), dir.filePath("out 2.txt"));
        QVERIFY(QDir(dir.path()).mkpath("v1.2/data")); // a full stop in a directory is no extension
        QCOMPARE(safeFilePath(dir.filePath("v1.2/data")), dir.filePath("v1.2/data 1."));
        QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("link.txt"))); // a dangling link is taken
        QCOMPARE(safeFilePath(dir.filePath("link.txt")), dir.filePath("link 1.txt"));
    }
};

QTEST_GUILESS_MAIN(TestStringAdditions)
#include "tst_stringadditions.moc"
