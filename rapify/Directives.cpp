// The #define, #include and #pragma directives, carried out by the scanner
// where the parser met their word; #include splices files in front of the
// unread input, from disk or from an open archive.

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "../rap/RapFormat.h"
#include "ConfigScanner.h"
#include "DefineTable.h"
#include "IncludeHook.h"
#include "RapifyCodes.h"

namespace
{
// A name to include stays inside the top file's folder tree: no root, no
// drive, and no ".." step that climbs above where it starts.
bool StaysInside(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    int depth = 0;
    size_t start = 0;
    while (start <= name.size())
    {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string step = name.substr(start, end - start);
        if (step == "..")
        {
            if (--depth < 0)
                return false;
        }
        else if (!step.empty() && step != ".")
        {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}
} // namespace

bool ConfigScanner::ApplyPragma(const char* word, int32_t* layout)
{
    // Layouts are chosen at file level only.
    if (!layout)
        return false;
    if (text::EqualNoCase(word, "_arma_"))
    {
        *layout = rapformat::LayoutArma;
        return true;
    }
    if (text::EqualNoCase(word, "_xbox_"))
    {
        int r = NextToken(ScanMode::LineRest);
        *layout = (r == RapifyOk && strncasecmp(token, "WithSignature", 13) == 0) ? rapformat::LayoutXbox
                                                                                  : rapformat::LayoutArma;
        return true;
    }
    return false;
}

int ConfigScanner::PragmaDirective(int32_t* layout)
{
    if (NextToken(ScanMode::RawWord) != RapifyOk)
        return RapifyPragmaNotUnderstood;
    std::string word = token;
    return ApplyPragma(word.c_str(), layout) ? RapifyOk : RapifyPragmaNotUnderstood;
}

int ConfigScanner::DefineDirective(int32_t* layout)
{
    if (NextToken(ScanMode::RawWord) != RapifyOk)
        return RapifyDefineBadLabel;
    std::string name = token;
    if (text::EqualNoCase(name.c_str(), "_xbox_") || text::EqualNoCase(name.c_str(), "_arma_"))
        return ApplyPragma(name.c_str(), layout) ? RapifyOk : RapifyPragmaNotUnderstood;
    // Once a layout is chosen, "#define __EMPTYCLASS" at file level is left
    // out and the rest of its line is read as statements.
    if (layout && *layout != rapformat::LayoutInline && name == "__EMPTYCLASS")
        return RapifyOk;
    int r = NextToken(ScanMode::LineRest);
    if (r == RapifyNoMemory)
        return r;
    return defines->Define(name.c_str(), r == RapifyOk ? token : "");
}

int ConfigScanner::IncludeDirective(const char* folder)
{
    int r = NextToken(ScanMode::LineRest);
    if (r == RapifyNoIncludeName || r == RapifyNoMemory)
        return r;
    if (r != RapifyOk)
        return RapifyCannotInclude;
    std::string spec = token;
    if (IncludeFile(spec.c_str(), folder))
        return RapifyOk;
    return overBudget ? RapifyNoMemory : RapifyCannotInclude;
}

bool ConfigScanner::IncludeFile(const char* spec, const char* folder)
{
    char close;
    if (spec[0] == '"')
        close = '"';
    else if (spec[0] == '<')
        close = '>';
    else
        return false;
    const char* name = spec + 1;
    if (name[0] == '\\' || std::strlen(name) < 4)
        return false;
    if (const char* back = std::strchr(name, '\\'))
    {
        name = back + 1;
        if (!*name)
            return false;
    }
    std::string file = name;
    if (file.back() != close)
        return false;
    file.pop_back();
    if (!StaysInside(file))
        return false;

    // An include that includes itself, directly or through others, ends here.
    if (files.size() > static_cast<size_t>(MaxIncludeDepth) || includes >= MaxIncludes)
    {
        stopReason = files.size() > static_cast<size_t>(MaxIncludeDepth)
                         ? "#include nested more than " + std::to_string(MaxIncludeDepth) + " files deep"
                         : "more than " + std::to_string(MaxIncludes) + " #include files";
        return false;
    }

    char* included = nullptr;
    std::string source = file;
    if (archive)
    {
        included = rapify_hooks::ReadArchiveText(archive, file.c_str());
        if (!included)
            return false;
    }
    else
    {
        std::string path = folder && *folder ? std::string(folder) + "\\" + file : file;
        included = LoadText(path.c_str());
        source = platform::LocalPath(path.c_str());
        std::string matched;
        if (!included && platform::MatchNoCase(path.c_str(), matched))
        {
            included = LoadText(matched.c_str());
            source = matched;
        }
        stream.Close();
        if (!included)
            return false;
    }
    const size_t length = std::strlen(included);
    AddSource(source, length);
    bool spliced = Spend(length) && SpliceInput(included, source);
    std::free(included);
    return spliced;
}

bool ConfigScanner::SpliceInput(const char* included, const std::string& name)
{
    size_t includedLength = std::strlen(included);
    size_t offset = static_cast<size_t>(inputPosition - input);
    size_t restLength = inputLength - offset;
    size_t length = includedLength + 2 + restLength;
    char* joined = static_cast<char*>(std::malloc(length + 1));
    if (!joined)
        return false;
    std::memcpy(joined, included, includedLength);
    std::memcpy(joined + includedLength, "\r\n", 2);
    std::memcpy(joined + includedLength + 2, inputPosition, restLength + 1);
    // Open includes end later by the same amount the unread input moved.
    try
    {
        for (size_t i = 1; i < files.size(); ++i)
        {
            size_t& textEnd = files[i].textEnd;
            size_t& end = files[i].end;
            textEnd = textEnd >= offset ? textEnd - offset + includedLength + 2 : 0;
            end = end >= offset ? end - offset + includedLength + 2 : 0;
        }
        files.push_back(OpenFile{name, 0, includedLength, includedLength + 2});
    }
    catch (...)
    {
        std::free(joined);
        return false;
    }
    ++includes;
    // The line (and any expansion read from it) ends with the directive.
    PopAll();
    std::free(line);
    std::free(token);
    std::free(input);
    line = token = nullptr;
    position = lineEnd = nullptr;
    lineCapacity = tokenCapacity = 0;
    input = joined;
    inputLength = length;
    inputPosition = input;
    return true;
}
