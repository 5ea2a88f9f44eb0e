// Progress callbacks: the printf-style report and cancel poll of long work.
#pragma once

#include "Export.h"

// Progress report and cancel poll: a printf-style format and its values.
// Answering false asks the running operation to stop where it polls.
typedef bool (*ProgressCallback)(const char* format, ...);

class OSTREL_API SilentProgress
{
public:
    // Shows nothing and always answers true.
    static bool Callback(const char* format, ...);
    // The given callback, or the silent one for null.
    static ProgressCallback Select(ProgressCallback callback)
    {
        return callback ? callback : &SilentProgress::Callback;
    }
};
