#pragma once

#include "ProfiledFunctionSummary.h"

#include <memory>
#include <unordered_map>
#include <vector>

class FunctionModel;
class ProfiledFunctionCall;

// The summaries of one walk of the call tree, one per function.
class FunctionSummaryMap
{
public:
    // Adds `call` and every call below it, in pre-order, without recursing
    // as deep as the tree.
    void addFunctionToSummary(const ProfiledFunctionCall &call);

    // Analyses every summary and hands them over in the order their
    // functions were first met.
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> takeAnalysedSummaries();

    // The summaries of everything below `call`, the call itself excluded.
    static std::vector<std::unique_ptr<ProfiledFunctionSummary>> summariesBelow(const ProfiledFunctionCall &call);

private:
    ProfiledFunctionSummary *add(const FunctionModel &function);

    // Indexed by the function's dense id.
    std::vector<ProfiledFunctionSummary *> m_byFunction;
    // Functions whose id is already taken by another function.
    std::unordered_map<const FunctionModel *, ProfiledFunctionSummary *> m_sharingAnId;
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> m_summaries;
};
