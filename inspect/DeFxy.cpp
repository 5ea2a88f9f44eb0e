// Font table reader: size check and in-place record access.
#include "DeFxy.h"

namespace
{
const int InvalidFile = 3;
const int NonModular = 4;
} // namespace

int DeFxy::Open(const char* name)
{
    if (!input.OpenInput(name, "fxy", 1))
        return InvalidFile;
    return Process();
}

int DeFxy::Open(const unsigned char* data, int size)
{
    input.Close();
    if (!data)
        return InvalidFile;
    input.OpenMemory(data, size < 0 ? 0u : static_cast<uint32_t>(size));
    return Process();
}

void DeFxy::Close()
{
    input.Close();
}

int DeFxy::Process()
{
    if (input.Length() == FileSize)
        return 0;
    Close();
    return NonModular;
}

const FxyEntry* DeFxy::GetEntry(unsigned long index) const
{
    if (!input.Buffer() || index >= input.Length() / sizeof(FxyEntry))
        return nullptr;
    return reinterpret_cast<const FxyEntry*>(input.Buffer() + index * sizeof(FxyEntry));
}

const char* DeFxy::ErrorString(unsigned char code)
{
    static const char* const texts[] = {
        "no error",          "Fxy: Premature EOF",        "Fxy: Out of memory",
        "Fxy: invalid file", "Fxy: non modular filesize",
    };
    return code < sizeof texts / sizeof texts[0] ? texts[code] : "Fxy: Unknown error";
}
