#include <KFStringAdditions.h>

#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace KFAdditions;

using Groups = QList<std::optional<QString>>;
Q_DECLARE_METATYPE(Groups)
Q_DECLARE_METATYPE(KFAdditions::KFRange)

class TestStringAdditions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void occurences_data();
    void occurences();
    void tokens_data();
    void tokens();
    void substitute();
    void linesAndLengthOrder();
    void containsStringNeverFindsEmpty();
    void removeTabsAndReturns_data();
    void removeTabsAndReturns();
    void safeFilePathSkipsTakenNames();
    void xmlAndLineEnds();
    void splitToSize_data();
    void splitToSize();
    void splitToSizeRejectsZero();
    void regularExpression_data();
    void regularExpression();
    void regularExpressionErrors_data();
    void regularExpressionErrors();
    void whitespaceRange_data();
    void whitespaceRange();
    void substringsAroundRange();
    void pascalStrings_data();
    void pascalStrings();
    void pascalStringLimits();
};

void TestStringAdditions::occurences_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<QString>("substring");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("count");

    QTest::newRow("ignoring case") << "abAB" << "Ab" << false << 2;
    QTest::newRow("case-sensitive") << "abAb" << "Ab" << true << 1;
    QTest::newRow("no overlaps") << "aaa" << "aa" << true << 1;
    QTest::newRow("empty substring") << "aaa" << "" << true << 0;
    QTest::newRow("longer substring") << "a" << "aa" << false << 0;
}

void TestStringAdditions::occurences()
{
    QFETCH(QString, string);
    QFETCH(QString, substring);
    QFETCH(bool, caseSensitive);
    QFETCH(int, count);
    if (caseSensitive)
        QCOMPARE(occurencesOfSubstring(string, substring, Qt::CaseSensitive), count);
    else
        QCOMPARE(occurencesOfSubstring(string, substring), count);
}

void TestStringAdditions::tokens_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("string");
    QTest::addColumn<QStringList>("tokens");

    QTest::newRow("separators only") << "comma" << ",,," << QStringList();
    QTest::newRow("empty") << "comma" << "" << QStringList();
    QTest::newRow("outer separators") << "comma" << ",a,,b," << QStringList{"a", "b"};
    QTest::newRow("objc") << "objc" << "[obj doThis:arg];" << QStringList{"obj", "doThis:arg"};
    QTest::newRow("words") << "words" << "well-known, free 2 go" << QStringList{"well-known", "free", "go"};
    QTest::newRow("words beyond ASCII") << "words" << QStringLiteral("grüße an Zoë") << QStringList{"grüße", "an", "Zoë"};
}

void TestStringAdditions::tokens()
{
    QFETCH(QString, kind);
    QFETCH(QString, string);
    if (kind == QLatin1String("objc"))
        QTEST(objCTokens(string), "tokens");
    else if (kind == QLatin1String("words"))
        QTEST(words(string), "tokens");
    else
        QTEST(tokensSeparatedByCharactersFromSet(string, characterSetWithCharactersInString(",")), "tokens");
}

void TestStringAdditions::substitute()
{
    const QString plain = QStringLiteral("nothing to replace");
    const QString same = stringWithSubstitute(plain, QStringLiteral("_"), characterSetWithCharactersInString("#"));
    QCOMPARE(same.constData(), plain.constData()); // the very same string

    QCOMPARE(stringWithSubstitute("a#b##", "<>", characterSetWithCharactersInString("#")), QStringLiteral("a<>b<><>"));
    // A substitute holding a character of the set must not loop forever.
    QCOMPARE(stringWithSubstitute("a#", "##", characterSetWithCharactersInString("#")), QStringLiteral("a##"));
    QVERIFY(containsCharacterFromSet("a b", whitespaceAndNewlineCharacters()));
    QVERIFY(!containsCharacterFromSet("ab", whitespaceAndNewlineCharacters()));
}

void TestStringAdditions::linesAndLengthOrder()
{
    QCOMPARE(linesSortedByLength("ccc\n\nb\r\na"), (QStringList{"", "a", "b\r", "ccc"}));
    QCOMPARE(compareLength("b", "ab"), -1);
    QCOMPARE(compareLength("ab", "b"), 1);
    QCOMPARE(compareLength("ab", "ac"), -1);
    QCOMPARE(compareLength("ab", "ab"), 0);
}

void TestStringAdditions::containsStringNeverFindsEmpty()
{
    QVERIFY(containsString("Cart->add", "->"));
    QVERIFY(!containsString("Cart->add", "ADD"));
    QVERIFY(containsString("Cart->add", "ADD", true));
    QVERIFY(!containsString("Cart->add", ""));
    QVERIFY(!containsString("", ""));
}

