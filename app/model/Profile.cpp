#include "Profile.h"

#include "CachegrindParser.h"
#include "FunctionModel.h"
#include "ProfileFileData.h"
#include "SourceFileModel.h"

#include <limits>

namespace {

QString decoded(std::string_view bytes)
{
    // Invalid UTF-8 shows as U+FFFD; the key keeps the exact bytes.
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

Profile::Profile() = default;

Profile::~Profile()
{
    // The tree refers to the identities, so it goes first.
    m_rootFunction.reset();
}

void Profile::readFromData(QByteArrayView data, const ProgressFactory &progress)
{
    read(data, progress, nullptr);
}

void Profile::readFromFile(ProfileFileData &file, const ProgressFactory &progress)
{
    read(file.data(), progress, &file);
}

void Profile::read(QByteArrayView data, const ProgressFactory &progress, ProfileFileData *file)
{
    m_state = Reading;
    m_rootFunction.reset();
    CachegrindParser parser(data, *this, progress);
    if (file)
        parser.setConsumedHandler([file](qsizetype bytes) { file->releaseConsumed(bytes); });
    parser.parse();
    m_rootFunction = parser.takeRootFunction();
    m_costUnit = parser.costUnit();
    if (m_rootFunction)
        m_rootFunction->analyse();
    m_state = Read;
}

FunctionModel &Profile::objectInFunctionsForKey(std::string_view name)
{
    const auto found = m_functions.find(name);
    if (found != m_functions.end())
        return *found->second;
    Q_ASSERT(m_functions.size() < std::numeric_limits<quint32>::max());
    auto function = std::make_unique<FunctionModel>(decoded(name), quint32(m_functions.size()));
    FunctionModel &result = *function;
    m_functions.emplace(std::string(name), std::move(function));
    return result;
}

SourceFileModel &Profile::objectInSourcesForKey(std::string_view path)
{
    const auto found = m_sources.find(path);
    if (found != m_sources.end())
        return *found->second;
    auto source = std::make_unique<SourceFileModel>(decoded(path));
    SourceFileModel &result = *source;
    m_sources.emplace(std::string(path), std::move(source));
    return result;
}
