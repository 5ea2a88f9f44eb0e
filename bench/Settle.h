// Between timed runs that write files: the dirty pages of earlier runs (and of
// the sample) go to the disk first, so that no run pays for another's
// write-back.
#pragma once

#if !defined(_WIN32)
#include <unistd.h>
#endif

inline void SettleDisk()
{
#if !defined(_WIN32)
    sync();
#endif
}
