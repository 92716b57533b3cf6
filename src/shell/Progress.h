#pragma once

// The progress display of a long command: started with its range, stepped to
// a value in it, ended (hidden); Resume shows the bar of the last start again
// at the value it had.
class Progress
{
public:
    virtual void StartProgress(double min, double max) = 0;
    virtual void StepProgress(double value) = 0;
    virtual void EndProgress() = 0;
    virtual void ResumeProgress() = 0;

protected:
    ~Progress() = default;
};
