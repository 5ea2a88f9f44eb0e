// Rapify::Output: the tree of the last successful compile written as a
// binarised config file.

#include <exception>

#include "../rap/RapFormat.h"
#include "Classes.h"
#include "ConfigScanner.h"
#include "ConfigWriter.h"
#include "Rapify.h"
#include "RapifyCodes.h"

int Rapify::Output(const char* path, bool forceBinary)
{
    // Without a tree there is nothing to write, and no compile has installed
    // a callback to report to.
    scanner->SetStopReason("");
    if (!root)
        return RapifyNoClasses;
    GetCallback()("\nWriting output\n");
    if (forceBinary && layout == rapformat::LayoutInline)
        layout = rapformat::LayoutArma;
    try
    {
        ConfigWriter writer(layout);
        const int result = writer.Write(path, root, enums);
        scanner->SetStopReason(writer.Problem());
        return result;
    }
    catch (const std::exception&)
    {
        return RapifyNoMemory; // only allocations throw here
    }
}
