// Feeds the reader any bytes: as text in memory, and as a file read piece by
// piece on a second thread (plain or gzip), then prints what the command
// line would print of it. The two reads of plain text must agree; the
// sanitizers watch everything else.

#include "FoldedReport.h"
#include "OutputStream.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "ReportOptions.h"
#include "SummaryReport.h"
#include "TreeReport.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the command line prints, to nowhere.
void print(const Profile &profile)
{
    static std::FILE *const nowhere = std::fopen("/dev/null", "w");
    OutputStream out(nowhere);
    ReportOptions aligned;
    SummaryReport(profile, aligned).print(out);
    ReportOptions tsv;
    tsv.tsv = true;
    TreeReport(profile, tsv).print(out);
    FoldedReport(profile, aligned).print(out);
    out.finish();
}

// Reads `bytes` from a file in memory, in pieces of `pieceSize`.
bool readAsFile(const uint8_t *bytes, size_t size, qsizetype pieceSize, Profile &profile)
{
    const int fd = memfd_create("profile", MFD_CLOEXEC);
    if (fd < 0 || write(fd, bytes, size) != ssize_t(size))
        __builtin_trap();
    ProfileFileData file;
    const bool read = file.open("/proc/self/fd/" + QByteArray::number(fd)) && [&] {
        Profile::ReadOptions options;
        options.pieceSize = pieceSize;
        profile.setReadOptions(options);
        return profile.readFromFile(file);
    }();
    close(fd);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    Profile whole;
    const bool read = whole.readFromData(QByteArrayView(bytes, qsizetype(size)));
    // Pieces of a few bytes run lines across pieces everywhere.
    Profile inPieces;
    const bool readInPieces = readAsFile(bytes, size, qsizetype(1 + size % 61), inPieces);
    const bool compressed = size >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
    if (!compressed
        && (read != readInPieces || whole.errorString() != inPieces.errorString()
            || whole.callTree().size() != inPieces.callTree().size()))
        __builtin_trap();
    if (read)
        print(whole);
    if (compressed && readInPieces)
        print(inPieces);
    return 0;
}
