// Test access to the archive class's private members.
#pragma once

#include "pbo/Ostrel.h"

// Reaches the private members of the archive class from the pbo tests
// (Ostrel declares this class a friend). One definition for the whole test
// program: every pbo test includes this header instead of defining its own.
class OstrelTestAccess
{
public:
    static int WriteHeaderBlock(Ostrel& pbo, bool txt) { return pbo.WriteHeaderBlock(txt); }
    static int WriteDataBlock(Ostrel& pbo, const char* folder) { return pbo.WriteDataBlock(folder); }
    static void SetErrorCode(Ostrel& pbo, int code) { pbo.errorCode = code; }
    static int ResidualCount(const Ostrel& pbo) { return pbo.info.residualCount; }
    static bool HeaderWritten(const Ostrel& pbo) { return pbo.headerWritten != 0; }
};
