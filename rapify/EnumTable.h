// Enumerators a compile collected with `enum { ... }`, in source order. Each
// compiler object owns its table; the binary writer appends it after the
// classes.
#pragma once

#include <cstdint>

class EnumTable
{
public:
    static constexpr int Slots = 500;

    EnumTable() = default;
    ~EnumTable() { Clear(); }
    EnumTable(const EnumTable&) = delete;
    EnumTable& operator=(const EnumTable&) = delete;

    // Frees every name; the table becomes empty.
    void Clear();
    // Stores an enumerator, taking over name (C allocator; may be null for an
    // enumerator without a name). 0, or 1 (name freed) for the 500th
    // enumerator, so that a table holds at most 499.
    int Add(char* name, int32_t value);

    int32_t Count() const { return count; }
    // Name of enumerator i (null when it has none), and its value.
    const char* Name(int i) const { return slots[i].name; }
    int32_t Value(int i) const { return slots[i].value; }

private:
    struct Slot
    {
        char* name;
        int32_t value;
    };
    int32_t count = 0;
    Slot slots[Slots] = {};
};
