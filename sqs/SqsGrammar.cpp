// Binding levels and first versions of the command table's words, built once
// from the table by name.
#include "SqsGrammar.h"

#include <cstring>

#include "../frame/Text.h"

namespace
{
struct Named
{
    const char* name;
    uint8_t value;
};

// Levels of the binary words; every other binary word binds at 4.
const Named levels[] = {
    {"or", 1}, {"||", 1},  {"and", 2}, {"&&", 2}, {"==", 3}, {"!=", 3}, {"<", 3},   {">", 3},     {"else", 5}, {"+", 6},
    {"-", 6},  {"max", 6}, {"min", 6}, {"*", 7},  {"/", 7},  {"%", 7},  {"mod", 7}, {"atan2", 7}, {">>", 7},   {"^", 8},
};

// Words that came after the first game's first version.
const Named versions[] = {
    {"sideChat", SqsFirstGame134},
    {"magazines", SqsFirstGame175},
    {"PrimaryWeapon", SqsFirstGame175},
    {"lbData", SqsFirstGame175},
    {"lbSize", SqsFirstGame175},
    {"if", SqsFirstGame185},
    {"Call", SqsFirstGame185},
    {"While", SqsFirstGame185},
    {"else", SqsFirstGame185},
    {"do", SqsFirstGame185},
    {"find", SqsFirstGame199},
    {"getPosASL", SqsFirstGame199},
    {"setPosASL", SqsFirstGame199},
    {"isServer", SqsFirstGame199},
    {"spawn", SqsConsoleEdition},
    {"actionKeys", SqsConsoleEdition},
    {"preloadCamera", SqsConsoleEdition},
    {"processInitCommands", SqsConsoleEdition},
    {"setVehicleInit", SqsConsoleEdition},
    {"compile", SqsSecondGame},
    {"configFile", SqsSecondGame},
    {">>", SqsSecondGame},
    {"getArray", SqsSecondGame},
    {"getNumber", SqsSecondGame},
    {"getText", SqsSecondGame},
    {"execVM", SqsSecondGame},
    {"setVariable", SqsSecondGame},
    {"typeName", SqsSecondGame},
    {"isNil", SqsSecondGame},
    {"animationState", SqsSecondGame},
    {"floor", SqsSecondGame},
    {"ceil", SqsSecondGame},
    {"findDisplay", SqsSecondGame},
    {"displaySetEventHandler", SqsSecondGame},
    {"hideBody", SqsSecondGame},
    {"camPreparePos", SqsSecondGame},
    {"camPrepareTarget", SqsSecondGame},
    {"camPrepareFOV", SqsSecondGame},
    {"camCommitPrepared", SqsSecondGame},
    {"isDedicated", SqsThirdGame},
    {"playableUnits", SqsThirdGame},
    {"allowDamage", SqsThirdGame},
    {"disableConversation", SqsThirdGame},
    {"setHit", SqsThirdGame},
    {"onPreloadFinished", SqsThirdGame},
    {"getPosATL", SqsThirdGame103},
    {"setPosATL", SqsThirdGame103},
};

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
    {
        if (text::Lower(*a) != text::Lower(*b))
            return false;
    }
    return *a == *b;
}

template <size_t N>
const Named* Lookup(const Named (&list)[N], const char* name)
{
    for (const Named& entry : list)
    {
        if (SameName(entry.name, name))
            return &entry;
    }
    return nullptr;
}

class GrammarTable
{
public:
    GrammarTable()
    {
        const SqsCommand* rows = SqsCommandTable();
        for (size_t r = 0; r < SqsCommandCount() && r < MaxRows; ++r)
        {
            const Named* level = Lookup(levels, rows[r].name);
            const Named* since = Lookup(versions, rows[r].name);
            entries[r].level = level ? level->value : 4;
            entries[r].since = since ? static_cast<SqsVersion>(since->value) : SqsFirstGame;
        }
    }
    const SqsGrammar& Of(const SqsCommand& row) const
    {
        const size_t r = static_cast<size_t>(&row - SqsCommandTable());
        return r < MaxRows ? entries[r] : fallback;
    }

private:
    static constexpr size_t MaxRows = 1024;
    SqsGrammar entries[MaxRows] = {};
    SqsGrammar fallback = {4, SqsFirstGame};
};
} // namespace

const SqsGrammar& GrammarOf(const SqsCommand& row)
{
    static const GrammarTable table;
    return table.Of(row);
}
