// Variable list of the script checker: a hash map keyed by the lower-case name.
#include "SqsVariables.h"

#include "../frame/Text.h"

std::string SqsVariables::Key(const char* name, size_t length)
{
    std::string key(name, length);
    for (char& c : key)
        c = text::Lower(c);
    return key;
}

SqsType* SqsVariables::Find(const char* name, size_t length)
{
    auto found = types.find(Key(name, length));
    return found == types.end() ? nullptr : &found->second;
}

SqsType* SqsVariables::Add(const char* name, size_t length, SqsType type)
{
    return &types.emplace(Key(name, length), type).first->second;
}
