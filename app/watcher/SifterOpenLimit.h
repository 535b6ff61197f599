#pragma once

#include "FileIdentity.h"

#include <QByteArray>
#include <QSet>

#include <vector>

// The open-file limit of the watcher's settings ("sifterMaxLimitOpen",
// "sifterMaxFiles", "sifterMoxAction"), over the documents the watcher opens
// of its own accord: those still open, oldest first, and those still being
// read count alike, so that the limit holds however many files arrive
// together. Files opened by hand do not count.
class SifterOpenLimit final
{
public:
    // The choices of "sifterMoxAction".
    enum Action { StopOpening = 0, CloseOldest = 1 };

    // What to do with files that are complete together, oldest first: the
    // `open` files from `first` on open now, the `wait` files before them
    // wait for room, any others are passed over.
    struct Choice
    {
        qsizetype first = 0;
        qsizetype open = 0;
        qsizetype wait = 0;
        // Documents to close first, to make room.
        std::vector<FileIdentity> close;
    };

    // Whether the settings limit the watcher at all, and to how many.
    static bool isOn();
    static qint64 maxOpenFiles();
    static Action action();

    // With "then stop opening files": as many as allowed are open or being
    // read; no more open.
    bool isReached() const;
    // Which of `count` complete files open, which wait and which documents
    // close: with "stop", the oldest that fit; with "close the oldest", the
    // newest up to the limit, the watcher's oldest documents closing before
    // them; documents still being read cannot close, so files beyond them
    // wait. Files neither opened nor waiting are passed over. Closing is
    // the caller's, and counts as done.
    Choice choose(qsizetype count);

    // The watcher starts opening `file` of its own accord.
    void opening(const FileIdentity &file);
    // An open has ended; true when it was one the watcher started.
    bool finished(const FileIdentity &file, bool opened);
    // Documents closed by other means no longer count; true when the count
    // changed.
    bool documentsChanged(const QSet<QByteArray> &openPaths);

private:
    // Oldest first.
    std::vector<FileIdentity> m_open;
    std::vector<FileIdentity> m_opening;
};
