#pragma once

#include "LineScanner.h"

#include <QtGlobal>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ProfileFileData;

// Reads a profile file on a second thread into a few buffers that the
// reader takes in turn, split into lines, so that reading, inflating and
// splitting overlap parsing. The buffers are made once and used again and
// again.
class ReadAhead
{
public:
    struct Piece
    {
        // The piece's lines.
        LineScanner *lines = nullptr;
        // 0 at the end of the text, -1 when the file cannot be read on.
        qsizetype size = 0;
        // The file's position before the piece was read, for progress.
        qint64 position = 0;
    };

    // Pieces are at most LineScanner::partSize bytes.
    ReadAhead(ProfileFileData &file, qsizetype pieceSize, int pieceCount);
    // Stops reading and waits for the thread.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The next piece, valid until the next call, which hands its buffer back
    // for reading into. Throws what reading threw (std::bad_alloc).
    Piece next();

private:
    void run();

    ProfileFileData &m_file;
    const qsizetype m_pieceSize;
    std::vector<std::unique_ptr<char[]>> m_buffers;
    std::vector<std::unique_ptr<LineScanner>> m_lines;
    std::vector<Piece> m_pieces;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Pieces read and not yet taken start at m_first; the one taken last
    // is kept from reuse until the next is taken.
    size_t m_first = 0;
    size_t m_ready = 0;
    bool m_holding = false;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};
