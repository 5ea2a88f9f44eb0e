// The patch program's command line, parsed for the patch program and the
// ostrel tool's patch command.
#pragma once

#include "pbo/PboFormat.h"

// The command line: [option] PatchPbo TargetPbo.
struct CommandLine
{
    bool optionGiven = false;
    PboFlags flavour = Cwc;       // the option's flavour
    const char* prefix = nullptr; // the text after -A or -a, when there is any
    const char* patch = nullptr;
    const char* target = nullptr;
    const char* outputBase = nullptr; // the second argument names the output
};

// False on a syntax error.
bool ParseCommandLine(int argc, char* const* argv, CommandLine& line);
// The syntax text, to standard error.
void PrintSyntax(const char* program);
