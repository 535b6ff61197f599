#include "CommandLine.h"

#include "FoldedReport.h"
#include "OutputStream.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "ReportOptions.h"
#include "SummaryReport.h"
#include "TreeReport.h"

#include <QCommandLineParser>

#include <cstring>
#include <optional>

namespace {

const char usage[] = "Usage: velotrace [FILE...]\n"
                     "       velotrace --summary [--event NAME] [--unit s|ms|us] [--top N] [--tsv] FILE\n"
                     "       velotrace --tree [--event NAME] [--depth N] [--unit s|ms|us] [--tsv] FILE\n"
                     "       velotrace --folded [--event NAME] FILE\n"
                     "\n"
                     "Without options, opens each profile in its own window.\n";

// The options, each with its names, help and value name.
struct OptionSpec
{
    const char *name;
    const char *description;
    const char *valueName;
};

constexpr OptionSpec optionSpecs[] = {
    { "summary",
        "One row per function called below the root call: calls, total and average self and inclusive cost, largest "
        "total inclusive cost first.",
        nullptr },
    { "tree", "The whole call tree, one call per line, in pre-order.", nullptr },
    { "folded",
        "Folded stacks for flame-graph tools: each call path from the root, names joined by \";\", and the sum of "
        "the self costs of its calls, sorted by path.",
        nullptr },
    { "event",
        "The event whose figures are shown and sorted on, e.g. Time or Memory (default: the first the "
        "profile records).",
        "NAME" },
    { "tsv", "Tab-separated output with raw figures in the event's own unit.", nullptr },
    { "unit", "Time unit of the aligned output: s, ms or us (default: the \"measurement\" setting).", "U" },
    { "top", "Print only the first N summary rows.", "N" },
    { "depth", "Print the tree down to depth N (the root is depth 0).", "N" },
    { "help", "Show this text.", nullptr },
    { "version", "Show the version.", nullptr },
};

QCommandLineOption optionOf(const OptionSpec &spec)
{
    QStringList names = { QString::fromLatin1(spec.name) };
    if (std::strcmp(spec.name, "help") == 0)
        names.prepend(QStringLiteral("h"));
    if (spec.valueName)
        return QCommandLineOption(names, QString::fromLatin1(spec.description), QString::fromLatin1(spec.valueName));
    return QCommandLineOption(names, QString::fromLatin1(spec.description));
}

QString helpText(const QCommandLineParser &parser)
{
    // The parser lists the options; the usage above them is our own.
    const QString options = parser.helpText();
    return QString::fromLatin1(usage) + QLatin1Char('\n') + options.mid(options.indexOf(QLatin1String("Options:")));
}

std::optional<qint64> measurementOf(const QString &unit)
{
    if (unit == QLatin1String("s"))
        return 0;
    if (unit == QLatin1String("ms"))
        return 1;
    if (unit == QLatin1String("us") || unit == QStringLiteral("\u00b5s"))
        return 2;
    return std::nullopt;
}

std::optional<quint64> countOf(const QString &text)
{
    bool ok = false;
    const qulonglong count = text.toULongLong(&ok);
    return ok ? std::optional<quint64>(count) : std::nullopt;
}

enum class Mode { Summary, Tree, Folded, Help, Version };

struct Request
{
    Mode mode = Mode::Help;
    ReportOptions report;
    QString eventName;
    QString file;
    QString help;
};

// The request the arguments make; an error message on a usage error.
std::optional<QString> parse(const QStringList &arguments, const CommandLine::Defaults &defaults, Request &request)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionSpec &spec : optionSpecs)
        parser.addOption(optionOf(spec));
    if (!parser.parse(QStringList(QStringLiteral("velotrace")) + arguments))
        return parser.errorText();
    if (parser.isSet(QStringLiteral("help"))) {
        request.mode = Mode::Help;
        request.help = helpText(parser);
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        request.mode = Mode::Version;
        return std::nullopt;
    }

    const bool summary = parser.isSet(QStringLiteral("summary"));
    const bool tree = parser.isSet(QStringLiteral("tree"));
    const bool folded = parser.isSet(QStringLiteral("folded"));
    if (int(summary) + int(tree) + int(folded) > 1)
        return QStringLiteral("only one of --summary, --tree and --folded can be given");
    if (!summary && !tree && !folded)
        return QStringLiteral("--event, --tsv, --unit, --top and --depth need --summary, --tree or --folded");
    request.mode = summary ? Mode::Summary : tree ? Mode::Tree : Mode::Folded;
    if (folded) {
        for (const char *name : { "tsv", "unit", "top", "depth" }) {
            if (parser.isSet(QLatin1String(name)))
                return QStringLiteral("--%1 does not go with --folded").arg(QLatin1String(name));
        }
    }

    ReportOptions &report = request.report;
    report.tsv = parser.isSet(QStringLiteral("tsv"));
    report.measurement = defaults.measurement;
    report.displayDash = defaults.displayDash;
    report.showsInternalFunctions = defaults.summaryShowsInternalFunctions;
    if (parser.isSet(QStringLiteral("unit"))) {
        const auto measurement = measurementOf(parser.value(QStringLiteral("unit")));
        if (!measurement)
            return QStringLiteral("--unit needs one of s, ms, us");
        report.measurement = *measurement;
    }
    for (const char *name : { "top", "depth" }) {
        if (!parser.isSet(QLatin1String(name)))
            continue;
        const auto count = countOf(parser.value(QLatin1String(name)));
        if (!count)
            return QStringLiteral("--%1 needs a number").arg(QLatin1String(name));
        (std::strcmp(name, "top") == 0 ? report.top : report.depth) = count;
    }
    request.eventName = parser.value(QStringLiteral("event"));
    report.eventGiven = parser.isSet(QStringLiteral("event"));

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return QStringLiteral("no profile file given");
    if (files.size() > 1)
        return QStringLiteral("only one file can be printed at a time");
    request.file = files.first();
    return std::nullopt;
}

