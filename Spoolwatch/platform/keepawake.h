#pragma once

#include <QString>

// Keeps the computer from sleeping while a printer prints: a sleeping computer stops the job stream.
class KeepAwake
{
public:
    ~KeepAwake();
    // Called often; holds the system awake while `printing`, lets it sleep again otherwise.
    void update(bool printing);
    bool holding() const { return m_cookie != 0; }

private:
    uint m_cookie = 0;
};