void TestStringAdditions::removeTabsAndReturns_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<QString>("expected");

    QTest::newRow("leading spaces dropped") << "  a b \n  c" << "a b c";
    QTest::newRow("tabs and CRLF") << "x\ty\r\nz" << "xyz";
    QTest::newRow("whitespace only") << " \t\n " << "";
    QTest::newRow("inner spaces kept") << "a  b" << "a  b";
}

void TestStringAdditions::removeTabsAndReturns()
{
    QFETCH(QString, string);
    QTEST(KFAdditions::removeTabsAndReturns(string), "expected");
}

void TestStringAdditions::safeFilePathSkipsTakenNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("out.txt");
    QCOMPARE(safeFilePath(path), path);

    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    QVERIFY(QFile(dir.filePath("out 1.txt")).open(QIODevice::WriteOnly));
    QCOMPARE(safeFilePath(path), dir.filePath("out 2.txt"));

    QVERIFY(QDir(dir.path()).mkdir("noext"));
    QCOMPARE(safeFilePath(dir.filePath("noext")), dir.filePath("noext 1."));
    // A full stop in a directory name is not an extension.
    QVERIFY(QDir(dir.path()).mkpath("v1.2/data"));
    QCOMPARE(safeFilePath(dir.filePath("v1.2/data")), dir.filePath("v1.2/data 1."));
    // A dangling link is taken too: writing there would follow the link.
    QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("link.txt")));
    QCOMPARE(safeFilePath(dir.filePath("link.txt")), dir.filePath("link 1.txt"));
}

void TestStringAdditions::xmlAndLineEnds()
{
    QCOMPARE(stringSafeForXML("a<b & c"), QStringLiteral("a&lt;b &amp; c"));
    QCOMPARE(stringSafeForXML("&<"), QStringLiteral("&amp;&lt;"));
    QCOMPARE(stringSafeForXML("\"'>"), QStringLiteral("&quot;&apos;&gt;"));
    QCOMPARE(newlineToCR("a\r\nb\n"), QStringLiteral("a\r\rb\r"));
}

void TestStringAdditions::splitToSize_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<uint>("size");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("rest") << "abcdefg" << 3u << QStringList{"abc", "def", "g"};
    QTest::newRow("empty rest") << "abcdef" << 3u << QStringList{"abc", "def", ""};
    QTest::newRow("shorter") << "ab" << 3u << QStringList{"ab"};
    QTest::newRow("empty") << "" << 3u << QStringList{""};
    // A character outside the basic plane is two code units.
    QTest::newRow("code units") << QStringLiteral("a\U0001F600") << 1u
                                << QStringList{"a", QString(QChar(0xD83D)), QString(QChar(0xDE00)), ""};
}

void TestStringAdditions::splitToSize()
{
    QFETCH(QString, string);
    QFETCH(uint, size);
    QTEST(KFAdditions::splitToSize(string, size), "pieces");
}

void TestStringAdditions::splitToSizeRejectsZero()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, KFAdditions::splitToSize("abc", 0));
}

void TestStringAdditions::regularExpression_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<Groups>("groups");

    QTest::newRow("group not taking part") << "b" << "(a)|(b)" << false << true << Groups{"b", std::nullopt, "b"};
    QTest::newRow("non-ASCII before the match")
        << QStringLiteral("äöü ß: cachegrind.out.1") << "cachegrind\\.(out)\\.([0-9]+)" << false << true
        << Groups{"cachegrind.out.1", "out", "1"};
    QTest::newRow("non-ASCII in the match") << QStringLiteral("x=größe;") << "=([^;]*)" << false << true
                                            << Groups{QStringLiteral("=größe"), QStringLiteral("größe")};
    QTest::newRow("empty group") << "ab" << "a(x*)b" << false << true << Groups{"ab", ""};
    QTest::newRow("no match") << "abc" << "^b" << false << false << Groups{};
    QTest::newRow("case ignored") << "ABC" << "b" << true << true << Groups{"B"};
    QTest::newRow("case kept") << "ABC" << "b" << false << false << Groups{};
}

void TestStringAdditions::regularExpression()
{
    QFETCH(QString, string);
    QFETCH(QString, pattern);
    QFETCH(bool, ignoreCase);
    QFETCH(bool, matches);
    QFETCH(Groups, groups);
    const auto result = findRegularExpression(string, pattern, ignoreCase);
    QCOMPARE(result.has_value(), matches);
    if (matches)
        QCOMPARE(*result, groups);
}

void TestStringAdditions::regularExpressionErrors_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("unmatched parenthesis") << "(ab";
    QTest::newRow("unmatched bracket") << "[ab";
    QTest::newRow("bad repetition") << "a{2,1}";
    QTest::newRow("trailing backslash") << "ab\\";
}

