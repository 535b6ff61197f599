#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <functional>

// Runs a part of a test where the system gives no thread: each would need a
// stack larger than the address space left. The test executable runs
// itself so limited, and the part, given the file named by
// VELOTRACE_THREADLESS, runs before the tests (whose watchdog is a thread)
// and ends the process with its status.
struct ThreadlessRun
{
    int status;
    QByteArray out;
    QByteArray err;
};

// In the limited process: runs `part` on the file and exits; else nothing.
inline int runThreadlessPart(const std::function<int(const QString &file)> &part)
{
    const QByteArray file = qgetenv("VELOTRACE_THREADLESS");
    if (file.isEmpty())
        return 0;
    const int status = part(QString::fromLocal8Bit(file));
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

inline ThreadlessRun runThreadless(const QString &file)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELOTRACE_THREADLESS"), file);
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("ulimit -s 16777216 && ulimit -v 4194304 && exec \"$0\""),
            QCoreApplication::applicationFilePath() });
    child.waitForFinished(60000);
    return { child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1, child.readAllStandardOutput(),
        child.readAllStandardError() };
}

// Sanitizers reserve more address space than the limit leaves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELOTRACE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VELOTRACE_SANITIZED 1
#endif
#endif
