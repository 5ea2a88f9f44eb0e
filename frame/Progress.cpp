// The silent progress callback that a null callback selects.

#include "Progress.h"

bool SilentProgress::Callback(const char*, ...)
{
    return true;
}