QString eventNames(const Profile &profile)
{
    QStringList names;
    for (const ProfileEvent &event : profile.events())
        names << event.name();
    return names.join(QLatin1String(", "));
}

} // namespace

bool CommandLine::handles(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "-h") == 0)
            return true;
        if (std::strncmp(argument, "--", 2) != 0)
            continue;
        const size_t length = std::strcspn(argument + 2, "=");
        for (const OptionSpec &spec : optionSpecs) {
            if (std::strlen(spec.name) == length && std::strncmp(argument + 2, spec.name, length) == 0)
                return true;
        }
    }
    return false;
}

CommandLine::CommandLine(const Defaults &defaults)
    : m_defaults(defaults)
{ }

CommandLine::~CommandLine() = default;

int CommandLine::run(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    Request request;
    if (const auto error = parse(arguments, m_defaults, request)) {
        std::fprintf(err, "velotrace: %s\n%s", qPrintable(*error), usage);
        return 2;
    }
    OutputStream output(out);
    switch (request.mode) {
    case Mode::Help:
        output << request.help;
        break;
    case Mode::Version:
        output << "velotrace " VELOTRACE_VERSION "\n";
        break;
    case Mode::Summary:
    case Mode::Tree:
    case Mode::Folded: {
        m_profile = std::make_unique<Profile>();
        ProfileFileData file;
        QString reason;
        if (!file.open(request.file))
            reason = file.errorString();
        else if (!m_profile->readFromFile(file))
            reason = m_profile->errorString();
        if (!reason.isEmpty()) {
            std::fprintf(err, "velotrace: %s: %s\n", qPrintable(request.file), qPrintable(reason));
            return 1;
        }
        ReportOptions &report = request.report;
        if (report.eventGiven) {
            const QList<ProfileEvent> &events = m_profile->events();
            report.event = -1;
            for (int event = 0; event < events.size() && report.event < 0; ++event) {
                if (events[event].isNamed(request.eventName))
                    report.event = event;
            }
            if (report.event < 0) {
                std::fprintf(err, "velotrace: %s records no event \"%s\"; its events: %s\n", qPrintable(request.file),
                    qPrintable(request.eventName), qPrintable(eventNames(*m_profile)));
                return 1;
            }
        }
        if (request.mode == Mode::Summary)
            SummaryReport(*m_profile, report).print(output);
        else if (request.mode == Mode::Tree)
            TreeReport(*m_profile, report).print(output);
        else
            FoldedReport(*m_profile, report).print(output);
        break;
    }
    }
    if (!output.finish()) {
        std::fprintf(err, "velotrace: cannot write the output: %s\n", std::strerror(output.error()));
        return 1;
    }
    return 0;
}
