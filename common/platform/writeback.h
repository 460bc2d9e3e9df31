#pragma once

#if defined(__linux__)
#include <fcntl.h>
#endif

namespace platform
{

// Starts writing the given range of a file to disk without waiting for it. A program that writes a big file
// and syncs it at the end (as a safe save does before renaming) then waits at the end only for the last part,
// the rest having gone to disk while it was still producing the file. A hint: nothing changes where the system
// offers no such call, and errors are left to the final sync to report.
inline void startWriteback(int fd, long long offset, long long bytes)
{
#if defined(__linux__)
    sync_file_range(fd, offset, bytes, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)bytes;
#endif
}

} // namespace platform
