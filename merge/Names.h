// File names of a patch run (program name, archive, output), for the patch
// program and the ostrel tool's patch command.
#pragma once

#include <string>

namespace names
{
// The program's file name for its messages: argument 0 after its last
// backslash or slash; "patcher" when there is no argument 0.
const char* ProgramName(const char* argument0);
// The file an archive name opens: ".pbo" is added unless the name's
// extension already is ".pbo", ignoring case.
std::string ArchiveFile(const char* name);
// The output archive: name without a trailing ".pbo" (ignoring case), then
// ".patched.pbo".
std::string OutputFile(const char* name);
// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b);
} // namespace names
