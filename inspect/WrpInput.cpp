// World input cursor and cell block decoder.
#include "WrpInput.h"

#include <cstring>
#include <limits>
#include <new>

#include "../frame/AllocFail.h"
#include "WrpCodes.h"

using namespace wrp;

bool WrpBytes::Allocate(uint64_t n)
{
    Reset();
    if (n > std::numeric_limits<size_t>::max() - 1)
        return false;
    // One byte more, so that an empty block still has an address.
    bytes.reset(ostrel_internal::alloc::NewArray<unsigned char>(static_cast<size_t>(n) + 1));
    if (!bytes)
        return false;
    count = static_cast<size_t>(n);
    return true;
}

bool WrpInput::Read(void* destination, uint64_t n)
{
    codec::Cursor at = Cursor();
    at.Read(destination, n);
    return Resume(at);
}

bool WrpInput::ReadU32(uint32_t& value)
{
    codec::Cursor at = Cursor();
    const uint32_t read = at.U32();
    if (!Resume(at))
        return false;
    value = read;
    return true;
}

bool WrpInput::Skip(uint64_t n)
{
    codec::Cursor at = Cursor();
    at.Skip(n);
    return Resume(at);
}

uint64_t WrpBlockCapacity(const WrpInput& input, uint64_t n, bool plain)
{
    const uint64_t remaining = input.Remaining();
    if (plain)
        return n <= remaining ? n : 0;
    const uint64_t producible = codec::LzssMaxOutput(remaining, codec::StopAt::OutputFull);
    return n <= producible ? n : producible;
}

int DecodeWrpBlock(WrpInput& input, unsigned char* out, size_t n, bool plain)
{
    if (plain)
        return input.Read(out, n) ? Ok : PrematureEof;
    const size_t capacity = static_cast<size_t>(WrpBlockCapacity(input, n, plain));
    size_t used = 0;
    const int result = codec::LzssDecode(input.Here(), input.Remaining(), out, n, capacity, WorldPacking, &used);
    input.Skip(used);
    return result;
}
