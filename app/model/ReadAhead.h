#pragma once

#include "LineScanner.h"
#include "ProfileLineCheck.h"

#include <QtGlobal>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ProfileFileData;

// Reads a profile file on a second thread into a few buffers that the
// reader takes in turn, each cut after its last line end and taken apart by
// a LineScanner, so that reading, inflating and scanning overlap parsing.
// The start of a line cut off is put in front of the next piece; a line of
// any length grows its buffer. The buffers are made once and used again and
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
        // Where the piece begins in the file, for progress.
        qint64 position = 0;
    };

    // A buffer grown past `memoryLimit` bytes fails as memory running short.
    // Throws std::system_error when the system gives no thread.
    ReadAhead(ProfileFileData &file, qsizetype pieceSize, int pieceCount, qint64 memoryLimit);
    // Stops reading and waits for the thread.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The next piece, valid until the next call, which hands its buffer back
    // for reading into. Throws what reading threw (std::bad_alloc,
    // std::length_error, ProfileLineCheck::NotAProfile for text that is no
    // profile).
    Piece next();

private:
    struct Buffer
    {
        std::unique_ptr<char[]> bytes;
        qsizetype capacity = 0;
        LineScanner lines;
    };

    void run();
    Piece readPiece(Buffer &buffer);

    ProfileFileData &m_file;
    const qsizetype m_pieceSize;
    const qint64 m_memoryLimit;
    std::vector<std::unique_ptr<Buffer>> m_buffers;
    // The start of a line the last piece was cut before.
    std::string m_cutLine;
    // Text that is no profile is refused before much of it is read.
    ProfileLineCheck m_profileLines;
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
