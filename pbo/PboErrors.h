// Result codes of the archive class and their messages.
#pragma once

// Result codes of the archive class and their fixed messages; 0 is success.
enum PboError : int
{
    PboNoError = 0,
    PboNoMemory = -1,
    PboTruncated = -2,
    PboNoFile = -3,
    PboCompressionBounds = -4,
    PboCompressionZeroChunk = -5,
    PboCompressionChecksum = -6,
    PboMultipleProducts = -8,
    PboUnknownHeader = -9,
    PboUnsafeName = -10,
    PboReservedNonZero = -11,
    PboCancelled = -12,
    PboCannotRemoveFolder = -13,
    PboCannotMakeFolder = -14,
    PboLintError = -15,
    PboPreRapified = -16,
    PboConfigConflict = -17
};

// Answers of the archive's checksum verification besides its error codes.
enum PboChecksum : int
{
    PboChecksumMatches = 0,
    PboChecksumAbsent = 1,
    PboChecksumDiffers = 2
};

// The fixed message for a code ("pbo Unknown error" outside the table).
const char* PboErrorText(int code);
