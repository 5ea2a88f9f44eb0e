#include "PatcherRun.h"


namespace patchertest
{
Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0)
{
    return testsupport::RunProgram(PATCHER_PATH, arguments, argument0);
}

std::string VersionLine(const std::string& program)
{
    return program + " Version 1.41\n";
}

std::string SyntaxText(const std::string& program)
{
    return "Syntax: " + program + " [-option] PatchPbo[.pbo] TargetPbo[.pbo]\r\n"
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
