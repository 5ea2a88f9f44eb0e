// Rapify::Output: the tree of the last successful compile written as a
// binarised config file.

#include <exception>

#include "Classes.h"
#include "ConfigScanner.h"
#include "ConfigWriter.h"
#include "Rapify.h"

int Rapify::Output(const char* path, bool forceBinary)
{
    // Without a tree there is nothing to write, and no compile has installed
    // a callback to report to.
    scanner->SetStopReason("");
    if (!root)
        return 33;
    GetCallback()("\nWriting output\n");
    if (forceBinary && layout == 0)
        layout = 1;
    try
    {
        ConfigWriter writer(layout);
        const int result = writer.Write(path, root, enums);
        scanner->SetStopReason(writer.Problem());
        return result;
    }
    catch (const std::exception&)
    {
        return 1; // only allocations throw here
    }
}
