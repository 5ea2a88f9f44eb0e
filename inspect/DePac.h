// Texture inspector for ".paa"/".pac" files: checks the layout (type word,
// tags, mipmaps, end marker) and reports it line by line through a callback.
#pragma once

#include <cstdint>
#include <memory>

#include "../codec/PacFormat.h"
#include "../frame/Export.h"
#include "../frame/Progress.h"

class DataStream;

// Result codes: pac::Code (2 and 8 have messages but are never produced).
// Nothing is kept for callers besides the
// code and the printed lines; the callback's answer is not polled.
class OSTREL_API DePac
{
public:
    DePac();
    ~DePac();
    DePac(const DePac&) = delete;
    DePac& operator=(const DePac&) = delete;

    // Loads the whole file (its extension must be "paa" or "pac", any case)
    // and checks it; closed again when the result is not 0.
    int Open(const char* fileName, ProgressCallback progress);
    // Checks the caller's block in place; it is neither copied nor freed.
    int Open(const unsigned char* data, unsigned long size, ProgressCallback progress);
    void Close();
    static const char* ErrorString(unsigned char code);

private:
    int Process(ProgressCallback progress);
    int ProcessTag(const unsigned char* name, unsigned long length);
    int ProcessCGVA(unsigned long length);
    int ProcessMAXC(unsigned long length);
    int ProcessGALF(unsigned long length);
    int ProcessSFFO(unsigned long length);
    int ProcessSwizz(unsigned long length);
    int ReadWord(uint32_t& value, unsigned long length, const char* line);
    int WalkMips(bool withOffsets);
    int CheckExcess(uint64_t position);

    // Values of the last run.
    uint16_t type = 0;
    uint32_t avgColor = 0;
    uint32_t maxColor = 0;
    uint32_t swizzle = 0;
    uint32_t alphaFlag = 0;
    uint32_t offsets[pac::OffsetCount] = {};
    bool hasOffsets = false;
    ProgressCallback callback = nullptr;
    std::unique_ptr<DataStream> input;
};