void TestStringAdditions::regularExpressionErrors()
{
    QFETCH(QString, pattern);
    try {
        findRegularExpression("ab", pattern, false);
        QFAIL("an invalid pattern must throw");
    } catch (const std::invalid_argument &error) {
        const QString reason = QString::fromUtf8(error.what());
        QVERIFY2(reason.startsWith("regcomp: ") && reason.size() > 9, qPrintable(reason));
    }
}

void TestStringAdditions::whitespaceRange_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<KFRange>("range");
    QTest::addColumn<KFRange>("expected");

    QTest::newRow("inside a word") << "one two three" << KFRange{5, 1} << KFRange{4, 3};
    QTest::newRow("empty range") << "one two three" << KFRange{5, 0} << KFRange{4, 3};
    QTest::newRow("at the start") << "one two" << KFRange{0, 0} << KFRange{0, 3};
    QTest::newRow("at the end") << "one two" << KFRange{7, 0} << KFRange{4, 3};
    QTest::newRow("spanning a space") << "one two three" << KFRange{2, 3} << KFRange{0, 7};
    QTest::newRow("newline") << "a\nbc\td" << KFRange{3, 0} << KFRange{2, 2};
}

void TestStringAdditions::whitespaceRange()
{
    QFETCH(QString, string);
    QFETCH(KFRange, range);
    QFETCH(KFRange, expected);
    const KFRange result = whitespaceRangeForRange(string, range);
    QCOMPARE(result.location, expected.location);
    QCOMPARE(result.length, expected.length);
}

void TestStringAdditions::substringsAroundRange()
{
    QCOMPARE(substringBeforeRange("one two three", {4, 3}), QStringLiteral("one "));
    QCOMPARE(substringAfterRange("one two three", {4, 3}), QStringLiteral(" three"));
    QCOMPARE(substringAfterRange("abc", {3, 0}), QStringLiteral(""));
    QVERIFY(isValidURL("http://localhost/latest-version.php?id=1"));
    QVERIFY(!isValidURL("http://exa mple.com/"));
}

void TestStringAdditions::pascalStrings_data()
{
    QTest::addColumn<QString>("string");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << "" << int(QStringConverter::Latin1) << QByteArray();
    QTest::newRow("latin-1") << QStringLiteral("Grüße") << int(QStringConverter::Latin1) << QByteArray("Gr\xfc\xdf" "e");
    QTest::newRow("utf-8") << QStringLiteral("Grüße") << int(QStringConverter::Utf8) << QByteArray("Gr\xc3\xbc\xc3\x9f" "e");
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('x')) << int(QStringConverter::Utf8) << QByteArray(255, 'x');
}

void TestStringAdditions::pascalStrings()
{
    QFETCH(QString, string);
    QFETCH(int, encoding);
    QFETCH(QByteArray, bytes);
    const auto enc = static_cast<QStringConverter::Encoding>(encoding);

    KFPascalString pascal{};
    pascal.fill(0xAA);
    QCOMPARE(convertToPascalStringInBuffer(string, pascal, enc), bytes.size() + 1);
    QCOMPARE(int(pascal[0]), bytes.size());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(pascal.data() + 1), bytes.size()), bytes);
    QCOMPARE(stringWithPascalString(pascal, enc), std::optional<QString>(string));
}

void TestStringAdditions::pascalStringLimits()
{
    KFPascalString pascal{};
    // Too long for the length byte, too long for the buffer, not encodable.
    QCOMPARE(convertToPascalStringInBuffer(QString(256, QLatin1Char('x')), pascal, QStringConverter::Utf8), 0);
    std::array<unsigned char, 4> small{};
    QCOMPARE(convertToPascalStringInBuffer("abcd", small, QStringConverter::Utf8), 0);
    QCOMPARE(convertToPascalStringInBuffer("abc", small, QStringConverter::Utf8), 4);
    QCOMPARE(convertToPascalStringInBuffer(QStringLiteral("€"), pascal, QStringConverter::Latin1), 0);
    QCOMPARE(convertToPascalStringInBuffer(QString(QChar(0xD800)), pascal, QStringConverter::Utf8), 0);

    // Bytes that are not UTF-8 do not decode.
    pascal[0] = 2;
    pascal[1] = 0xC3;
    pascal[2] = 0x28;
    QCOMPARE(stringWithPascalString(pascal, QStringConverter::Utf8), std::nullopt);
    QCOMPARE(stringWithPascalString(pascal, QStringConverter::Latin1), std::optional<QString>(QStringLiteral("Ã(")));
}

QTEST_GUILESS_MAIN(TestStringAdditions)
#include "tst_stringadditions.moc"
