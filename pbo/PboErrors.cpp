// Fixed messages of the archive class's result codes.
#include "PboErrors.h"

const char* PboErrorText(int code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<PboError>(code))
    {
    case PboNoError:
        return "No error(s)";
    case PboNoMemory:
        return "Ostrel No memory";
    case PboTruncated:
        return "Ostrel File Truncated";
    case PboNoFile:
        return "Ostrel No File opened";
    case PboCompressionBounds:
        return "Ostrel compression out of bounds";
    case PboCompressionZeroChunk:
        return "Ostrel compression chunk is zero";
    case PboCompressionChecksum:
        return "Ostrel compression checksum";
    case PboMultipleProducts:
        return "Ostrel multiple product entries";
    case PboUnknownHeader:
        return "Ostrel unknown header type";
    case PboUnsafeName:
        return "Ostrel Entry name leaves the extraction folder";
    case PboReservedNonZero:
        return "Ostrel Entry's reserved field non-zero";
    case PboCancelled:
        return "Callback failed / cancelled";
    case PboCannotRemoveFolder:
        return "Cannot remove pbo folder";
    case PboCannotMakeFolder:
        return "Cannot make folder";
    case PboLintError:
        return "Lint error";
    case PboPreRapified:
        return "config.cpp or mission.sqm is pre raPified";
    case PboConfigConflict:
        return "config.bin and, config.cpp cannot co-exist";
    }
    return "pbo Unknown error";
}
