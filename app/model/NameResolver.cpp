#include "NameResolver.h"

#include "Profile.h"

#include <limits>
#include <new>

NameResolver::NameResolver(Profile &profile, qint64 memoryLimit)
    : m_profile(profile)
    , m_functionNames(profile.m_functionNames)
    , m_sourceNames(profile.m_sourceNames)
    , m_memoryLimit(memoryLimit)
{ }

void NameResolver::checkMemory() const
{
    if (m_memoryLimit != std::numeric_limits<qint64>::max()
        && m_functionNames.memoryUse() + m_sourceNames.memoryUse() > m_memoryLimit)
        throw std::bad_alloc();
}

quint32 NameResolver::intern(bool function, std::string_view name, quint64 hash)
{
    return function ? m_profile.internFunction(name, hash) : m_profile.internSource(name, hash);
}

void NameResolver::define(bool function, std::string_view text)
{
    if (function)
        m_functionNumbers.define(text, internFunction({}, 0));
    else
        m_sourceNumbers.define(text, internSource({}, 0));
}

quint32 NameResolver::compressedFunction(std::string_view text)
{
    return m_functionNumbers.resolveCompressed(text, internFunction({}, 0));
}

const FunctionModel *NameResolver::function(std::string_view text, quint64 hash)
{
    const FunctionModel *function = &m_profile.function(m_functionNumbers.resolve(text, internFunction(text, hash)));
    checkMemory();
    return function;
}

quint32 NameResolver::source(std::string_view text, quint64 hash)
{
    // Only literal names always mean the same file.
    if (text.empty() || text.front() == '(' || text != m_lastSourceName) {
        m_lastSource = m_sourceNumbers.resolve(text, internSource(text, hash));
        m_lastSourceName.assign(text);
        checkMemory();
    }
    return m_lastSource;
}
