#include "AnnotateReport.h"

#include "CostFormat.h"
#include "NameTable.h"
#include "OutputStream.h"
#include "PathMapping.h"
#include "PrintableNames.h"
#include "Profile.h"
#include "SourceText.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

// A stored figure as a number that sorts as the figures do.
quint64 sortKey(quint64 bits, bool isSigned)
{
    return isSigned ? bits ^ (quint64(1) << 63) : bits;
}

// Text from a source file or a path as the output shows it: UTF-8, with
// control characters but the tab written as \xNN, so that no file can steer
// the terminal.
QString printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if ((code < 0x20 && code != u'\t') || (code >= 0x7f && code <= 0x9f))
            shown += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

} // namespace

AnnotateReport::AnnotateReport(const Profile &profile, const ReportOptions &options, const PathMapping &mapping)
    : m_profile(profile)
    , m_options(options)
    , m_mapping(mapping)
{ }

void AnnotateReport::print(OutputStream &out) const
{
    const LineCosts costs(m_profile, m_options.event);
    if (m_options.tsv)
        printTable(out, costs);
    else
        printSources(out, costs);
}

void AnnotateReport::printTable(OutputStream &out, const LineCosts &costs) const
{
    out << "file\tline\tself\tinclusive\tcalls\n";
    const NameTable &paths = m_profile.sourceNames();
    std::vector<quint32> sources = costs.sources();
    std::sort(sources.begin(), sources.end(),
        [&](quint32 left, quint32 right) { return paths.bytes(left) < paths.bytes(right); });
    const bool isSigned = m_profile.events()[m_options.event].isSigned();
    const auto printFigure = [&](quint64 bits) {
        if (isSigned)
            out << qint64(bits);
        else
            out << bits;
    };
    PrintableNames names(paths);
    for (const quint32 source : sources) {
        for (const LineCosts::Line &line : costs.lines(source)) {
            out << names(source) << '\t' << quint64(line.line) << '\t';
            printFigure(line.selfBits);
            out << '\t';
            printFigure(line.inclusiveBits);
            out << '\t' << quint64(line.calls) << '\n';
        }
        if (out.hasFailed())
            return;
    }
}

void AnnotateReport::printSources(OutputStream &out, const LineCosts &costs) const
{
    // Costliest first, then by path.
    const bool isSigned = m_profile.events()[m_options.event].isSigned();
    const NameTable &paths = m_profile.sourceNames();
    std::vector<std::pair<quint64, quint32>> files;
    for (const quint32 source : costs.sources()) {
        if (m_profile.source(source).path() != QLatin1String("php:internal"))
            files.emplace_back(sortKey(costs.selfBits(source), isSigned), source);
    }
    std::sort(files.begin(), files.end(), [&](const auto &left, const auto &right) {
        return left.first != right.first ? left.first > right.first
                                         : paths.bytes(left.second) < paths.bytes(right.second);
    });

    QStringList unread;
    SourceText text;
    for (const auto &[cost, source] : files) {
        const QString &recorded = m_profile.source(source).path();
        const QString local = m_mapping.localPath(recorded);
        const QString shownPath
            = printable(local) + (local == recorded ? QString() : " (recorded as " + printable(recorded) + ')');
        if (!text.read(local)) {
            unread << shownPath + ": " + text.errorString();
            continue;
        }
        out << shownPath << '\n';
        printSource(out, costs.lines(source), text);
        out << '\n';
        if (out.hasFailed())
            return;
    }
    if (unread.isEmpty())
        return;
    out << "Not read:\n";
    for (const QString &file : std::as_const(unread))
        out << "  " << file << '\n';
}

void AnnotateReport::printSource(
    OutputStream &out, std::span<const LineCosts::Line> lines, const SourceText &text) const
{
    const ProfileEvent &event = m_profile.events()[m_options.event];
    const auto costText = [&](quint64 bits) {
        return CostFormat::costString(event, event.cost(bits), m_options.timeUnit, m_options.displayDash);
    };
    // The cells of each line with costs: blank for no self cost or no calls.
    std::vector<std::array<QString, 3>> cells;
    qsizetype widths[4] = { 4, 9, 5, 4 };
    for (const LineCosts::Line &line : lines) {
        const bool called = line.calls != 0;
        cells.push_back({ line.selfBits != 0 ? costText(line.selfBits) : QString(),
            called ? costText(line.inclusiveBits) : QString(), called ? QString::number(line.calls) : QString() });
        for (size_t column = 0; column < 3; ++column)
            widths[column] = qMax(widths[column], cells.back()[column].size());
    }
    const quint64 lastLine = qMax<quint64>(lines.back().line, quint64(text.lineCount()));
    widths[3] = qMax(widths[3], qsizetype(QString::number(lastLine).size()));
    const auto printRow = [&](const std::array<QString, 3> &row, const QString &number, const QString &source) {
        for (size_t column = 0; column < 3; ++column)
            out.pad(widths[column] - row[column].size()) << row[column] << "  ";
        out.pad(widths[3] - number.size()) << number;
        if (!source.isEmpty())
            out << "  " << source;
        out << '\n';
    };
    printRow({ QStringLiteral("self"), QStringLiteral("inclusive"), QStringLiteral("calls") }, QStringLiteral("line"),
        QString());

    // Each line with costs with the lines around it, runs that meet made
    // one; lines the file does not have (0, or past its end) with no text.
    const quint64 lineCount = quint64(text.lineCount());
    size_t next = 0;
    while (next < lines.size()) {
        const quint64 first = lines[next].line;
        const quint64 from = first > contextLines ? first - contextLines : qMin<quint64>(first, 1);
        quint64 to = first + contextLines;
        size_t last = next;
        while (last + 1 < lines.size() && quint64(lines[last + 1].line) <= to + contextLines + 1)
            to = lines[++last].line + contextLines;
        if (next > 0)
            printRow({}, QStringLiteral("..."), QString());
        for (quint64 number = from; number <= to; ++number) {
            const bool hasCosts = next <= last && lines[next].line == number;
            if (!hasCosts && (number == 0 || number > lineCount))
                continue;
            const QString source = printable(QString::fromUtf8(text.line(qsizetype(number))));
            printRow(hasCosts ? cells[next++] : std::array<QString, 3>(), QString::number(number), source);
        }
    }
}
