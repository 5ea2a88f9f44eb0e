// Result codes of the binarised config decoder.
#pragma once

// Result codes of the binarised config decoder. 0 is success; ErrorString
// (DeRap) maps every code to its message, unknown codes included.
enum RapError : int
{
    RapNoError = 0,
    RapNoFile = 1,
    RapNotRapFile = 2,
    RapCannotWrite = 3,
    RapNoSignature = 4,
    RapOutOfMemory = 5,
    RapRootInherits = 6,
    RapEntriesExpected = 7,
    RapUnknownEntryType = 8,
    RapUnknownArrayType = 9,
    RapUnexpectedEof = 10,
    RapNameExpected = 11,
    RapNamedEmbeddedArray = 12,
    RapXboxTextMeta = 13
};

// The message of a code; "DeRap: Unknown error" for a code outside the table.
const char* RapErrorText(RapError code);
