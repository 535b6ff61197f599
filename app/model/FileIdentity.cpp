#include "FileIdentity.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <cstdlib>
#include <memory>

namespace {

// `path`, absolute, with "." and ".." steps and empty steps taken out.
QByteArray cleanAbsolute(const QByteArray &path)
{
    const QByteArray absolute = path.startsWith('/') ? path : QFile::encodeName(QDir::currentPath()) + '/' + path;
    QByteArrayList steps;
    for (const QByteArray &step : absolute.split('/')) {
        if (step.isEmpty() || step == ".")
            continue;
        if (step == "..") {
            if (!steps.isEmpty())
                steps.removeLast();
            continue;
        }
        steps.append(step);
    }
    return '/' + steps.join('/');
}

} // namespace

FileIdentity::FileIdentity(const QByteArray &nativePath)
{
    if (nativePath.isEmpty())
        return;
    m_path = cleanAbsolute(nativePath);
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(m_path.constData(), nullptr), &std::free);
    if (resolved && m_path != resolved.get())
        m_canonicalPath = resolved.get();
}

FileIdentity FileIdentity::fromPath(const QString &path)
{
    return FileIdentity(QFile::encodeName(path));
}

FileIdentity FileIdentity::fromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    // Taken from the encoded form: decoding it as text would lose the
    // bytes of a name that is not.
    return FileIdentity(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString FileIdentity::path() const
{
    return QFile::decodeName(m_path);
}

QString FileIdentity::fileName() const
{
    return QFile::decodeName(m_path.mid(m_path.lastIndexOf('/') + 1));
}

bool FileIdentity::isTextExact() const
{
    return QFile::encodeName(path()) == m_path;
}

bool FileIdentity::isSameFile(const FileIdentity &other) const
{
    if (isNull() || other.isNull())
        return false;
    const QByteArray &mine = m_canonicalPath.isEmpty() ? m_path : m_canonicalPath;
    const QByteArray &theirs = other.m_canonicalPath.isEmpty() ? other.m_path : other.m_canonicalPath;
    return m_path == other.m_path || mine == theirs;
}

bool FileIdentity::isAmong(const QSet<QByteArray> &paths) const
{
    return paths.contains(m_path) || (!m_canonicalPath.isEmpty() && paths.contains(m_canonicalPath));
}

void FileIdentity::addSpellingsTo(QSet<QByteArray> &paths) const
{
    paths.insert(m_path);
    if (!m_canonicalPath.isEmpty())
        paths.insert(m_canonicalPath);
}
