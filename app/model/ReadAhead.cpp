#include "ReadAhead.h"

#include "ProfileFileData.h"

#include <algorithm>
#include <cstring>
#include <new>

ReadAhead::ReadAhead(ProfileFileData &file, qsizetype pieceSize, int pieceCount, qint64 memoryLimit)
    : m_file(file)
    , m_pieceSize(std::max<qsizetype>(1, pieceSize))
    , m_memoryLimit(memoryLimit)
    , m_pieces(size_t(pieceCount))
{
    for (int i = 0; i < pieceCount; ++i)
        m_buffers.push_back(std::make_unique<Buffer>());
    m_thread = std::thread(&ReadAhead::run, this);
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAhead::run()
{
    const size_t count = m_buffers.size();
    for (size_t next = 0;; next = (next + 1) % count) {
        {
            // A buffer is free when it is neither ready nor held.
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || m_ready + (m_holding ? 1 : 0) < count; });
            if (m_stopping)
                return;
        }
        Piece piece;
        std::exception_ptr failure;
        try {
            piece = readPiece(*m_buffers[next]);
        } catch (...) {
            failure = std::current_exception();
            piece.size = -1;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_pieces[next] = piece;
            m_failure = failure;
            ++m_ready;
        }
        m_changed.notify_all();
        if (piece.size <= 0)
            return;
    }
}

ReadAhead::Piece ReadAhead::readPiece(Buffer &buffer)
{
    // In a compressed file, positions are known only piece by piece.
    Piece piece { &buffer.lines, 0, m_file.position() - (m_file.isCompressed() ? 0 : qint64(m_cutLine.size())) };
    qsizetype filled = 0;
    const auto grow = [&](qsizetype capacity) {
        if (capacity > m_memoryLimit)
            throw std::bad_alloc();
        auto bytes = std::make_unique_for_overwrite<char[]>(size_t(capacity));
        if (filled > 0)
            std::memcpy(bytes.get(), buffer.bytes.get(), size_t(filled));
        buffer.bytes = std::move(bytes);
        buffer.capacity = capacity;
    };
    // Made once with room for a piece and a line cut before it up to a
    // quarter piece long, so that it is used again as it is.
    if (buffer.capacity < qsizetype(m_cutLine.size()) + m_pieceSize)
        grow(qsizetype(m_cutLine.size()) + m_pieceSize + m_pieceSize / 4);
    std::memcpy(buffer.bytes.get(), m_cutLine.data(), m_cutLine.size());
    filled = qsizetype(m_cutLine.size());
    // Read a piece, then on until a line ends; a long line doubles the
    // buffer as it fills. What was looked at holds no line end but for a
    // "\r" at its end, which a "\n" may follow: only what is new is looked
    // at, so that a line of any length is looked at once.
    for (;;) {
        const qsizetype lookFrom = std::max<qsizetype>(0, filled - 1);
        if (buffer.capacity - filled < std::max<qsizetype>(1, m_pieceSize / 4))
            grow(std::max(2 * buffer.capacity, filled + m_pieceSize));
        const qsizetype read
            = m_file.read(buffer.bytes.get() + filled, std::min(buffer.capacity - filled, m_pieceSize));
        if (read < 0)
            return { nullptr, -1, 0 };
        char *begin = buffer.bytes.get();
        m_profileLines.feed(begin + filled, begin + filled + read);
        if (read == 0) {
            m_profileLines.finish();
            // The end: the last line may have no end of its own.
            m_cutLine.clear();
            if (filled > 0)
                buffer.lines.scan(begin, begin + filled);
            piece.size = filled;
            return piece;
        }
        filled += read;
        if (const char *cut = LineScanner::lastLineEnd(begin + lookFrom, begin + filled)) {
            m_cutLine.assign(cut, size_t(begin + filled - cut));
            buffer.lines.scan(begin, cut);
            piece.size = cut - begin;
            return piece;
        }
    }
}

ReadAhead::Piece ReadAhead::next()
{
    std::unique_lock lock(m_mutex);
    if (m_holding) {
        m_holding = false;
        m_first = (m_first + 1) % m_buffers.size();
        m_changed.notify_all();
    }
    m_changed.wait(lock, [&] { return m_ready > 0; });
    --m_ready;
    m_holding = true;
    const Piece piece = m_pieces[m_first];
    if (piece.size < 0 && m_failure)
        std::rethrow_exception(m_failure);
    return piece;
}
