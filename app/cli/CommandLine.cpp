#include "CommandLine.h"

#include "AnnotateReport.h"
#include "DiffReport.h"
#include "FoldedReport.h"
#include "MemoryBudget.h"
#include "MergedTreeReport.h"
#include "OutputStream.h"
#include "PathMapping.h"
#include "PrintableNames.h"
#include "Profile.h"
#include "ProfileComparison.h"
#include "ProfileFileData.h"
#include "ReportOptions.h"
#include "SummaryReport.h"
#include "TreeReport.h"

#include <QCommandLineParser>

#include <cstring>
#include <exception>
#include <optional>
#include <string_view>
#include <thread>

namespace {

const char usage[]
    = "Usage: velotrace [--new-instance] [FILE...]\n"
      "       velotrace --summary [--event NAME] [--unit s|ms|us|ns|auto] [--top N] [--tsv] FILE\n"
      "       velotrace --tree [--merged] [--event NAME] [--depth N] [--unit s|ms|us|ns|auto] [--tsv] FILE\n"
      "       velotrace --folded [--event NAME] FILE\n"
      "       velotrace --diff [--event NAME] [--unit s|ms|us|ns|auto] [--top N] [--tsv] BEFORE AFTER\n"
      "       velotrace --annotate [--event NAME] [--unit s|ms|us|ns|auto] [--map FROM=TO]... [--tsv] FILE\n"
      "\n"
      "Without options, opens each profile in its own window, in the Velotrace already\n"
      "running on this display if there is one (--new-instance starts another).\n";

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
    { "merged",
        "With --tree: one line per distinct call path, the calls along it merged: their number and their total "
        "self and inclusive cost.",
        nullptr },
    { "folded",
        "Folded stacks for flame-graph tools: each call path from the root, names joined by \";\", and the sum of "
        "the self costs of its calls, sorted by path.",
        nullptr },
    { "diff",
        "Compare two profiles, BEFORE and AFTER: one row per function called below the root of either, with its "
        "calls, total self and inclusive cost in each (times in nanoseconds with --tsv), largest change of "
        "inclusive cost first.",
        nullptr },
    { "annotate",
        "Costs by source line: the self cost of the functions that begin on each line and the inclusive cost and "
        "number of the calls made from it, beside the source text of each file found, costliest file first.",
        nullptr },
    { "map",
        "With --annotate, look for files recorded under the path FROM under TO instead (can be repeated; the "
        "longest FROM that matches wins; before the mappings set in the preferences).",
        "FROM=TO" },
    { "event",
        "The event whose figures are shown and sorted on, e.g. Time or Memory (default: the first the "
        "profile records).",
        "NAME" },
    { "tsv", "Tab-separated output with raw figures in the event's own unit.", nullptr },
    { "unit",
        "Time unit of the aligned output: s, ms, us, ns or auto, each figure in the largest unit that keeps it at or "
        "above 1 (default: the \"measurement\" setting).",
        "U" },
    { "top", "Print only the first N rows of the summary or the comparison.", "N" },
    { "depth", "Print the tree down to depth N (the root is depth 0).", "N" },
    { "help", "Show this text.", nullptr },
    { "version", "Show the version.", nullptr },
};

// Options of the windows: Qt's own, with one dash or two, and ours. One
// that takes a value takes the next argument, unless given after "=".
struct WindowOption
{
    const char *name;
    bool takesValue;
};

constexpr WindowOption windowOptions[] = { { "platform", true }, { "platformpluginpath", true },
    { "platformtheme", true }, { "plugin", true }, { "qwindowgeometry", true }, { "geometry", true },
    { "qwindowicon", true }, { "icon", true }, { "qwindowtitle", true }, { "title", true }, { "session", true },
    { "display", true }, { "name", true }, { "visual", true }, { "style", true }, { "stylesheet", true },
    { "qmljsdebugger", false }, { "dialogs", false }, { "fontengine", false }, { "reverse", false },
    { "widgetcount", false }, { "testability", false }, { "nograb", false }, { "dograb", false }, { "sync", false },
    { "new-instance", false } };

