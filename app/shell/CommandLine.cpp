#include "CommandLine.h"

#include "Formatter.h"
#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"

#include <KFUserDefaultsController.h>

#include <QByteArray>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const char usage[] = "Usage: velotrace [FILE...]\n"
                     "       velotrace --summary [--unit s|ms|us] [--top N] [--tsv] FILE\n"
                     "       velotrace --tree [--depth N] [--unit s|ms|us] [--tsv] FILE\n"
                     "\n"
                     "Without options, opens each profile in its own window.\n"
                     "\n"
                     "  --summary     one row per function called below the root call: calls,\n"
                     "                total and average self and inclusive time, largest total\n"
                     "                inclusive time first\n"
                     "  --tree        the whole call tree, one call per line, in pre-order\n"
                     "  --tsv         tab-separated output with raw costs in the profile's unit\n"
                     "  --unit U      time unit of the aligned output: s, ms or us (default: the\n"
                     "                \"measurement\" setting)\n"
                     "  --top N       print only the first N summary rows\n"
                     "  --depth N     print the tree down to depth N (the root is depth 0)\n"
                     "  --help        show this text\n"
                     "  --version     show the version\n";

struct Options
{
    enum Mode { Summary, Tree, Help, Version } mode = Help;
    bool tsv = false;
    qint64 measurement = -1;
    std::optional<qsizetype> top;
    std::optional<qsizetype> depth;
    QString file;
};

// Output is buffered in large pieces: a tree can have millions of lines.
class Output
{
public:
    explicit Output(std::FILE *stream)
        : m_stream(stream)
    {
        m_buffer.reserve(1 << 16);
    }
    ~Output() { flush(); }

    Output &operator<<(const QByteArray &text) { return append(text.constData(), text.size()); }
    Output &operator<<(const QString &text) { return *this << text.toUtf8(); }
    Output &operator<<(const char *text) { return append(text, qstrlen(text)); }
    Output &operator<<(char c) { return append(&c, 1); }
    Output &operator<<(quint64 number) { return *this << QByteArray::number(number); }

private:
    Output &append(const char *data, qsizetype size)
    {
        m_buffer.append(data, size);
        if (m_buffer.size() >= (1 << 16))
            flush();
        return *this;
    }
    void flush()
    {
        std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), m_stream);
        m_buffer.clear();
    }

    std::FILE *m_stream;
    QByteArray m_buffer;
};

std::optional<qint64> unitFromText(const QString &text)
{
    if (text == QLatin1String("s"))
        return 0;
    if (text == QLatin1String("ms"))
        return 1;
    if (text == QLatin1String("us") || text == QStringLiteral("\u00b5s"))
        return 2;
    return std::nullopt;
}

// Parses the arguments; returns an error message, or nothing on success.
std::optional<QString> parseArguments(const QStringList &arguments, Options &options)
{
    bool modeGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        auto nextValue = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto nextCount = [&]() -> std::optional<qsizetype> {
            const auto value = nextValue();
            bool ok = false;
            const qlonglong count = value ? value->toLongLong(&ok) : -1;
            return ok && count >= 0 ? std::optional<qsizetype>(count) : std::nullopt;
        };
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.mode = Options::Help;
            return std::nullopt;
        }
        if (argument == QLatin1String("--version")) {
            options.mode = Options::Version;
            return std::nullopt;
        }
        if (argument == QLatin1String("--summary") || argument == QLatin1String("--tree")) {
            const auto mode = argument == QLatin1String("--summary") ? Options::Summary : Options::Tree;
            if (modeGiven && options.mode != mode)
                return QStringLiteral("--summary and --tree cannot be combined");
            options.mode = mode;
            modeGiven = true;
        } else if (argument == QLatin1String("--tsv")) {
            options.tsv = true;
        } else if (argument == QLatin1String("--unit")) {
            const auto value = nextValue();
            const auto unit = value ? unitFromText(*value) : std::nullopt;
            if (!unit)
                return QStringLiteral("--unit needs one of s, ms, us");
            options.measurement = *unit;
        } else if (argument == QLatin1String("--top")) {
            if (!(options.top = nextCount()))
                return QStringLiteral("--top needs a number");
        } else if (argument == QLatin1String("--depth")) {
            if (!(options.depth = nextCount()))
                return QStringLiteral("--depth needs a number");
        } else if (argument.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option %1").arg(argument);
        } else if (options.file.isEmpty()) {
            options.file = argument;
        } else {
            return QStringLiteral("only one file can be printed at a time");
        }
    }
    if (!modeGiven)
        return QStringLiteral("--tsv, --unit, --top and --depth need --summary or --tree");
    if (options.file.isEmpty())
        return QStringLiteral("no profile file given");
    return std::nullopt;
}

class Printer
{
public:
    Printer(const Options &options, const Profile &profile, std::FILE *out)
        : m_options(options)
        , m_profile(profile)
        , m_out(out)
    { }

    void printSummary();
    void printTree();

private:
    QString time(quint64 cost) const
    {
        return Formatter::timeCostString(
            m_profile.costUnit().toMicroseconds(cost), m_options.measurement, displayDash());
    }
    static bool displayDash()
    {
        return KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCDisplayDash);
    }

    const Options &m_options;
    const Profile &m_profile;
    Output m_out;
};

QString padded(const QString &text, qsizetype width)
{
    return text.rightJustified(width, QLatin1Char(' '));
}

