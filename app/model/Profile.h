#pragma once

#include "CostUnit.h"
#include "ProfiledFunctionCall.h"

#include <QByteArrayView>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class FunctionModel;
class ProfileFileData;
class ProgressController;
class SourceFileModel;

// The model of one open profile: its interned functions and source paths,
// its call tree and its cost unit. The document owns one; the command line
// uses one on its own.
class Profile
{
public:
    using ProgressFactory = std::function<std::unique_ptr<ProgressController>()>;

    enum State { Created = 0, Read = 1, Reading = 2 };

    Profile();
    ~Profile();

    // Reads the profile's bytes into the call tree and analyses it. Reading
    // never fails: whatever the reader understood is kept. `progress` makes
    // the progress display for large data, if given.
    void readFromData(QByteArrayView data, const ProgressFactory &progress = {});
    // The same for an opened file, giving the memory of what has been read
    // back as reading goes on: the file's data is used up afterwards.
    void readFromFile(ProfileFileData &file, const ProgressFactory &progress = {});

    // The one identity per exact byte string of a name or path, created on
    // first request; alive as long as the profile.
    FunctionModel &objectInFunctionsForKey(std::string_view name);
    SourceFileModel &objectInSourcesForKey(std::string_view path);
    qsizetype functionCount() const { return qsizetype(m_functions.size()); }

    ProfiledFunctionCall *rootFunction() const { return m_rootFunction.get(); }
    const CostUnit &costUnit() const { return m_costUnit; }
    State state() const { return m_state; }

private:
    void read(QByteArrayView data, const ProgressFactory &progress, ProfileFileData *file);

    struct KeyHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    template <typename T> using Table = std::unordered_map<std::string, std::unique_ptr<T>, KeyHash, std::equal_to<>>;

    Table<FunctionModel> m_functions;
    Table<SourceFileModel> m_sources;
    // Declared after the tables so that the tree goes before the identities
    // it refers to.
    std::unique_ptr<ProfiledFunctionCall> m_rootFunction;
    CostUnit m_costUnit;
    State m_state = Created;
};
