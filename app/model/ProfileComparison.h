#pragma once

#include "Cost.h"
#include "CostChange.h"
#include "FunctionModel.h"
#include "ProfileEvent.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Profile;

// What moved between two profiles of a program: one row per function called
// below the root of either, matched by its name exactly as the profiles
// write it (an inclusion's name holds the included path), with its call
// count and its total self and inclusive cost of one event in each. The
// figures are the root summary's, so recursion counts once. Times are
// compared in nanoseconds, so that profiles written in different time units
// compare; other events as recorded. Rows come sorted by the size of the
// change of inclusive cost, largest first, then by name in byte order. The
// comparison keeps copies of what it shows: it outlives the profiles.
class ProfileComparison
{
public:
    enum Side { Before = 0, After = 1 };

    // Compares event `beforeEvent` of `before` with event `afterEvent` of
    // `after`, two events of the same kind.
    ProfileComparison(const Profile &before, int beforeEvent, const Profile &after, int afterEvent);

    // The event of `after` that compares with event `beforeEvent` of
    // `before`: the one of the same name, whatever its unit.
    static std::optional<int> matchingEvent(const Profile &before, int beforeEvent, const Profile &after);

    // What the figures are of: time in nanoseconds, or the compared event.
    const ProfileEvent &event() const { return m_event; }
    Cost rootInclusiveCost(Side side) const { return cost(m_rootInclusive[side]); }

    qsizetype size() const { return qsizetype(m_rows.size()); }
    // The name's bytes as the profiles write them.
    std::string_view nameBytes(qsizetype row) const;
    FunctionModel::Kind functionKind(qsizetype row) const { return at(row).kind; }
    // Whether the function was called below the root in that profile.
    bool isCalled(qsizetype row, Side side) const { return at(row).calls[side] > 0; }
    quint64 callCount(qsizetype row, Side side) const { return at(row).calls[side]; }
    Cost selfCost(qsizetype row, Side side) const { return cost(at(row).self[side]); }
    Cost inclusiveCost(qsizetype row, Side side) const { return cost(at(row).inclusive[side]); }
    CostChange selfChange(qsizetype row) const { return { selfCost(row, Before), selfCost(row, After) }; }
    CostChange inclusiveChange(qsizetype row) const
    {
        return { inclusiveCost(row, Before), inclusiveCost(row, After) };
    }

private:
    struct Row
    {
        size_t nameOffset = 0;
        size_t nameSize = 0;
        FunctionModel::Kind kind = FunctionModel::Kind::Function;
        std::array<quint64, 2> calls {};
        // Stored figures, as Cost bits.
        std::array<quint64, 2> self {};
        std::array<quint64, 2> inclusive {};
    };

    const Row &at(qsizetype row) const { return m_rows[size_t(row)]; }
    Cost cost(quint64 bits) const { return Cost::fromBits(bits, m_event.isSigned()); }
    // A stored figure of `profile`'s event in the comparison's terms.
    quint64 compared(quint64 bits, quint64 nanosecondsPerCost) const;
    void sortRows();

    ProfileEvent m_event;
    std::array<quint64, 2> m_rootInclusive {};
    std::vector<Row> m_rows;
    // Every row's name, one after the other.
    std::string m_names;
};
