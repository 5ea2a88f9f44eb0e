// Addon prefix files: one line, or key=value lines with "prefix=".

#include "PrefixFile.h"

#include <cstdio>
#include <vector>

#include "Platform.h"
#include "Text.h"

namespace ostrel_internal
{
namespace prefixfile
{
namespace
{
const size_t PrefixFileLimit = 64u << 10;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trimmed(const char* begin, const char* end)
{
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
    return std::string(begin, end);
}
} // namespace

const char* const Names[4] = {"$PBOPREFIX$", "$PBOPREFIX$.txt", "pboprefix.txt", "$PREFIX$"};

bool ParsePrefixText(const char* text, size_t length, std::string& prefix)
{
    std::string first;
    bool keyed = false;
    bool firstSeen = false;
    const char* end = text + length;
    for (const char* line = text; line < end;)
    {
        const char* stop = line;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        std::string content = Trimmed(line, stop);
        line = stop < end ? stop + 1 : end;
        if (!firstSeen)
        {
            first = content;
            firstSeen = true;
        }
        size_t equals = content.find('=');
        if (equals == std::string::npos)
            continue;
        keyed = true;
        std::string key = Trimmed(content.data(), content.data() + equals);
        if (text::EqualNoCase(key.c_str(), "prefix"))
        {
            prefix = Trimmed(content.data() + equals + 1, content.data() + content.size());
            return !prefix.empty();
        }
    }
    // Key=value lines without a prefix line name no prefix.
    if (keyed || first.empty())
        return false;
    prefix = first;
    return true;
}

bool ReadPrefixFile(const char* path, std::string& prefix)
{
    FILE* file = platform::OpenFile(path, "rb");
    if (!file)
        return false;
    std::vector<char> buffer(PrefixFileLimit);
    size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed && ParsePrefixText(buffer.data(), got, prefix);
}

bool ReadFolderPrefix(const std::string& folder, std::string& prefix)
{
    for (const char* name : Names)
    {
        std::string path = folder + "\\" + name;
        std::string found;
        uint64_t size = 0;
        if (platform::FindFileSize(path.c_str(), size) && ReadPrefixFile(path.c_str(), prefix))
            return true;
        if (platform::MatchNoCase(path.c_str(), found) && platform::FindFileSize(found.c_str(), size) &&
            ReadPrefixFile(found.c_str(), prefix))
            return true;
    }
    return false;
}
} // namespace prefixfile
} // namespace ostrel_internal
