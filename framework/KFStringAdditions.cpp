#include "KFStringAdditions.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <regex.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace KFAdditions {

namespace {

// Owns a compiled POSIX expression and frees it on every way out.
class CompiledExpression
{
public:
    CompiledExpression(const QByteArray &pattern, int flags)
    {
        const int status = regcomp(&m_expression, pattern.constData(), flags);
        if (status != 0)
            throwError("regcomp", status); // nothing compiled, nothing to free
        m_compiled = true;
    }
    CompiledExpression(const CompiledExpression &) = delete;
    CompiledExpression &operator=(const CompiledExpression &) = delete;
    ~CompiledExpression()
    {
        if (m_compiled)
            regfree(&m_expression);
    }

    size_t groupCount() const { return m_expression.re_nsub; }

    // False if the text does not match; throws on any other failure.
    bool match(const QByteArray &text, std::vector<regmatch_t> &slots) const
    {
        const int status = regexec(&m_expression, text.constData(), slots.size(), slots.data(), 0);
        if (status == REG_NOMATCH)
            return false;
        if (status != 0)
            throwError("regexec", status);
        return true;
    }

private:
    [[noreturn]] void throwError(const char *stage, int status) const
    {
        const size_t size = regerror(status, &m_expression, nullptr, 0);
        std::string message(size, '\0');
        [[maybe_unused]] const size_t written = regerror(status, &m_expression, message.data(), message.size());
        Q_ASSERT_X(written == size, "CompiledExpression", "unexpected size of the matcher's message");
        message.resize(std::strlen(message.c_str()));
        throw std::invalid_argument(std::string(stage) + ": " + message);
    }

    regex_t m_expression {};
    bool m_compiled = false;
};

// The part of a path's last component after its last full stop, and the
// path without it (and without that full stop).
struct PathParts
{
    QString base;
    QString extension;
};

PathParts splitExtension(const QString &path)
{
    const qsizetype componentStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= componentStart)
        return { path, QString() };
    return { path.left(dot), path.mid(dot + 1) };
}

bool pathIsTaken(const QString &path)
{
    // A dangling symbolic link counts as taken: writing there would follow it.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

qsizetype clampedPosition(const QString &string, qsizetype position)
{
    return std::clamp<qsizetype>(position, 0, string.size());
}

} // namespace

KFCharacterSet whitespaceAndNewlineCharacters()
{
    return [](QChar c) { return c.isSpace(); };
}

KFCharacterSet characterSetWithCharactersInString(const QString &characters)
{
    return [characters](QChar c) { return characters.contains(c); };
}

std::optional<QString> stringWithPascalString(const KFPascalString &pascal, QStringConverter::Encoding encoding)
{
    const auto length = static_cast<qsizetype>(pascal[0]);
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(pascal.data() + 1, length));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

qint32 convertToPascalStringInBuffer(
    const QString &string, std::span<unsigned char> buffer, QStringConverter::Encoding encoding)
{
    // The Latin-1 encoder writes "?" for what it cannot encode without
    // reporting it, so those characters are looked for here.
    if (encoding == QStringConverter::Latin1
        && std::any_of(string.cbegin(), string.cend(), [](QChar c) { return c.unicode() > 0xff; }))
        return 0;
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(string);
    if (encoder.hasError() || bytes.size() > 255 || static_cast<size_t>(bytes.size()) + 1 > buffer.size())
        return 0;
    buffer[0] = static_cast<unsigned char>(bytes.size());
    std::copy(bytes.cbegin(), bytes.cend(), buffer.begin() + 1);
    return static_cast<qint32>(bytes.size() + 1);
}

qint32 occurencesOfSubstring(const QString &string, const QString &substring, Qt::CaseSensitivity cs)
{
    if (substring.isEmpty())
        return 0;
    qint32 count = 0;
    qsizetype position = 0;
    while ((position = string.indexOf(substring, position, cs)) >= 0) {
        ++count;
        position += substring.size();
    }
    return count;
}

QStringList tokensSeparatedByCharactersFromSet(const QString &string, const KFCharacterSet &separators)
{
    QStringList tokens;
    qsizetype position = 0;
    const qsizetype length = string.size();
    while (position < length) {
        while (position < length && separators(string.at(position)))
            ++position;
        const qsizetype start = position;
        while (position < length && !separators(string.at(position)))
            ++position;
        if (position > start)
            tokens.append(string.mid(start, position - start));
    }
    return tokens;
}

QStringList objCTokens(const QString &string)
{
    return tokensSeparatedByCharactersFromSet(
        string, [](QChar c) { return !(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char(':')); });
}

