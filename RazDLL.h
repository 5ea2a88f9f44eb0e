// The aggregate at the top of the library: one object of every format class,
// and the link through which the archive reaches the config classes.
#pragma once

#include "frame/Export.h"
#include "inspect/DeFxy.h"
#include "inspect/DeP3d.h"
#include "inspect/DePac.h"
#include "inspect/DeRtm.h"
#include "inspect/DeWrp.h"
#include "pbo/Ostrel.h"
#include "rap/DeRap.h"
#include "rapify/Rapify.h"
#include "sqs/DeSqs.h"

// The aggregate: one object of every format class. Its archive member is
// linked to it, so that archive code reaches the sibling decoders.
class OSTREL_API RazDLL
{
public:
    RazDLL();
    ~RazDLL();
    RazDLL(const RazDLL&) = delete;
    RazDLL& operator=(const RazDLL&) = delete;

    // Library version text; callers parse it as a decimal number.
    static const char* const Version;

    // Members in construction order; destroyed in reverse.
    Ostrel ostrel;
    Rapify rapify;
    DeRap derap;
    DeFxy defxy;
    DeRtm dertm;
    DeWrp dewrp;
    DePac depac;
    DeP3d dep3d;
    DeSqs desqs;
};
