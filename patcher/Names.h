#pragma once

#include <string>

// File names of the patch program.
namespace names
{
// Equal ignoring ASCII letter case, the way archive names compare.
bool EqualNoCase(const char* a, const char* b);
// The program's file name for its messages: argument 0 after its last
// backslash (on POSIX also after its last slash).
const char* ProgramName(const char* argument0);
// The file an archive name opens: ".pbo" is added unless the text after the
// last dot already is "pbo", ignoring case.
std::string ArchiveFile(const char* name);
// The output archive: name without a trailing ".pbo" (ignoring case), then
// ".patched.pbo".
std::string OutputFile(const char* name);
// The text after the last backslash or slash.
std::string BaseName(const std::string& path);
// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b);
} // namespace names