QStringList words(const QString &string)
{
    return tokensSeparatedByCharactersFromSet(string, [](QChar c) { return !(c.isLetter() || c == QLatin1Char('-')); });
}

bool containsCharacterFromSet(const QString &string, const KFCharacterSet &set)
{
    return std::any_of(string.cbegin(), string.cend(), set);
}

QString stringWithSubstitute(const QString &string, const QString &substitute, const KFCharacterSet &set)
{
    if (!containsCharacterFromSet(string, set))
        return string;
    // One pass from the start: the same result as repeatedly replacing the
    // first remaining character of the set, without looping forever when
    // the substitute itself holds one.
    QString result;
    result.reserve(string.size());
    for (const QChar c : string) {
        if (set(c))
            result += substitute;
        else
            result += c;
    }
    return result;
}

QStringList linesSortedByLength(const QString &string)
{
    QStringList lines = string.split(QLatin1Char('\n'));
    std::sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) { return compareLength(a, b) < 0; });
    return lines;
}

int compareLength(const QString &string, const QString &other)
{
    if (string.size() != other.size())
        return string.size() < other.size() ? -1 : 1;
    const int order = string.compare(other, Qt::CaseSensitive);
    return (order > 0) - (order < 0);
}

bool containsString(const QString &string, const QString &substring, bool ignoringCase)
{
    return !substring.isEmpty() && string.contains(substring, ignoringCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

QString removeTabsAndReturns(const QString &string)
{
    const auto isStop
        = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'); };
    QString result;
    qsizetype position = 0;
    const qsizetype length = string.size();
    while (position < length) {
        while (position < length && string.at(position).isSpace())
            ++position;
        const qsizetype start = position;
        while (position < length && !isStop(string.at(position)))
            ++position;
        result += QStringView(string).mid(start, position - start);
    }
    return result;
}

QString safeFilePath(const QString &path)
{
    const PathParts parts = splitExtension(path);
    QString candidate = path;
    for (qint64 counter = 1; pathIsTaken(candidate); ++counter)
        candidate = QStringLiteral("%1 %2.%3").arg(parts.base).arg(counter).arg(parts.extension);
    return candidate;
}

QString substringBeforeRange(const QString &string, KFRange range)
{
    return string.left(clampedPosition(string, range.location));
}

QString substringAfterRange(const QString &string, KFRange range)
{
    return string.mid(clampedPosition(string, range.location + range.length));
}

bool isValidURL(const QString &string)
{
    return QUrl(string, QUrl::StrictMode).isValid();
}

QString stringSafeForXML(const QString &string)
{
    QString result = string;
    // The ampersand first, so that the entities' own ampersands stay as they are.
    result.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    result.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    result.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    return result;
}

QStringList splitToSize(const QString &string, quint32 size)
{
    if (size == 0)
        throw std::invalid_argument("splitToSize: the piece size must be at least 1");
    QStringList pieces;
    const qsizetype pieceSize = size;
    const qsizetype wholePieces = string.size() / pieceSize;
    for (qsizetype i = 0; i < wholePieces; ++i)
        pieces.append(string.mid(i * pieceSize, pieceSize));
    pieces.append(string.mid(wholePieces * pieceSize));
    return pieces;
}

QString newlineToCR(const QString &string)
{
    QString result = string;
    result.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return result;
}

std::optional<QList<std::optional<QString>>> findRegularExpression(
    const QString &string, const QString &pattern, bool ignoreCase)
{
    const CompiledExpression expression(pattern.toUtf8(), REG_EXTENDED | (ignoreCase ? REG_ICASE : 0));
    const QByteArray text = string.toUtf8();
    std::vector<regmatch_t> slots(expression.groupCount() + 1);
    if (!expression.match(text, slots))
        return std::nullopt;

    // The offsets are byte offsets into the UTF-8 text.
    QList<std::optional<QString>> entries;
    entries.reserve(static_cast<qsizetype>(slots.size()));
    for (const regmatch_t &slot : slots) {
        if (slot.rm_so < 0)
            entries.append(std::nullopt);
        else
            entries.append(QString::fromUtf8(text.constData() + slot.rm_so, slot.rm_eo - slot.rm_so));
    }
    return entries;
}

KFRange whitespaceRangeForRange(const QString &string, KFRange range)
{
    const qsizetype location = clampedPosition(string, range.location);
    const qsizetype rangeEnd = clampedPosition(string, range.location + range.length);
    qsizetype start = location;
    while (start > 0 && !string.at(start - 1).isSpace())
        --start;
    qsizetype end = rangeEnd;
    while (end < string.size() && !string.at(end).isSpace())
        ++end;
    return { start, end - start };
}

} // namespace KFAdditions
