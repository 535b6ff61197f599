#pragma once

#include "KestruneFoundationExport.h"

#include <QList>
#include <QString>
#include <QStringConverter>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

// General-purpose operations on strings. Every length, index and range
// counts UTF-16 code units, as QString does.
namespace KFAdditions {

// A run of code units: where it starts and how many it holds.
struct KESTRUNEFOUNDATION_EXPORT KFRange
{
    qsizetype location = 0;
    qsizetype length = 0;
    bool operator==(const KFRange &) const = default;
};

// A set of characters, tested one code unit at a time.
using KFCharacterSet = std::function<bool(QChar)>;
KESTRUNEFOUNDATION_EXPORT KFCharacterSet whitespaceAndNewlineCharacters();
KESTRUNEFOUNDATION_EXPORT KFCharacterSet characterSetWithCharactersInString(const QString &characters);

// A length-prefixed byte string: the first byte holds the number of bytes
// that follow (0 to 255).
using KFPascalString = std::array<unsigned char, 256>;

// Decodes a Pascal string; none if its bytes are not valid in the encoding.
KESTRUNEFOUNDATION_EXPORT std::optional<QString> stringWithPascalString(
    const KFPascalString &pascal, QStringConverter::Encoding encoding);
// Writes the string into the buffer as a Pascal string and returns the bytes
// written (length + 1), or 0 if it cannot be encoded or does not fit.
KESTRUNEFOUNDATION_EXPORT qint32 convertToPascalStringInBuffer(
    const QString &string, std::span<unsigned char> buffer, QStringConverter::Encoding encoding);

// Non-overlapping occurrences; an empty substring occurs 0 times.
KESTRUNEFOUNDATION_EXPORT qint32 occurencesOfSubstring(
    const QString &string, const QString &substring, Qt::CaseSensitivity cs = Qt::CaseInsensitive);

// The runs of characters outside the separator set, in order; never empty.
KESTRUNEFOUNDATION_EXPORT QStringList tokensSeparatedByCharactersFromSet(
    const QString &string, const KFCharacterSet &separators);
// Tokens of letters, digits, "_" and ":".
KESTRUNEFOUNDATION_EXPORT QStringList objCTokens(const QString &string);
// Tokens of letters and "-".
KESTRUNEFOUNDATION_EXPORT QStringList words(const QString &string);

KESTRUNEFOUNDATION_EXPORT bool containsCharacterFromSet(const QString &string, const KFCharacterSet &set);
// Every character of the set replaced by the whole substitute; the string
// itself (sharing its data) if it holds none.
KESTRUNEFOUNDATION_EXPORT QString stringWithSubstitute(
    const QString &string, const QString &substitute, const KFCharacterSet &set);

// The lines between line feeds, shortest first (see compareLength).
KESTRUNEFOUNDATION_EXPORT QStringList linesSortedByLength(const QString &string);
// -1 if string is shorter than other, 1 if longer; equal lengths are ordered
// by ordinary case-sensitive comparison.
KESTRUNEFOUNDATION_EXPORT int compareLength(const QString &string, const QString &other);

// An empty substring is never contained.
KESTRUNEFOUNDATION_EXPORT bool containsString(
    const QString &string, const QString &substring, bool ignoringCase = false);

// Drops tabs, line breaks and the whitespace that starts the text or follows
// a tab or line break.
KESTRUNEFOUNDATION_EXPORT QString removeTabsAndReturns(const QString &string);
// The path itself if nothing exists there, otherwise the first free
// "<path without extension> <n>.<extension>" for n = 1, 2, ...
KESTRUNEFOUNDATION_EXPORT QString safeFilePath(const QString &path);

KESTRUNEFOUNDATION_EXPORT QString substringBeforeRange(const QString &string, KFRange range);
KESTRUNEFOUNDATION_EXPORT QString substringAfterRange(const QString &string, KFRange range);

KESTRUNEFOUNDATION_EXPORT bool isValidURL(const QString &string);
// Escapes &, <, >, " and ' as XML entities.
KESTRUNEFOUNDATION_EXPORT QString stringSafeForXML(const QString &string);
// Pieces of the given size, then the rest (always, even when empty).
// Throws std::invalid_argument for size 0.
KESTRUNEFOUNDATION_EXPORT QStringList splitToSize(const QString &string, quint32 size);
// Every line feed replaced by a carriage return.
KESTRUNEFOUNDATION_EXPORT QString newlineToCR(const QString &string);

// Matches a POSIX extended regular expression. None if it does not match;
// otherwise the whole match followed by every group, a group that took no
// part being none. Throws std::invalid_argument ("regcomp: <reason>" or
// "regexec: <reason>") when the pattern is invalid or matching fails.
KESTRUNEFOUNDATION_EXPORT std::optional<QList<std::optional<QString>>> findRegularExpression(
    const QString &string, const QString &pattern, bool ignoreCase);

// The range widened to the surrounding run of non-whitespace characters.
KESTRUNEFOUNDATION_EXPORT KFRange whitespaceRangeForRange(const QString &string, KFRange range);

} // namespace KFAdditions
