#include "FoldedReport.h"

#include "Cost.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "Profile.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The names as the lines show them: printable, with no ";" of their own.
// Functions whose names come out the same share a name id, so that their
// paths make one line; ids are numbered in byte order of the names.
struct FoldedNames
{
    std::vector<std::string> texts;
    std::vector<quint32> idOfFunction;

    explicit FoldedNames(const Profile &profile)
    {
        PrintableNames printable(profile.functionNames());
        std::unordered_map<std::string, quint32> ids;
        std::vector<quint32> firstIds(size_t(profile.functionCount()));
        for (quint32 function = 0; function < firstIds.size(); ++function) {
            std::string text(printable(function));
            std::replace(text.begin(), text.end(), ';', ':');
            const auto [at, added] = ids.try_emplace(std::move(text), quint32(texts.size()));
            if (added)
                texts.push_back(at->first);
            firstIds[function] = at->second;
        }
        std::vector<quint32> order(texts.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) { return texts[a] < texts[b]; });
        std::vector<quint32> rank(order.size());
        std::vector<std::string> sorted(order.size());
        for (quint32 i = 0; i < order.size(); ++i) {
            rank[order[i]] = i;
            sorted[i] = std::move(texts[order[i]]);
        }
        texts = std::move(sorted);
        idOfFunction.resize(firstIds.size());
        for (size_t function = 0; function < firstIds.size(); ++function)
            idOfFunction[function] = rank[firstIds[function]];
    }
};

// Whether the line of path `a` (or, with `aBelow`, the lines below it, which
// go on with ";") sorts before that of path `b`, both ending in one more
// name after the same path. Names hold no ";", so the lines below a path
// sort as one block.
bool sortsBefore(std::string_view a, bool aBelow, std::string_view b, bool bBelow)
{
    const size_t common = std::min(a.size(), b.size());
    if (const int order = std::memcmp(a.data(), b.data(), common); order != 0)
        return order < 0;
    if (a.size() == b.size())
        return !aBelow && bBelow;
    // The shorter line ends there, or goes on with ";"; the other goes on
    // with a byte of its name, which is never ";".
    const auto shorterFirst = [](bool shorterBelow, char longerByte) {
        return !shorterBelow || ';' < static_cast<unsigned char>(longerByte);
    };
    if (a.size() < b.size())
        return shorterFirst(aBelow, b[common]);
    return !shorterFirst(bBelow, a[common]);
}

// The stacks below `root` of `tree`: recorded calls (CallTree) or call
// paths (MergedCallTree), whose calls of the same name merge alike.
template <typename Tree>
void printStacks(OutputStream &out, const Profile &profile, int event, const Tree &tree, quint32 root)
{
    const bool isSigned = tree.isSigned(event);
    const FoldedNames names(profile);
    const auto nameOf = [&](quint32 call) { return names.idOfFunction[tree.function(call)]; };

    // Depth first over the paths, without recursion. A frame holds the calls
    // one level below a path, grouped by name: each group is the calls of
    // one longer path, and gives two entries, in the lines' order: the
    // path's own line and the block of lines below it.
    struct Entry
    {
        quint32 begin;
        quint32 end;
        bool below;
    };
    struct Frame
    {
        std::vector<quint32> calls;
        std::vector<Entry> entries;
        size_t next = 0;
        // The length of the text of the path above these calls.
        size_t pathLength = 0;
    };
    const auto frameOf = [&](std::vector<quint32> &&calls, size_t pathLength) {
        Frame frame { std::move(calls), {}, 0, pathLength };
        std::sort(frame.calls.begin(), frame.calls.end(), [&](quint32 a, quint32 b) { return nameOf(a) < nameOf(b); });
        const quint32 count = quint32(frame.calls.size());
        for (quint32 begin = 0, end = 0; begin < count; begin = end) {
            const quint32 name = nameOf(frame.calls[begin]);
            bool hasCallees = false;
            while (end < count && nameOf(frame.calls[end]) == name)
                hasCallees = tree.childCount(frame.calls[end++]) > 0 || hasCallees;
            frame.entries.push_back({ begin, end, false });
            if (hasCallees)
                frame.entries.push_back({ begin, end, true });
        }
        std::sort(frame.entries.begin(), frame.entries.end(), [&](const Entry &a, const Entry &b) {
            return sortsBefore(
                names.texts[nameOf(frame.calls[a.begin])], a.below, names.texts[nameOf(frame.calls[b.begin])], b.below);
        });
        return frame;
    };

    std::string path;
    std::vector<Frame> frames;
    frames.push_back(frameOf({ root }, 0));
    while (!frames.empty() && !out.hasFailed()) {
        Frame &frame = frames.back();
        if (frame.next == frame.entries.size()) {
            frames.pop_back();
            continue;
        }
        const Entry entry = frame.entries[frame.next++];
        path.resize(frame.pathLength);
        if (frames.size() > 1)
            path += ';';
        path += names.texts[nameOf(frame.calls[entry.begin])];
        if (entry.below) {
            std::vector<quint32> callees;
            for (quint32 i = entry.begin; i < entry.end; ++i) {
                const quint32 call = frame.calls[i];
                for (quint32 child = 0; child < tree.childCount(call); ++child)
                    callees.push_back(tree.child(call, child));
            }
            // `frame` is not used after this: the push may move it.
            frames.push_back(frameOf(std::move(callees), path.size()));
            continue;
        }
        quint64 sum = 0;
        for (quint32 i = entry.begin; i < entry.end; ++i)
            sum = Cost::addBits(sum, tree.selfBits(event, frame.calls[i]), isSigned);
        if (isSigned ? qint64(sum) <= 0 : sum == 0)
            continue;
        const size_t depth = frames.size();
        if (depth <= FoldedReport::maxFrames) {
            out << std::string_view(path);
        } else {
            // The root, what is left out, and the frames at the end, each
            // name beginning with ";" where the frame's path ends.
            const size_t kept = FoldedReport::maxFrames - 2;
            out << std::string_view(path).substr(0, frames[1].pathLength) << ";[" << quint64(depth - 1 - kept)
                << " frames]" << std::string_view(path).substr(frames[depth - kept].pathLength);
        }
        out << ' ';
        if (isSigned)
            out << qint64(sum);
        else
            out << sum;
        out << '\n';
    }
}

} // namespace

FoldedReport::FoldedReport(const Profile &profile, const ReportOptions &options)
    : m_profile(profile)
    , m_options(options)
{ }

void FoldedReport::print(OutputStream &out) const
{
    if (m_profile.isAggregated()) {
        const MergedCallTree &paths = m_profile.estimatedCallTree();
        if (paths.root() != MergedCallTree::none)
            printStacks(out, m_profile, m_options.event, paths, paths.root());
        return;
    }
    const CallTree &tree = m_profile.callTree();
    if (tree.rootNumber() != CallTree::none)
        printStacks(out, m_profile, m_options.event, tree, tree.rootNumber());
}
