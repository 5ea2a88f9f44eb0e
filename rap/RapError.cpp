#include "RapError.h"

const char* RapErrorText(RapError code)
{
    // The two spellings of the tag ("DeRap", "Derap") are part of the texts.
    static const char* const texts[] = {
        "DeRap: No error(s)",
        "DeRap: No File",
        "DeRap: Not a raP file",
        "DeRap: Cannot write to file",
        "DeRap: No signature",
        "Derap: Out of memory",
        "DeRap: Implied class body can't have inherit string",
        "DeRap: Entries expected",
        "DeRap: Unknown Entry type",
        "DeRap: Unknown ArrayType",
        "Derap: Unexpected EOF",
        "Derap: Token Name expected for entry",
        "Embedded arrays cannot have names",
        "Is xbox text meta file",
    };
    int index = static_cast<int>(code);
    if (index < 0 || index >= static_cast<int>(sizeof texts / sizeof texts[0]))
        return "DeRap: Unknown error";
    return texts[index];
}