// The window option `argument` is, if it is one.
const WindowOption *windowOptionOf(std::string_view argument)
{
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const std::string_view name = argument.substr(0, argument.find('='));
    for (const WindowOption &option : windowOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

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

std::optional<TimeUnit> timeUnitOf(const QString &unit)
{
    if (unit == QLatin1String("s"))
        return TimeUnit::Seconds;
    if (unit == QLatin1String("ms"))
        return TimeUnit::Milliseconds;
    if (unit == QLatin1String("us") || unit == QStringLiteral("\u00b5s"))
        return TimeUnit::Microseconds;
    if (unit == QLatin1String("ns"))
        return TimeUnit::Nanoseconds;
    if (unit == QLatin1String("auto"))
        return TimeUnit::Automatic;
    return std::nullopt;
}

std::optional<quint64> countOf(const QString &text)
{
    bool ok = false;
    const qulonglong count = text.toULongLong(&ok);
    return ok ? std::optional<quint64>(count) : std::nullopt;
}

enum class Mode { Summary, Tree, Folded, Diff, Annotate, Help, Version };

struct Request
{
    Mode mode = Mode::Help;
    ReportOptions report;
    QString eventName;
    // --tree with the calls along each call path merged.
    bool merged = false;
    // One, or two for a comparison.
    QStringList files;
    QString help;
    // The --map rules, "FROM=TO".
    QStringList mappings;
};

// The request the arguments make; an error message on a usage error.
std::optional<QString> parse(const QStringList &arguments, const CommandLine::Defaults &defaults, Request &request)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionSpec &spec : optionSpecs)
        parser.addOption(optionOf(spec));
    QCommandLineOption newInstance(QStringLiteral("new-instance"));
    newInstance.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(newInstance);
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
    const bool diff = parser.isSet(QStringLiteral("diff"));
    const bool annotate = parser.isSet(QStringLiteral("annotate"));
    if (int(summary) + int(tree) + int(folded) + int(diff) + int(annotate) > 1)
        return QStringLiteral("only one of --summary, --tree, --folded, --diff and --annotate can be given");
    request.merged = parser.isSet(QStringLiteral("merged"));
    if (request.merged && !tree)
        return QStringLiteral("--merged needs --tree");
    if (!summary && !tree && !folded && !diff && !annotate)
        return QStringLiteral(
            "--event, --tsv, --unit, --top, --depth and --map need --summary, --tree, --folded, --diff or --annotate");
    request.mode = summary ? Mode::Summary : tree ? Mode::Tree : folded ? Mode::Folded : Mode::Diff;
    if (annotate)
        request.mode = Mode::Annotate;
    if (parser.isSet(newInstance))
        return QStringLiteral(
            "--new-instance opens windows; it does not go with --summary, --tree, --folded, --diff or "
            "--annotate");
    if (folded) {
        for (const char *name : { "tsv", "unit", "top", "depth" }) {
            if (parser.isSet(QLatin1String(name)))
                return QStringLiteral("--%1 does not go with --folded").arg(QLatin1String(name));
        }
    }
    if (annotate) {
        for (const char *name : { "top", "depth" }) {
            if (parser.isSet(QLatin1String(name)))
                return QStringLiteral("--%1 does not go with --annotate").arg(QLatin1String(name));
        }
    } else if (parser.isSet(QStringLiteral("map"))) {
        return QStringLiteral("--map needs --annotate");
    }
    request.mappings = parser.values(QStringLiteral("map"));
    for (const QString &mapping : std::as_const(request.mappings)) {
        if (!PathMapping::ruleFromText(mapping))
            return QStringLiteral("--map needs FROM=TO, two paths");
    }

    ReportOptions &report = request.report;
    report.tsv = parser.isSet(QStringLiteral("tsv"));
    report.timeUnit = defaults.timeUnit;
    report.displayDash = defaults.displayDash;
    report.showsInternalFunctions = defaults.summaryShowsInternalFunctions;
    if (parser.isSet(QStringLiteral("unit"))) {
        const std::optional<TimeUnit> unit = timeUnitOf(parser.value(QStringLiteral("unit")));
        if (!unit)
            return QStringLiteral("--unit needs one of s, ms, us, ns, auto");
        report.timeUnit = *unit;
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

    request.files = parser.positionalArguments();
    if (diff && request.files.size() != 2)
        return QStringLiteral("--diff needs two profile files, BEFORE and AFTER");
    if (request.files.isEmpty())
        return QStringLiteral("no profile file given");
    if (!diff && request.files.size() > 1)
        return QStringLiteral("only one file can be printed at a time");
    return std::nullopt;
}

QString eventNames(const Profile &profile)
{
    QStringList names;
    for (const ProfileEvent &event : profile.events())
        names << event.name();
    return names.join(QLatin1String(", "));
}

// Text from outside (a file's name, a profile's event names) as the
// output shows it.
QByteArray shown(const QString &text)
{
    return PrintableNames::printable(text);
}

void reportMissingEvent(std::FILE *err, const QString &file, QStringView event, const Profile &profile)
{
    std::fprintf(err, "velotrace: %s records no event \"%s\"; its events: %s\n", shown(file).constData(),
        shown(event.toString()).constData(), shown(eventNames(profile)).constData());
}

void reportUnreadable(std::FILE *err, const QString &file, const QString &reason)
{
    std::fprintf(err, "velotrace: %s: %s\n", shown(file).constData(), qPrintable(reason));
}

// Reads `file` into `profile` under the memory budget the process's reads
// share; the reason it cannot be read, or nothing.
QString read(const QString &file, Profile &profile, std::FILE *err)
{
    ProfileFileData data;
    if (!data.open(file))
        return data.errorString();
    Profile::ReadOptions options;
    options.budget = &MemoryBudget::shared();
    options.waitingForMemory = [&] {
        std::fprintf(err, "velotrace: %s: waiting for memory until the other file is read\n", shown(file).constData());
    };
    profile.setReadOptions(options);
    if (!profile.readFromFile(data))
        return profile.errorString();
    if (data.hasChanged())
        return QStringLiteral("The file changed while it was read");
    return {};
}

} // namespace

