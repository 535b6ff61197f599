#pragma once

#include "CostUnit.h"
#include "Profile.h"

#include <QByteArrayView>

#include <memory>

class ProfiledFunctionCall;

// Builds the call tree of a profile in the cachegrind text format, as PHP
// profilers write it, from its bytes. Used once per load.
class CachegrindParser
{
public:
    // Above this many bytes the reader shows its progress display.
    static constexpr qsizetype progressThreshold = 300000;

    CachegrindParser(QByteArrayView data, Profile &document, Profile::ProgressFactory progress = {});

    // Reads all of the data; never fails, skips what it does not understand.
    bool parse();

    // The root built by parse (none for data without a call); the caller
    // takes ownership.
    std::unique_ptr<ProfiledFunctionCall> takeRootFunction();
    const CostUnit &costUnit() const { return m_costUnit; }

private:
    QByteArrayView m_data;
    Profile &m_document;
    Profile::ProgressFactory m_progress;
    std::unique_ptr<ProfiledFunctionCall> m_rootFunction;
    CostUnit m_costUnit;
};
