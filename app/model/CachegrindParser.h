#pragma once

#include "CompressedNameTable.h"
#include "CostUnit.h"
#include "InternCache.h"
#include "Profile.h"

#include <QByteArrayView>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class FunctionModel;
class ProfiledFunctionCall;
class SourceFileModel;

// Builds the call tree of a profile in the cachegrind text format, as PHP
// profilers write it, from its bytes. Used once per load.
class CachegrindParser
{
public:
    // Above this many bytes the reader shows its progress display.
    static constexpr qsizetype progressThreshold = 300000;
    // Told now and then how many bytes from the start have been read and
    // will not be looked at again.
    using ConsumedHandler = std::function<void(qsizetype consumedBytes)>;

    CachegrindParser(QByteArrayView data, Profile &document, Profile::ProgressFactory progress = {});
    ~CachegrindParser();

    void setConsumedHandler(ConsumedHandler handler) { m_consumed = std::move(handler); }

    // Reads all of the data; never fails, skips what it does not understand.
    bool parse();

    // The root built by parse (none for data without a call); the caller
    // takes ownership.
    std::unique_ptr<ProfiledFunctionCall> takeRootFunction();
    const CostUnit &costUnit() const { return m_costUnit; }

private:
    enum class State { Prologue, Header, Body };

    void handleLine(std::string_view line, qsizetype lineStart);
    void handleBodyLine(std::string_view line, qsizetype lineStart);
    void handleCostLine(std::string_view line);
    void claimCallees();
    void assembleRoot();
    FunctionModel &function(std::string_view name);
    SourceFileModel &source(std::string_view path);

    QByteArrayView m_data;
    Profile &m_document;
    Profile::ProgressFactory m_progress;
    ConsumedHandler m_consumed;
    std::unique_ptr<ProfiledFunctionCall> m_rootFunction;
    CostUnit m_costUnit;

    // Working state of the one parse run.
    State m_state = State::Prologue;
    std::vector<std::unique_ptr<ProfiledFunctionCall>> m_unclaimedCalls;
    quint64 m_announcedCallees = 0;
    const SourceFileModel *m_currentSource = nullptr;
    std::unique_ptr<ProgressController> m_progressWindow;
    CompressedNameTable m_functionIds;
    CompressedNameTable m_fileIds;
    InternCache<FunctionModel> m_functions;
    InternCache<SourceFileModel> m_sources;
    // Records often name the same file as the record before.
    std::string m_lastSourcePath;
};