bool CommandLine::handles(int argc, char *argv[])
{
    // Any option but the windows' is the command line's: an unknown one is
    // a usage error there.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument.size() < 2 || argument.front() != '-')
            continue;
        const WindowOption *option = windowOptionOf(argument);
        if (!option)
            return true;
        if (option->takesValue && argument.find('=') == std::string_view::npos)
            ++i;
    }
    return false;
}

CommandLine::CommandLine(const Defaults &defaults)
    : m_defaults(defaults)
{ }

CommandLine::~CommandLine() = default;

bool CommandLine::diff(const QStringList &files, const QString &eventName, const ReportOptions &report,
    OutputStream &output, std::FILE *err)
{
    for (std::unique_ptr<Profile> &profile : m_profiles)
        profile = std::make_unique<Profile>();
    // The two files are read at once when the system gives a thread.
    QString reasons[2];
    std::thread second;
    try {
        second = std::thread([&] { reasons[1] = read(files[1], *m_profiles[1], err); });
    } catch (const std::exception &) {
        reasons[1] = read(files[1], *m_profiles[1], err);
    }
    reasons[0] = read(files[0], *m_profiles[0], err);
    if (second.joinable())
        second.join();
    for (int side = 0; side < 2; ++side) {
        if (!reasons[side].isEmpty()) {
            reportUnreadable(err, files[side], reasons[side]);
            return false;
        }
    }

    const Profile &before = *m_profiles[0];
    const Profile &after = *m_profiles[1];
    const std::optional<int> beforeEvent = report.eventGiven ? before.eventNamed(eventName) : std::optional<int>(0);
    if (!beforeEvent) {
        reportMissingEvent(err, files[0], eventName, before);
        return false;
    }
    const std::optional<int> afterEvent
        = report.eventGiven ? after.eventNamed(eventName) : ProfileComparison::matchingEvent(before, 0, after);
    if (!afterEvent) {
        reportMissingEvent(
            err, files[1], report.eventGiven ? QStringView(eventName) : before.events()[0].baseName(), after);
        return false;
    }
    DiffReport(ProfileComparison(before, *beforeEvent, after, *afterEvent), report).print(output);
    return true;
}

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
    case Mode::Folded:
    case Mode::Annotate: {
        const QString &file = request.files.first();
        m_profiles[0] = std::make_unique<Profile>();
        const Profile &profile = *m_profiles[0];
        if (const QString reason = read(file, *m_profiles[0], err); !reason.isEmpty()) {
            reportUnreadable(err, file, reason);
            return 1;
        }
        ReportOptions &report = request.report;
        if (report.eventGiven) {
            const std::optional<int> event = profile.eventNamed(request.eventName);
            if (!event) {
                reportMissingEvent(err, file, request.eventName, profile);
                return 1;
            }
            report.event = *event;
        }
        if (request.mode == Mode::Summary)
            SummaryReport(profile, report).print(output);
        else if (request.mode == Mode::Tree && request.merged)
            MergedTreeReport(profile, report).print(output);
        else if (request.mode == Mode::Tree)
            TreeReport(profile, report).print(output);
        else if (request.mode == Mode::Folded)
            FoldedReport(profile, report).print(output);
        else {
            // The mappings of the command line come before the user's.
            PathMapping mapping(request.mappings);
            mapping.append(PathMapping(m_defaults.pathMappings));
            AnnotateReport(profile, report, mapping).print(output);
        }
        break;
    }
    case Mode::Diff:
        if (!diff(request.files, request.eventName, request.report, output, err))
            return 1;
        break;
    }
    if (!output.finish()) {
        std::fprintf(err, "velotrace: cannot write the output: %s\n", std::strerror(output.error()));
        return 1;
    }
    return 0;
}
