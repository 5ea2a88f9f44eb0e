#include "Progress.h"

bool SilentProgress::Callback(const char*, ...)
{
    return true;
}
