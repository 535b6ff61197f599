#pragma once

#include <QString>

class QWidget;

// Tells the user of problems. Every call returns at once, without waiting
// for the user and without an event loop of its own, so that it is safe
// from any signal handler; the alert shows once control is back in the
// event loop. The registry, the watcher and the shell speak to the user
// through one of these, so that tests can note alerts instead.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // A warning with a short message and an explanation.
    virtual void showWarning(QWidget *parent, const QString &message, const QString &informativeText) = 0;
    // The file at `path` could not be opened, for `reason` (a sentence).
    // Failures that come in numbers may be told together.
    virtual void showOpenFailure(QWidget *parent, const QString &path, const QString &reason) = 0;

    // The message that one failure to open is told with.
    static QString openFailureMessage(const QString &path);
};
