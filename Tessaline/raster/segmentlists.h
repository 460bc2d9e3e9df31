#pragma once

#include "raster/seg2f.h"

#include <cstddef>
#include <vector>

// Gives every list its size (sizes[i] for *lists[i], each list empty before), its segments zero, with
// the memory allocated on the calling thread and backed by 2 MB pages where the lists lie side by side.
//
// Why: the lists of one slice take megabytes of fresh memory, and on the virtual machines we run on the
// first touch of each 4 KB page costs several microseconds that threads cannot share, more than cutting
// the segments. The allocator places lists allocated one after the other next to each other, so whole 2 MB
// blocks inside such a run hold nothing but the lists and the allocator's headers; those blocks are moved
// to huge pages (contents kept) before the lists are filled, one fault per 2 MB instead of 512. Where the
// system cannot, the lists get ordinary pages: the result is the same.
void allocateSegmentLists(const std::vector<std::vector<Seg2f> *> &lists, const std::vector<size_t> &sizes);
