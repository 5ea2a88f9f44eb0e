#include "RazDLL.h"

const char* const RazDLL::Version = "1.55";

RazDLL::RazDLL()
{
    ostrel.SetParent(this);
}
