// Small text helpers of the ostrel tool for file names.

#include "PathText.h"

namespace cli
{
std::string LowerAscii(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && LowerAscii(text.substr(text.size() - suffix.size())) == LowerAscii(suffix);
}
} // namespace cli
