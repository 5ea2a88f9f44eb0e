// Runs the built patch program for its tests, and the texts it shows on
// every run.

#include "PatcherRun.h"

namespace patchertest
{
std::string DefaultArgument0()
{
#if defined(_WIN32)
    return "patcher";
#else
    return PATCHER_PATH;
#endif
}

Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0)
{
    testsupport::Launch launch;
    launch.argument0 = argument0;
    return testsupport::RunProgram(PATCHER_PATH, arguments, launch);
}

std::string VersionLine(const std::string& program)
{
    return program + " Version 1.41\n";
}

std::string SyntaxText(const std::string& program)
{
    return "Syntax: " + program +
           " [-option] PatchPbo[.pbo] TargetPbo[.pbo]\r\n"
           "\tOption will override detected pbo types\r\n"
           "\t-A Arma\r\n"
           "\t-APrefix Arma Prefix filename\r\n"
           "\t-a Arma no sha-key\r\n"
           "\t-c CWC\r\n"
           "\t-e Elite\r\n"
           "\t-r Resistance\r\n"
           "\tOuput is to <Target>.patched.pbo\r\n";
}
} // namespace patchertest