void Printer::printSummary()
{
    const ProfiledFunctionCall *root = m_profile.rootFunction();
    if (m_options.tsv)
        m_out << "calls\tself_total\tinclusive_total\tself_avg\tinclusive_avg\tfunction\n";
    if (!root)
        return;

    struct Row
    {
        std::unique_ptr<ProfiledFunctionSummary> summary;
        QByteArray name;
    };
    // The rows the summary table shows for the root: internal functions
    // only when the table shows them.
    const bool showInternal
        = KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCSummaryShowsInternalPhpFunctions);
    std::vector<Row> rows;
    for (auto &summary : FunctionSummaryMap::summariesBelow(*root)) {
        if (!showInternal && summary->function().type() == FunctionModel::functionTypePhpInternal)
            continue;
        QByteArray name = summary->function().name().toUtf8();
        rows.push_back({ std::move(summary), std::move(name) });
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        if (a.summary->totalInclusiveTime() != b.summary->totalInclusiveTime())
            return a.summary->totalInclusiveTime() > b.summary->totalInclusiveTime();
        return a.name < b.name;
    });
    const size_t count = std::min(rows.size(), size_t(m_options.top.value_or(qsizetype(rows.size()))));

    if (m_options.tsv) {
        for (size_t i = 0; i < count; ++i) {
            const ProfiledFunctionSummary &s = *rows[i].summary;
            m_out << quint64(s.callCount()) << '\t' << s.totalSelfTime() << '\t' << s.totalInclusiveTime() << '\t'
                  << s.averageSelfTime() << '\t' << s.averageInclusiveTime() << '\t' << rows[i].name << '\n';
        }
        return;
    }

    m_out << root->function().name() << "  inclusive " << time(root->inclusiveTime()) << '\n';
    const QStringList headers = { QStringLiteral("calls"), QStringLiteral("self total"),
        QStringLiteral("inclusive total"), QStringLiteral("self avg"), QStringLiteral("inclusive avg") };
    std::vector<QStringList> cells;
    std::vector<qsizetype> widths;
    for (const QString &header : headers)
        widths.push_back(header.size());
    for (size_t i = 0; i < count; ++i) {
        const ProfiledFunctionSummary &s = *rows[i].summary;
        QStringList line = { QString::number(s.callCount()), time(s.totalSelfTime()), time(s.totalInclusiveTime()),
            time(s.averageSelfTime()), time(s.averageInclusiveTime()) };
        for (qsizetype column = 0; column < line.size(); ++column)
            widths[size_t(column)] = std::max(widths[size_t(column)], line[column].size());
        cells.push_back(std::move(line));
    }
    auto printLine = [&](const QStringList &line, const QString &function) {
        QString text;
        for (qsizetype column = 0; column < line.size(); ++column)
            text += padded(line[column], widths[size_t(column)]) + QLatin1String("  ");
        m_out << text << function << '\n';
    };
    printLine(headers, QStringLiteral("function"));
    for (size_t i = 0; i < count; ++i)
        printLine(cells[i], rows[i].summary->function().name());
}

void Printer::printTree()
{
    if (m_options.tsv)
        m_out << "depth\tindex\tself\tinclusive\tline\tfile\tfunction\n";
    const ProfiledFunctionCall *root = m_profile.rootFunction();
    if (!root)
        return;

    // Pre-order without recursion: children are pushed last-first.
    std::vector<std::pair<const ProfiledFunctionCall *, quint64>> stack = { { root, 0 } };
    const quint64 maxDepth = m_options.depth ? quint64(*m_options.depth) : ~quint64(0);
    while (!stack.empty()) {
        const auto [call, depth] = stack.back();
        stack.pop_back();
        const QString path = call->source() ? call->source()->path() : QString();
        if (m_options.tsv) {
            m_out << depth << '\t' << quint64(call->indexInParent()) << '\t' << call->selfTime() << '\t'
                  << call->inclusiveTime() << '\t' << quint64(call->sourceLine()) << '\t' << path << '\t'
                  << call->function().name() << '\n';
        } else {
            m_out << QByteArray(qsizetype(depth) * 2, ' ') << call->function().name() << "  "
                  << time(call->inclusiveTime()) << " (self " << time(call->selfTime()) << ")  " << path;
            if (call->sourceLine() != 0)
                m_out << ':' << quint64(call->sourceLine());
            m_out << '\n';
        }
        if (depth >= maxDepth)
            continue;
        for (qsizetype i = call->childCount(); i-- > 0;)
            stack.emplace_back(call->getChild(i), depth + 1);
    }
}

} // namespace

bool CommandLine::handles(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--summary" || argument == "--tree" || argument == "--help" || argument == "-h"
            || argument == "--version")
            return true;
    }
    return false;
}

int CommandLine::run(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return run(arguments, stdout, stderr);
}

int CommandLine::run(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    registerSettingsDefaults();
    Options options;
    if (const auto error = parseArguments(arguments, options)) {
        std::fprintf(err, "velotrace: %s\n%s", qPrintable(*error), usage);
        return 2;
    }
    if (options.mode == Options::Help) {
        std::fputs(usage, out);
        return 0;
    }
    if (options.mode == Options::Version) {
        std::fputs("velotrace " VELOTRACE_VERSION "\n", out);
        return 0;
    }
    if (options.measurement < 0)
        options.measurement = KFUserDefaultsController::sharedUserDefaultsController().integerForKey(VTCMeasurement);

    Profile profile;
    {
        ProfileFileData file;
        if (!file.open(options.file)) {
            std::fprintf(err, "velotrace: %s: %s\n", qPrintable(options.file), qPrintable(file.errorString()));
            return 1;
        }
        profile.readFromFile(file);
    }
    Printer printer(options, profile, out);
    if (options.mode == Options::Summary)
        printer.printSummary();
    else
        printer.printTree();
    return 0;
}
