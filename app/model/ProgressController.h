#pragma once

#include <QString>

// What the reader tells a progress display while it reads a large profile.
// The window that implements it lives with the document window; tests use a
// recording fake.
class ProgressController
{
public:
    virtual ~ProgressController() = default;

    virtual void showWindow() = 0;
    virtual void setStatusLine(const QString &text) = 0;
    virtual void setMaxValue(double maximum) = 0;
    // Shows maximum minus `remaining` as done.
    virtual void setRemainingValue(double remaining) = 0;
    virtual void close() = 0;
};
