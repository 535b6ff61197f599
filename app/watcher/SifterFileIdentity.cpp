#include "SifterFileIdentity.h"

#include <cstdlib>
#include <memory>

SifterFileIdentity::SifterFileIdentity(const QByteArray &nativePath)
    : m_path(nativePath)
{
    // Reads links and directories only: never opens the file, which may be
    // a pipe.
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(nativePath.constData(), nullptr), &std::free);
    if (resolved && nativePath != resolved.get())
        m_canonicalPath = resolved.get();
}

bool SifterFileIdentity::isAmong(const QSet<QByteArray> &paths) const
{
    return paths.contains(m_path) || (!m_canonicalPath.isEmpty() && paths.contains(m_canonicalPath));
}
