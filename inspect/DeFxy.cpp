// Font table reader: size check and in-place record access.
#include "DeFxy.h"

using namespace fxy;

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
        return Ok;
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
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<Code>(code))
    {
    case Ok:
        return "no error";
    case PrematureEof:
        return "Fxy: Premature EOF";
    case OutOfMemory:
        return "Fxy: Out of memory";
    case InvalidFile:
        return "Fxy: invalid file";
    case NonModular:
        return "Fxy: non modular filesize";
    }
    return "Fxy: Unknown error";
}
