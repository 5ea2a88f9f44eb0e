// The input buffer and output file that every format class reads and writes
// through.
#pragma once

#include <cstdint>
#include <cstdio>

#include "Export.h"
#include "OwnedString.h"
#include "Sha1.h"

// Input buffer (whole file, open file, or the caller's block) plus one
// optional output file.
class OSTREL_API DataStream
{
public:
    // Out of line: the digest it holds is internal to the library.
    DataStream();
    ~DataStream();
    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

    void Close();
    // mode 0: keep the file open; 1: read it whole; 2: read it whole and add a
    // zero byte. A non-empty extension is added ("%s.%s") unless the text after
    // the last dot of name already equals it, ignoring case.
    bool OpenInput(const char* name, const char* extension, int mode);
    void OpenMemory(const unsigned char* data, uint32_t size);
    // Starts an output file: the bytes go to a new temporary file beside the
    // name (never through a link there) until FinishOutput or CloseOutput
    // renames it over the name. Mode "w+b" also allows reading back what was
    // written.
    bool CreateOutput(const char* name, const char* extension, const char* mode = "wb");
    // Feeds every byte written from now on to a SHA-1 (see OutputDigest).
    void DigestOutput();
    // The SHA-1 of the bytes written since DigestOutput; false when no digest
    // was asked for.
    bool OutputDigest(unsigned char digest[Sha1::DigestSize]) const;
    // The bytes written are being hashed (DigestOutput since the output began).
    bool Digesting() const { return digesting; }
    // The name OpenInput and CreateOutput use: name, or name.extension when
    // the text after its last dot differs from the extension.
    static void ResolveName(OwnedString& resolved, const char* name, const char* extension);
    void CloseInputFile();
    // Closes the output and renames it over its name; false when its last
    // buffered bytes could not be written or the rename failed, and then the
    // temporary file is removed and whatever stood at the name stays.
    bool CloseOutput();
    // CloseOutput when complete is true; else the output is thrown away.
    // Answers whether it was kept.
    bool FinishOutput(bool complete);

    bool Read(void* destination, uint32_t size, uint32_t count);
    unsigned ReadU16();
    const unsigned char* Take(uint32_t n);
    int Take(void* destination, uint32_t n);
    bool AtEnd() const { return position == length; }
    long Tell() const;

    bool PutByte(unsigned char b);
    bool PutU32(uint32_t v);
    bool PutString(const char* text);
    bool PutBytes(const void* data, uint32_t n);

    const unsigned char* Buffer() const { return buffer; }
    uint32_t Length() const { return length; }
    uint32_t Position() const { return position; }
    void SetPosition(uint32_t p) { position = p <= length ? p : length; }
    FILE* InputFile() const { return inputFile; }
    FILE* OutputFile() const { return outputFile; }
    // Size of the input file kept open in mode 0 (64 bits: archives may be
    // larger than the 32-bit length field can say).
    uint64_t FileSize() const { return fileSize; }

private:
    unsigned char* buffer = nullptr;
    uint32_t length = 0;
    FILE* inputFile = nullptr;
    uint32_t position = 0;
    FILE* outputFile = nullptr;
    bool borrowed = false;
    uint64_t fileSize = 0;
    OwnedString outputName;
    OwnedString temporaryName;
    Sha1 outputSha;
    bool digesting = false;
};
