#include "faults.h"

namespace vprinter
{

namespace
{

constexpr unsigned char xon = 0x11;
constexpr unsigned char xoff = 0x13;

} // namespace

FaultPlan::FaultPlan(const Options &options) : m_options(options), m_random(options.seed) {}

double FaultPlan::uniform()
{
    return m_random() / 4294967296.0;
}

std::vector<FaultKind> FaultPlan::faultsFor(long n)
{
    std::vector<FaultKind> kinds;
    for (const ScheduledFault &fault : m_options.faults)
        if (fault.jobCommand == n)
            kinds.push_back(fault.kind);
    // One draw per job command whatever happens, so a scheduled fault does not shift the random ones.
    const double draw = uniform();
    const double pick = uniform();
    if (kinds.empty() && !m_options.randomFaults.empty() && draw < m_options.faultRate) {
        const std::size_t count = m_options.randomFaults.size();
        kinds.push_back(m_options.randomFaults[std::min(count - 1, static_cast<std::size_t>(pick * count))]);
    }
    return kinds;
}

std::string FaultPlan::garbage()
{
    const int count = 4 + static_cast<int>(uniform() * 12);
    std::string bytes;
    while (static_cast<int>(bytes.size()) < count) {
        // Control bytes and the upper half: nothing a text reply would hold.
        const unsigned value = m_random() % 160;
        const unsigned char byte = static_cast<unsigned char>(value < 32 ? value : value - 32 + 0x80);
        if (byte == '\n' || byte == '\r' || byte == 0)
            continue;
        if (!m_options.garbageAll && (byte == xon || byte == xoff))
            continue;
        bytes.push_back(static_cast<char>(byte));
    }
    if (m_options.garbageAll)
        bytes += std::string{static_cast<char>(xoff), '@', '#', static_cast<char>(xon)};
    return bytes;
}

std::string FaultPlan::nuls()
{
    return std::string(1 + static_cast<std::size_t>(uniform() * 8), '\0');
}

} // namespace vprinter
