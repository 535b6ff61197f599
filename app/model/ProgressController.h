#pragma once

// Whoever follows a read of a profile: the reader tells it how far it has
// got, often, on the thread that reads.
class ProgressController
{
public:
    virtual ~ProgressController() = default;

    // The share of the text read so far, from 0 to 1; 1 once the read is done.
    virtual void setProgress(double fraction) = 0;
};
