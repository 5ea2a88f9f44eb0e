// Binarised configs decoded to text through the library's decoder.

#include "ConfigText.h"

#include <cstdio>
#include <cstdlib>

#include "rap/DeRap.h"

namespace cli
{
bool HasConfigSignature(const std::string& path)
{
    unsigned char head[4] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && (head[0] == 0 || head[0] == ' ') && head[1] == 'r' && head[2] == 'a' && head[3] == 'P';
}

bool DecodeConfigFile(const std::string& path, const DecodeOptions& options, std::string& text, std::string& message)
{
    DeRap decoder;
    decoder.usePragma = options.pragma;
    decoder.showOffsets = options.offsets;
    RapError code = decoder.OpenRapFile(path.c_str());
    if (code == 0)
    {
        const char* decoded = nullptr;
        code = decoder.ConvertRapData(&decoded);
        if (code == 0 && decoded)
            text.assign(decoded);
    }
    if (code != 0)
    {
        message = DeRap::ErrorString(code);
        return false;
    }
    return true;
}
} // namespace cli
