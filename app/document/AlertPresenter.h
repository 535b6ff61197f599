#pragma once

#include <QString>

class QWidget;

// Shows the application's modal alerts. The registry and the shell speak to
// the user through one of these, so that tests can answer alerts without a
// modal loop.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // A warning with a short message and an explanation; returns when the
    // user has dismissed it.
    virtual void showWarning(QWidget *parent, const QString &message, const QString &informativeText) = 0;
};
