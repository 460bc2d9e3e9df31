// Bytes waiting to go out to the host, each piece with the moment it may be written. Pieces leave in order: a
// late piece holds back everything queued behind it, as a busy firmware would.
#pragma once

#include <chrono>
#include <deque>
#include <string>

namespace vprinter
{

using Clock = std::chrono::steady_clock;

class Output
{
public:
    // Queues bytes delayMs after now (and never before what is queued already).
    void push(const std::string &bytes, Clock::time_point now, int delayMs = 0);
    // Queues bytes in pieces of a few bytes, pauseMs apart, so that the host reads partial lines.
    void pushSplit(const std::string &bytes, Clock::time_point now, int pauseMs);
    void clear() { m_pieces.clear(); }
    bool empty() const { return m_pieces.empty(); }
    bool ready(Clock::time_point now) const { return !m_pieces.empty() && m_pieces.front().due <= now; }
    Clock::time_point nextDue() const { return m_pieces.front().due; }
    std::string &front() { return m_pieces.front().bytes; }
    void popFront() { m_pieces.pop_front(); }

private:
    struct Piece {
        std::string bytes;
        Clock::time_point due;
    };
    Clock::time_point lastDue(Clock::time_point now) const;
    std::deque<Piece> m_pieces;
};

} // namespace vprinter
