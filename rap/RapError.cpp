// Messages of the binarised config decoder's result codes.
#include "RapError.h"

const char* RapErrorText(RapError code)
{
    // The two spellings of the tag ("DeRap", "Derap") are part of the texts.
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (code)
    {
    case RapNoError:
        return "DeRap: No error(s)";
    case RapNoFile:
        return "DeRap: No File";
    case RapNotRapFile:
        return "DeRap: Not a raP file";
    case RapCannotWrite:
        return "DeRap: Cannot write to file";
    case RapNoSignature:
        return "DeRap: No signature";
    case RapOutOfMemory:
        return "Derap: Out of memory";
    case RapRootInherits:
        return "DeRap: Implied class body can't have inherit string";
    case RapEntriesExpected:
        return "DeRap: Entries expected";
    case RapUnknownEntryType:
        return "DeRap: Unknown Entry type";
    case RapUnknownArrayType:
        return "DeRap: Unknown ArrayType";
    case RapUnexpectedEof:
        return "Derap: Unexpected EOF";
    case RapNameExpected:
        return "Derap: Token Name expected for entry";
    case RapNamedEmbeddedArray:
        return "Embedded arrays cannot have names";
    case RapXboxTextMeta:
        return "Is xbox text meta file";
    }
    return "DeRap: Unknown error";
}
