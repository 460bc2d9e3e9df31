#include "output.h"

#include <algorithm>

namespace vprinter
{

Clock::time_point Output::lastDue(Clock::time_point now) const
{
    return m_pieces.empty() ? now : std::max(now, m_pieces.back().due);
}

void Output::push(const std::string &bytes, Clock::time_point now, int delayMs)
{
    if (bytes.empty())
        return;
    const Clock::time_point due = std::max(lastDue(now), now + std::chrono::milliseconds(delayMs));
    m_pieces.push_back({bytes, due});
}

void Output::pushSplit(const std::string &bytes, Clock::time_point now, int pauseMs)
{
    // Two bytes a piece cut even a bare "ok\n" in two.
    constexpr std::size_t pieceSize = 2;
    Clock::time_point due = lastDue(now);
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
        m_pieces.push_back({bytes.substr(at, std::min(pieceSize, bytes.size() - at)), due});
        due += std::chrono::milliseconds(pauseMs);
    }
}

} // namespace vprinter
