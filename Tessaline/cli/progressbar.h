#pragma once

// A one-line progress bar redrawn in place on stderr; finishes its line at 100 percent.
class ProgressBar
{
public:
    void show(int percent);

private:
    int m_shown = -1;
};
