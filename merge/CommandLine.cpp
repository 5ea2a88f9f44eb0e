// The patch program's command line: the flavour option, the two archive
// names, and the syntax text.

#include "CommandLine.h"

#include <cstdio>

namespace
{
// -A[prefix] and -a[prefix] choose ArmaNoSha; -c, -e and -r are exactly two
// characters.
bool ParseOption(const char* option, CommandLine& line)
{
    if (option[0] != '-')
        return false;
    const char letter = option[1];
    if (letter == 'A' || letter == 'a')
    {
        line.flavour = ArmaNoSha;
        line.prefix = option[2] ? option + 2 : nullptr;
    }
    else if (letter == 'c' && !option[2])
        line.flavour = Cwc;
    else if (letter == 'e' && !option[2])
        line.flavour = Elite;
    else if (letter == 'r' && !option[2])
        line.flavour = Resistance;
    else
        return false;
    line.optionGiven = true;
    return true;
}
} // namespace

bool ParseCommandLine(int argc, char* const* argv, CommandLine& line)
{
    line = CommandLine();
    if (argc == 3)
    {
        // An option with a single archive name is one name short.
        if (argv[1][0] == '-')
            return false;
        line.patch = argv[1];
        line.target = argv[2];
    }
    else if (argc == 4)
    {
        if (!ParseOption(argv[1], line))
            return false;
        line.patch = argv[2];
        line.target = argv[3];
    }
    else
        return false;
    line.outputBase = argv[2];
    return true;
}

void PrintSyntax(const char* program)
{
    std::fprintf(stderr, "Syntax: %s [-option] PatchPbo[.pbo] TargetPbo[.pbo]\r\n", program);
    std::fputs("\tOption will override detected pbo types\r\n"
               "\t-A Arma\r\n"
               "\t-APrefix Arma Prefix filename\r\n"
               "\t-a Arma no sha-key\r\n"
               "\t-c CWC\r\n"
               "\t-e Elite\r\n"
               "\t-r Resistance\r\n"
               "\tOuput is to <Target>.patched.pbo\r\n",
               stderr);
}
