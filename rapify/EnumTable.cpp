// The enum table and the reading of enum statements into it.

#include "EnumTable.h"

#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "ConfigScanner.h"
#include "DefineTable.h"
#include "RapifyCodes.h"

void EnumTable::Clear()
{
    for (int i = 0; i < count; ++i)
    {
        std::free(slots[i].name);
        slots[i].name = nullptr;
    }
    count = 0;
}

int EnumTable::Add(char* name, int32_t value)
{
    // The last slot is never filled: the 500th enumerator is refused.
    if (count + 1 >= Slots)
    {
        std::free(name);
        return RapifyNoMemory;
    }
    slots[count].name = name;
    slots[count].value = value;
    ++count;
    return RapifyOk;
}

namespace
{
// Decimal digits only; a number past the signed 32-bit range stands for its
// largest value, as the C runtime's conversion gives it.
bool ParseEnumValue(const char* text, int32_t& value)
{
    if (!*text)
        return false;
    int64_t v = 0;
    for (const char* c = text; *c; ++c)
    {
        if (*c < '0' || *c > '9')
            return false;
        v = v * 10 + (*c - '0');
        if (v > INT32_MAX)
            v = INT32_MAX;
    }
    value = static_cast<int32_t>(v);
    return true;
}
} // namespace

int DefineTable::ParseEnum(ConfigScanner& scanner)
{
    if (scanner.NextToken(ScanMode::Word) != '{')
        return RapifyExpectedInheritOrBrace;

    enum State
    {
        ExpectName,
        NameRead,
        Stored,
        AfterAssign
    };
    State state = ExpectName;
    uint32_t value = 0; // wraps like the C counter it stands for
    char* name = nullptr;
    auto store = [&](int32_t v) {
        int r = enums->Add(name, v);
        name = nullptr;
        return r;
    };
    auto fail = [&](int code) {
        std::free(name);
        return code;
    };

    for (;;)
    {
        int r = scanner.NextToken(ScanMode::Word);
        if (r == RapifyOk)
        {
            const char* word = scanner.Token();
            if (state == ExpectName)
            {
                name = static_cast<char*>(ostrel_internal::alloc::Allocate(std::strlen(word) + 1));
                if (!name)
                    return RapifyNoMemory;
                std::strcpy(name, word);
                state = NameRead;
            }
            else if (state == AfterAssign)
            {
                int32_t parsed = 0;
                if (!ParseEnumValue(word, parsed))
                    return fail(RapifyExpectedStatement);
                value = static_cast<uint32_t>(parsed);
                if (store(parsed) != RapifyOk)
                    return RapifyNoMemory;
                state = Stored;
            }
            else
            {
                return fail(RapifyExpectedStatement);
            }
        }
        else if (r == ',' || r == '}')
        {
            if (state == ExpectName || state == AfterAssign)
                return fail(RapifyExpectedStatement);
            if (state == NameRead && store(static_cast<int32_t>(value)) != RapifyOk)
                return RapifyNoMemory;
            if (r == '}')
                return scanner.NextToken(ScanMode::Word) == ';' ? RapifyOk : RapifyExpectedStatement;
            ++value;
            state = ExpectName;
        }
        else if (r == '=')
        {
            if (state != ExpectName && state != NameRead)
                return fail(RapifyExpectedStatement);
            state = AfterAssign;
        }
        else
        {
            return fail(RapifyExpectedStatement);
        }
    }
}
