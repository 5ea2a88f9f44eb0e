// Test data for the export check: declarations it must find or miss.
#pragma once

// Declarations the export check reads: one class with a member and one
// data-only struct of the real library, and a class the library lacks.
class OSTREL_API Ostrel
{
    int OpenPbo(const char* name);
};

struct OSTREL_API PboHeaderEntry
{
    char* name;
};

class OSTREL_API NotInTheLibrary
{
    void Member();
};
