// The aggregate's construction and the library's version text.
#include "RazDLL.h"

const char* const RazDLL::Version = "1.55";

RazDLL::RazDLL()
{
    ostrel.SetParent(this);
}

// Members are destroyed in reverse order of construction; the archive member
// finishes an archive being written.
RazDLL::~RazDLL() = default;
