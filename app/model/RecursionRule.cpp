#include "RecursionRule.h"

#include <limits>

RecursionRule::RecursionRule(size_t rowCount)
    : m_countedFrom(rowCount, std::numeric_limits<quint32>::max())
{ }
