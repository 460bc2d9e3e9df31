// Decides which faults come before the reply to each job command: the scheduled ones, else at random with the
// seeded generator, which also makes the garbage bytes. The same options and seed give the same faults.
#pragma once

#include "options.h"

#include <random>
#include <string>
#include <vector>

namespace vprinter
{

class FaultPlan
{
public:
    explicit FaultPlan(const Options &options);
    // Faults before the reply to job command n (1-based), in the order given on the command line.
    std::vector<FaultKind> faultsFor(long n);
    // A few bytes that are not printable text, never '\n' or '\r' (and without flow-control and framing bytes
    // unless the options allow them).
    std::string garbage();
    std::string nuls();

private:
    double uniform(); // [0, 1), the same on every platform, unlike std::uniform_real_distribution
    const Options &m_options;
    std::mt19937 m_random;
};

} // namespace vprinter
