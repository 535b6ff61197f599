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

template <typename F> void row(const char *name, F call, const QVariant &expected)
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
        QTest::addColumn<Call>("call");
        QTest::addColumn<QVariant>("expected");
        row(
            "occurences ignoring case", [] { return occurencesOfSubstring("abAB", "Ab"); }, 2);
        row(
            "no occurences of empty", [] { return occurencesOfSubstring("aaa", ""); }, 0);
        row(
            "tokens skip empty ones", [] { return tokensSeparatedByCharactersFromSet("#a##b#", hash()); },
            QStringList { "a", "b" });
        row(
            "words beyond ASCII", [] { return words(QStringLiteral("well-known grüße, 2 Zoë")); },
            QStringList { "well-known", QStringLiteral("grüße"), QStringLiteral("Zoë") });
        row(
            "substitute holding the set", [] { return stringWithSubstitute("a#b#", "##", hash()); }, "a##b##");
        row(
            "lines by length", [] { return linesSortedByLength("ccc\n\nb\r\na"); },
            QStringList { "", "a", "b\r", "ccc" });
        row(
            "never contains empty", [] { return containsString("", ""); }, false);
        row(
            "tabs and returns", [] { return removeTabsAndReturns("  a  b \n  c\td\r\n"); }, "a  b cd");
        row(
            "safe for XML", [] { return stringSafeForXML("&<b \"'>"); }, "&amp;&lt;b &quot;&apos;&gt;");
        row(
            "newline to CR", [] { return newlineToCR("a\r\nb\n"); }, "a\r\rb\r");
        row(
            "split with empty rest", [] { return splitToSize("abcdef", 3); }, QStringList { "abc", "def", "" });
        row(
            "split counts code units", [] { return splitToSize(QStringLiteral("a\U0001F600"), 1); },
            QStringList { "a", QString(QChar(0xD83D)), QString(QChar(0xDE00)), "" });
        row(
            "whitespace range in a word",
            [] {
                return whitespaceRangeForRange("one two three", { 5, 0 });
            },
            QVariant::fromValue(KFRange { 4, 3 }));
        row(
            "whitespace range over a space",
            [] {
                return whitespaceRangeForRange("one two three", { 2, 3 });
            },
            QVariant::fromValue(KFRange { 0, 7 }));
        row(
            "pascal: latin-1", [] { return pascalRoundTrip(QStringLiteral("Grüße"), QStringConverter::Latin1); },
            QByteArray("\x05Gr\xfc\xdf"
                       "e"));
        row(
            "pascal: utf-8", [] { return pascalRoundTrip(QStringLiteral("Grüße"), QStringConverter::Utf8); },
            QByteArray("\x07Gr\xc3\xbc\xc3\x9f"
                       "e"));
        row(
            "pascal: 255 bytes", [] { return pascalRoundTrip(QString(255, 'x'), QStringConverter::Utf8); },
            '\xff' + QByteArray(255, 'x'));
        row(
            "pascal: length byte too small", [] { return toPascal(QString(256, 'x'), QStringConverter::Utf8); }, 0);
        row(
            "pascal: buffer too small", [] { return toPascal("abcd", QStringConverter::Utf8, 4); }, 0);
        row(
            "pascal: buffer just fits", [] { return toPascal("abc", QStringConverter::Utf8, 4); }, 4);
        row(
            "pascal: not encodable", [] { return toPascal(QStringLiteral("€"), QStringConverter::Latin1); }, 0);
        row(
            "pascal: lone surrogate", [] { return toPascal(QString(QChar(0xD800)), QStringConverter::Utf8); }, 0);
        row(
            "group not taking part", [] { return match("b", "(a)|(b)"); }, QStringList { "b", "(none)", "b" });
        row(
            "non-ASCII before the match", [] { return match(QStringLiteral("äöü: cg.out.1"), "cg.(out).([0-9]+)"); },
            QStringList { "cg.out.1", "out", "1" });
        row(
            "non-ASCII in the match", [] { return match(QStringLiteral("x=größe;"), "=([^;]*)"); },
            QStringList { QStringLiteral("=größe"), QStringLiteral("größe") });
        row(
            "empty group", [] { return match("ab", "a(x*)b"); }, QStringList { "ab", "" });
        row(
            "case ignored", [] { return match("ABC", "b", true); }, QStringList { "B" });
        row(
            "case kept", [] { return match("ABC", "b"); }, QStringList { "(no match)" });
        // Run under the sanitizer build, these also show that nothing leaks.
        for (const char *pattern : { "(ab", "[ab", "a{2,1}", "ab\\" })
            row(
                pattern, [pattern] { return raised([pattern] { findRegularExpression("ab", pattern, false); }); },
                "regcomp: ");
        row(
            "split to size 0", [] { return raised([] { splitToSize("abc", 0); }) != QLatin1String("nothing"); }, true);
        row(
            "pascal: invalid UTF-8",
            [] {
                return stringWithPascalString({ 2, 0xC3, 0x28 }, QStringConverter::Utf8);
            },
            QVariant::fromValue(std::optional<QString>()));
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
