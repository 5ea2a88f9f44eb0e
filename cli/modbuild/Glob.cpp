// Glob matching for the build's file lists: one pass over the path per
// pattern token (a row of "the pattern so far matches the path so far"), so
// a match costs the path's length times the pattern's, never more.

#include "Glob.h"

#include <vector>

#include "frame/Text.h"

namespace cli
{
namespace modbuild
{
namespace
{
bool Same(char a, char b)
{
    return text::Lower(a) == text::Lower(b);
}

enum TokenKind
{
    Literal,
    AnyOne,    // ?
    AnyInName, // *
    AnyAtAll,  // **
    AnyFolders // **/ : nothing, or anything that ends with '/'
};

struct Token
{
    TokenKind kind;
    char c;
};

std::vector<Token> Tokens(const std::string& pattern)
{
    std::vector<Token> tokens;
    for (size_t i = 0; i < pattern.size(); ++i)
    {
        if (pattern[i] == '?')
            tokens.push_back({AnyOne, 0});
        else if (pattern[i] != '*')
            tokens.push_back({Literal, pattern[i]});
        else
        {
            size_t stars = 1;
            while (i + 1 < pattern.size() && pattern[i + 1] == '*')
            {
                ++i;
                ++stars;
            }
            if (stars == 1)
                tokens.push_back({AnyInName, 0});
            else if (i + 1 < pattern.size() && pattern[i + 1] == '/')
            {
                ++i;
                tokens.push_back({AnyFolders, 0});
            }
            else
                tokens.push_back({AnyAtAll, 0});
        }
    }
    return tokens;
}

// Matches text against pattern, both whole.
bool Match(const std::string& pattern, const std::string& text)
{
    const size_t n = text.size();
    std::vector<char> row(n + 1, 0), next(n + 1, 0);
    row[0] = 1;
    for (const Token& token : Tokens(pattern))
    {
        bool seen = false; // some earlier place of the row matched
        for (size_t j = 0; j <= n; ++j)
        {
            const char before = j > 0 ? text[j - 1] : 0;
            switch (token.kind)
            {
            case Literal:
                next[j] = j > 0 && row[j - 1] && Same(token.c, before);
                break;
            case AnyOne:
                next[j] = j > 0 && row[j - 1] && before != '/';
                break;
            case AnyInName:
                next[j] = row[j] || (j > 0 && next[j - 1] && before != '/');
                break;
            case AnyAtAll:
                next[j] = row[j] || (j > 0 && next[j - 1]);
                break;
            case AnyFolders:
                next[j] = row[j] || (seen && before == '/');
                break;
            }
            seen = seen || row[j];
        }
        row.swap(next);
    }
    return row[n] != 0;
}
} // namespace

bool GlobMatches(const std::string& pattern, const std::string& path)
{
    std::string cleaned = pattern;
    while (cleaned.compare(0, 2, "./") == 0)
        cleaned.erase(0, 2);
    while (!cleaned.empty() && cleaned[0] == '/')
        cleaned.erase(0, 1);
    while (!cleaned.empty() && cleaned.back() == '/')
        cleaned.pop_back();
    if (cleaned.empty())
        return false;
    if (cleaned.find('/') != std::string::npos)
        return Match(cleaned, path);
    const size_t slash = path.rfind('/');
    return Match(cleaned, slash == std::string::npos ? path : path.substr(slash + 1));
}

bool AnyGlobMatches(const std::vector<std::string>& patterns, const std::string& path)
{
    for (size_t end = path.find('/');; end = path.find('/', end + 1))
    {
        const std::string part = end == std::string::npos ? path : path.substr(0, end);
        for (const std::string& pattern : patterns)
        {
            if (GlobMatches(pattern, part))
                return true;
        }
        if (end == std::string::npos)
            return false;
    }
}
} // namespace modbuild
} // namespace cli
