#pragma once

#include "CommandLine.h"

#include <QFile>

#include <cstdio>

// What the command line wrote and returned.
struct Result
{
    int status;
    QByteArray out;
    QByteArray err;
};

inline QByteArray readAll(std::FILE *file)
{
    std::rewind(file);
    QFile reader;
    reader.open(file, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return reader.readAll();
}

// Runs the command line on `arguments`, its output and errors kept; the
// user's settings hide internal functions or not, and map paths.
inline Result run(const QStringList &arguments, bool showInternal = true, const QStringList &pathMappings = {})
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status
        = CommandLine({ TimeUnit::Milliseconds, true, showInternal, pathMappings }).run(arguments, out, err);
    return { status, readAll(out), readAll(err) };
}
