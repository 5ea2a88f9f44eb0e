// Binarised configs decoded to text for the derap command and for
// extraction with --derap.
#pragma once

#include <string>

namespace cli
{
struct DecodeOptions
{
    bool pragma = false;  // "#pragma" instead of "#define" in the header line
    bool offsets = false; // annotate class bodies with their file offsets
};

// The file starts with a binarised config's signature (a cheap test before
// the whole file is read).
bool HasConfigSignature(const std::string& path);

// Decodes the file; true with the text, or false with the decoder's message.
bool DecodeConfigFile(const std::string& path, const DecodeOptions& options, std::string& text, std::string& message);
} // namespace cli
