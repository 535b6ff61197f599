#include "ReadAhead.h"

#include "ProfileFileData.h"

ReadAhead::ReadAhead(ProfileFileData &file, qsizetype pieceSize, int pieceCount)
    : m_file(file)
    , m_pieceSize(pieceSize)
    , m_pieces(size_t(pieceCount))
{
    for (int i = 0; i < pieceCount; ++i) {
        m_buffers.push_back(std::make_unique_for_overwrite<char[]>(size_t(pieceSize)));
        m_lines.push_back(std::make_unique<LineScanner>());
    }
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
        Piece piece { m_lines[next].get(), 0, m_file.position() };
        std::exception_ptr failure;
        try {
            char *buffer = m_buffers[next].get();
            piece.size = m_file.read(buffer, m_pieceSize);
            if (piece.size > 0)
                piece.lines->reset(buffer, buffer + piece.size);
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
