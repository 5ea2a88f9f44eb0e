// Names a script has assigned so far, with the type of each, for the script
// checker. Names compare without regard to ASCII letter case.
#pragma once

#include <string>
#include <unordered_map>

#include "SqsCommand.h"

class SqsVariables
{
public:
    void Clear() { types.clear(); }
    // The type slot of name, or null when it was never assigned. The slot
    // stays valid while names are added.
    SqsType* Find(const char* name, size_t length);
    // Adds name with type (or finds it) and answers its slot.
    SqsType* Add(const char* name, size_t length, SqsType type);
    size_t Count() const { return types.size(); }

private:
    static std::string Key(const char* name, size_t length);
    std::unordered_map<std::string, SqsType> types;
};
