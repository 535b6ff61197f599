#include "TreeLineWriter.h"

#include "CostFormat.h"
#include "OutputStream.h"
#include "ProfileEvent.h"
#include "ReportOptions.h"

#include <algorithm>

TreeLineWriter::TreeLineWriter(OutputStream &out, const ProfileEvent &event, const ReportOptions &options)
    : m_out(out)
    , m_event(event)
    , m_options(options)
{ }

void TreeLineWriter::writeFigures(quint64 selfBits, quint64 inclusiveBits)
{
    writeFigure(selfBits);
    m_out << '\t';
    writeFigure(inclusiveBits);
}

void TreeLineWriter::writeIndented(quint64 depth, std::string_view name, quint64 selfBits, quint64 inclusiveBits)
{
    const auto text = [&](quint64 bits) {
        return CostFormat::costString(m_event, m_event.cost(bits), m_options.timeUnit, m_options.displayDash);
    };
    m_out.pad(qsizetype(std::min(depth, maxIndentation) * 2));
    if (depth > maxIndentation)
        m_out << '[' << depth << "] ";
    m_out << name << "  " << text(inclusiveBits) << " (self " << text(selfBits) << ")";
}

void TreeLineWriter::writeFigure(quint64 bits)
{
    if (m_event.isSigned())
        m_out << qint64(bits);
    else
        m_out << bits;
}
