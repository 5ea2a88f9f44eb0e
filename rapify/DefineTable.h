// Macro table of one compile: #define stores bodies with their parameters
// turned into numbered markers ("#0#", "#1#", ...), so that expanding a call is
// a copy that fills the markers with the call's arguments. Also reads enum
// statements into the compiler's enum table.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class ConfigScanner;
class EnumTable;

class DefineTable
{
public:
    explicit DefineTable(EnumTable* enumTable) : enums(enumTable) {}
    ~DefineTable();
    DefineTable(const DefineTable&) = delete;
    DefineTable& operator=(const DefineTable&) = delete;

    // name may carry a parameter list ("F(a,b)"). 0, 1, 28 or 31.
    int Define(const char* name, const char* body);
    // 0 with result null (no macro) or the expansion (valid until the next
    // call); else 1, 25 or 27. lineCapacity sizes the expansion buffer: an
    // expansion must fit twice the scanner's line capacity.
    int Expand(const char* token, int32_t lineCapacity, const char*& result);
    // Appends one macro; the first definition of a name is the one found.
    int AddDefine(const std::string& name, const std::string& body);
    // Fills args from the text after a '(': ',' ends an argument at any depth,
    // ')' at depth 0 (or the end of text) ends the list. Arguments are trimmed.
    bool SplitArguments(const char* text);
    // The enum statement after its keyword: '{', enumerators, '}' and ';'.
    int ParseEnum(ConfigScanner& scanner);

    int32_t Count() const { return count; }
    const std::vector<std::string>& Args() const { return args; }

private:
    struct DefineEntry
    {
        std::string name;
        std::string body;
        DefineEntry* next;
    };
    const DefineEntry* Find(const char* name, size_t length) const;

    DefineEntry* head = nullptr;
    DefineEntry* tail = nullptr;
    int32_t count = 0;
    std::vector<std::string> args;
    std::string expansion;
    EnumTable* enums;
    // First entry of every name, so a lookup does not walk the whole list.
    std::unordered_map<std::string, const DefineEntry*> index;
};
