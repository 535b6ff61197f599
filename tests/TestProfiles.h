#pragma once

#include "Profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

// Writes `contents` to `path`, making its folder: the path, or empty on failure.
inline QString writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path : QString();
}

inline QByteArray profileHeader(bool withMemory = false)
{
    return QByteArray("version: 1\ncreator: test\ncmd: /x.php\npart: 1\n\nevents: Time")
        + (withMemory ? " Memory\n\n" : "\n\n");
}

// A profile read from `text` as it is made.
struct ReadProfile : Profile
{
    explicit ReadProfile(QByteArrayView text) { readFromData(text); }
};

// main -> render -> php::strlen, with self times 13, 5 and 2 microseconds:
// strlen's record, render's, then main's claiming render.
inline const QByteArray workedExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\ncfn=render\ncalls=1 0 0\n2 7\n\n";

// The worked example with memory: main (1000 bytes) -> render (-40) ->
// php::strlen (100), and the profiler's peak memory of 2048 bytes.
inline const QByteArray memoryExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time Memory\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2 100\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5 -40\ncfn=php::strlen\ncalls=1 0 0\n12 2 100\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20 2048\n1 13 1000\ncfn=render\ncalls=1 0 0\n2 7 60\n\n";

// One record: a call with its own cost (and memory, for a header with
// memory) that calls the records named in `callees`.
inline QByteArray record(const QByteArray &file, const QByteArray &function, int line, quint64 cost,
    const QList<QByteArray> &callees = {}, std::optional<qint64> memory = {})
{
    QByteArray text = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' '
        + QByteArray::number(cost) + (memory ? ' ' + QByteArray::number(*memory) : QByteArray()) + '\n';
    for (const QByteArray &callee : callees)
        text += "cfn=" + callee + "\ncalls=1 0 0\n1 1\n";
    return text + '\n';
}

// A program profiled twice, in microseconds and then in 10 ns steps: fast
// got faster, slow slower, gone and an inclusion went, Zap and another
// inclusion came, fib recursed once and then twice, php::count stayed.
inline const QByteArray profileBefore
    = "events: Time Memory_(bytes)\n\nfn=slow\n1 10 100\n\nfn=fast\n1 30 200\n\nfn=gone\n1 5 50\n\n"
      "fn=php::count\n1 1 0\n\nfn=include::/var/www/a.php\n1 2 0\n\nfn=fib\n1 4 8\n\n"
      "fn=fib\n1 6 8\ncfn=fib\n\nfn=main\n1 1 0\ncfn=slow\ncfn=fast\ncfn=gone\ncfn=php::count\n"
      "cfn=include::/var/www/a.php\ncfn=fib\n\n";
inline const QByteArray profileAfter
    = "events: Time_(10ns) Memory_(bytes)\n\nfn=(1) fast\n1 1000 600\n\nfn=(2) slow\n1 2500 100\n\n"
      "fn=(3) Zap\n1 500 -40\n\nfn=(4) php::count\n1 100 0\n\nfn=(5) include::/var/www/b.php\n1 200 0\n\n"
      "fn=(6) fib\n1 400 8\n\nfn=(6)\n1 400 8\ncfn=(6)\n\nfn=(6)\n1 400 8\ncfn=(6)\n\n"
      "fn=(7) main\n1 100 0\ncfn=(1)\ncfn=(2)\ncfn=(3)\ncfn=(4)\ncfn=(5)\ncfn=(6)\n\n";

// Written per function, calls counted: {main} calls App\Slow->work three
// times and helper once; work calls helper three times. Self times 10, 240
// and 100 microseconds.
inline const QByteArray aggregatedExample
    = "events: Time\n\nfl=/i.php\nfn={main}\n1 10\ncfn=App\\Slow->work\ncalls=3 5\n2 300\ncfn=helper\ncalls=1 8\n"
      "3 40\n\nfl=/Slow.php\nfn=App\\Slow->work\n5 240\ncfn=helper\ncalls=3 8\n6 60\n\nfl=/i.php\nfn=helper\n8 100\n";
