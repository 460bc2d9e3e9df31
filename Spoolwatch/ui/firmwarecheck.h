#pragma once

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <memory>

// Learns the latest firmware build from the firmware server, on a pooled worker thread, so that the
// printer panels can offer an update. The worker writes one integer; a failed request keeps the
// previous value.
class FirmwareCheck
{
public:
    // The server's address; SPOOLWATCH_FIRMWARE_SERVER replaces it (a test server, a mirror).
    static QUrl serverUrl();
    // The build number in a "/version" reply: its digits read as one decimal number; -1 without digits.
    static int buildFromReply(const QByteArray &reply);

    FirmwareCheck();
    // Starts one request unless one is still running.
    void start();
    // 0 while unknown.
    int latestBuild() const { return m_state->latestBuild; }
    bool running() const { return m_state->running; }

private:
    struct State {
        std::atomic<int> latestBuild{0};
        std::atomic<bool> running{false};
    };
    // Shared with the worker, which may outlive the window.
    std::shared_ptr<State> m_state;
};
