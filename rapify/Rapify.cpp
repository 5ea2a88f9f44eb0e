// The config compiler object: compile entry points, tree lookups, scanner
// state accessors and the message table.

#include "Rapify.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "../frame/AllocFail.h"
#include "../frame/OwnedString.h"
#include "../frame/Platform.h"
#include "../frame/PrefixFile.h"
#include "../frame/Text.h"
#include "Classes.h"
#include "ConfigScanner.h"
#include "DefineTable.h"
#include "Preprocessor.h"
#include "RapifyCodes.h"

Rapify::Rapify() : scanner(new ConfigScanner) {}

Rapify::~Rapify()
{
    Clear();
    delete scanner;
}

void Rapify::Clear()
{
    delete root;
    root = nullptr;
}

int Rapify::ProcessFile(const char* path, ProgressCallback callback)
{
    char* text = path ? scanner->LoadText(path) : nullptr;
    scanner->Stream().Close();
    uint64_t size = 0;
    // An empty file is an empty config, not a missing one.
    if (!text && path && platform::FindFileSize(path, size) && size == 0)
        text = static_cast<char*>(std::calloc(1, 1));
    int result = ProcessBuffer(text, path, callback, nullptr);
    std::free(text);
    return result;
}

int Rapify::ProcessBuffer(const char* text, const char* path, ProgressCallback callback, RazDLL* dll)
{
    diagnostics.clear();
    preprocessed.clear();
    sourceFiles.clear();
    missedFiles.clear();
    mapped = false;
    if (!text)
        return RapifyCannotOpen;
    if (!path)
        path = "";
    if (dialect == RapifyDialect::Current)
        return ProcessCurrent(text, path, callback, dll);
    return ProcessClassic(text, path, callback, dll);
}

// The current dialect: the preprocessor writes plain text, which the parser
// then reads without directives of its own; where it stops is told in the
// file and line the text came from.
int Rapify::ProcessCurrent(const char* text, const char* path, ProgressCallback callback, RazDLL* dll)
{
    int result = RapifyOk;
    std::unique_ptr<ConfigPreprocessor> preprocessor;
    try
    {
        preprocessor.reset(new ConfigPreprocessor(mounts));
        preprocessor->SetArchive(dll);
        preprocessor->SetFixedTime(fixedTime);
        result = preprocessor->Run(text, path, preprocessed);
        diagnostics = preprocessor->Diagnostics();
        sourceFiles = preprocessor->Files();
        missedFiles = preprocessor->Missed();
    }
    catch (const std::bad_alloc&)
    {
        result = RapifyNoMemory;
    }
    mapped = true;
    if (result != RapifyOk || !preprocessor)
    {
        Clear();
        stopFile = diagnostics.empty() ? path : diagnostics.back().file;
        stopLine = diagnostics.empty() ? 0 : diagnostics.back().line;
        preprocessed.clear();
        return result != RapifyOk ? result : RapifyNoMemory;
    }
    scanner->SetPlain(true);
    result = ProcessClassic(preprocessed.c_str(), path, callback, dll);
    scanner->SetPlain(false);
    mapped = true;
    stopFile = path;
    stopLine = 0;
    const std::vector<ConfigPreprocessor::Origin>& origins = preprocessor->Origins();
    const int line = scanner->CurrentLine();
    if (line > 0 && static_cast<size_t>(line) <= origins.size())
    {
        stopFile = preprocessor->Files()[static_cast<size_t>(origins[static_cast<size_t>(line - 1)].file)];
        stopLine = origins[static_cast<size_t>(line - 1)].line;
    }
    if (result != RapifyOk)
    {
        RapifyDiagnostic finding;
        finding.file = stopFile;
        finding.line = stopLine;
        finding.message = ErrString(result);
        // The scanner's finding where it explains the parser's code.
        const int token = GetReturnedToken();
        if (token != result && (token == RapifyEof || token == RapifyMismatchedQuotes || token == RapifyNoToken ||
                                token == RapifyExpectedParenthesis || token == RapifyNotEnoughParameters))
            finding.message += std::string(" (") + ErrString(token) + ")";
        if (GetLimitText())
            finding.message += std::string(": ") + GetLimitText();
        if (line > 0 && static_cast<size_t>(line) <= origins.size())
            PlaceFinding(*preprocessor, static_cast<size_t>(line - 1), finding);
        diagnostics.push_back(finding);
    }
    return result;
}

// The parser's place in the preprocessed text, told in the source: the
// scanner took the blanks before the line off, the preprocessor maps the
// rest back through the expansions of that line.
void Rapify::PlaceFinding(const ConfigPreprocessor& preprocessor, size_t index, RapifyDiagnostic& finding) const
{
    size_t start = 0;
    for (size_t k = 0; k < index && start < preprocessed.size(); ++k)
    {
        const size_t end = preprocessed.find('\n', start);
        start = end == std::string::npos ? preprocessed.size() : end + 1;
    }
    size_t lead = 0;
    while (start + lead < preprocessed.size() &&
           (preprocessed[start + lead] == ' ' || preprocessed[start + lead] == '\t'))
        ++lead;
    const long column = stopColumn;
    int place = 0;
    preprocessor.SourcePlace(index, lead + (column > 0 ? static_cast<size_t>(column) : 0), finding.source, place);
    finding.column = column >= 0 ? place : 0;
}

int Rapify::PreprocessBuffer(const char* text, const char* path)
{
    diagnostics.clear();
    preprocessed.clear();
    if (!text)
        return RapifyCannotOpen;
    int result = RapifyOk;
    try
    {
        ConfigPreprocessor preprocessor(mounts);
        preprocessor.SetFixedTime(fixedTime);
        result = preprocessor.Run(text, path ? path : "", preprocessed);
        diagnostics = preprocessor.Diagnostics();
    }
    catch (const std::bad_alloc&)
    {
        result = RapifyNoMemory;
    }
    if (result != RapifyOk)
        preprocessed.clear();
    return result;
}

void Rapify::AddMount(const char* prefix, const char* folder)
{
    if (!folder)
        return;
    std::string cleaned = prefix ? prefix : "";
    for (char& c : cleaned)
    {
        if (c == '/')
            c = '\\';
    }
    while (!cleaned.empty() && cleaned.front() == '\\')
        cleaned.erase(0, 1);
    while (!cleaned.empty() && cleaned.back() == '\\')
        cleaned.pop_back();
    mounts.push_back(RapifyMount{cleaned, folder});
}

namespace
{
const int MaxMountDepth = 32;
const int MaxMountFolders = 100000;

void FindPrefixed(const std::string& folder, int depth, int& seen, std::vector<RapifyMount>& found)
{
    if (depth > MaxMountDepth || ++seen > MaxMountFolders)
        return;
    std::string prefix;
    if (ostrel_internal::prefixfile::ReadFolderPrefix(folder, prefix))
        found.push_back(RapifyMount{prefix, folder});
    platform::FindRecord record;
    std::vector<std::string> subfolders;
    intptr_t handle = platform::FindFirst((folder + "\\*.*").c_str(), record);
    if (handle < 0)
        return;
    do
    {
        if ((record.attrib & platform::AttrFolder) &&
            !(record.attrib & (platform::AttrHidden | platform::AttrSystem)) && std::strcmp(record.name, ".") != 0 &&
            std::strcmp(record.name, "..") != 0)
            subfolders.push_back(folder + "\\" + record.name);
    } while (platform::FindNext(handle, record));
    platform::FindClose(handle);
    for (const std::string& sub : subfolders)
        FindPrefixed(sub, depth + 1, seen, found);
}
} // namespace

int Rapify::AddMountTree(const char* root)
{
    if (!root)
        return 0;
    std::vector<RapifyMount> found;
    int seen = 0;
    try
    {
        FindPrefixed(root, 0, seen, found);
        for (const RapifyMount& mount : found)
            AddMount(mount.prefix.c_str(), mount.folder.c_str());
        AddMount("", root);
    }
    catch (const std::bad_alloc&)
    {
        return 0;
    }
    return static_cast<int>(found.size());
}

int Rapify::ProcessClassic(const char* text, const char* path, ProgressCallback callback, RazDLL* dll)
{
    scanner->SetCallback(callback);
    scanner->SetTopFile(path);
    int result = RapifyOk;
    if (!scanner->Reset(text, dll))
        result = RapifyNoMemory;
    Clear();
    layout = startLayout;
    enums.Clear();

    // Allocation failures of the standard containers inside the compile end
    // it with "No Memory"; nothing leaves the library as an exception.
    try
    {
        std::unique_ptr<DefineTable> defines;
        if (result == RapifyOk)
        {
            defines.reset(new DefineTable(&enums));
            root = new Classes(scanner);
            root->name = static_cast<char*>(ostrel_internal::alloc::Allocate(std::strlen(text::BaseName(path)) + 1));
            if (!root->name)
                result = RapifyNoMemory;
            else
                std::strcpy(root->name, text::BaseName(path));
        }
        OwnedString folder;
        if (result == RapifyOk)
        {
            // #include resolves in the folder of the source: the path with
            // backslashes only, cut before its last one.
            if (!OwnedString::FormatString(folder, "%s", path))
                result = RapifyNoMemory;
            else
            {
                for (char* c = folder.Get(); *c; ++c)
                {
                    if (*c == '/')
                        *c = '\\';
                }
                char* last = std::strrchr(folder.Get(), '\\');
                *(last ? last : folder.Get()) = '\0';
            }
        }
        if (result == RapifyOk)
        {
            root->kind = EntryKind::Class;
            scanner->SetDefines(defines.get());
            result = root->ParseBody(folder.c_str(), &layout, 0);
        }
    }
    catch (const std::bad_alloc&)
    {
        result = RapifyNoMemory;
    }
    scanner->SetDefines(nullptr);
    // Wherever the parser met it, a passed budget is a lack of memory.
    if (result != RapifyOk && scanner->OverBudget())
        result = RapifyNoMemory;
    if (result != RapifyOk)
        Clear();
    stopColumn = scanner->TokenColumn();
    scanner->Reset(nullptr, nullptr);
    return result;
}

Classes* Rapify::FindClass(const char* name) const
{
    if (!root || !name)
        return nullptr;
    for (Classes* entry = root->child; entry; entry = entry->next)
    {
        if (entry->kind == EntryKind::Class && text::EqualNoCase(entry->name, name))
            return entry;
    }
    return nullptr;
}

Classes* Rapify::GetFirstEntry() const
{
    return root;
}

const char* Rapify::GetCurrentFile() const
{
    return mapped ? stopFile.c_str() : scanner->CurrentFile();
}

int Rapify::GetCurrentLine() const
{
    return mapped ? stopLine : scanner->CurrentLine();
}

const char* Rapify::GetLimitText() const
{
    return scanner->StopReason().empty() ? nullptr : scanner->StopReason().c_str();
}

int Rapify::LineCount() const
{
    return scanner->LineCount();
}

char* Rapify::GetReadToken() const
{
    return scanner->Token();
}

int Rapify::GetReturnedToken() const
{
    return scanner->LastCode();
}

ProgressCallback Rapify::GetCallback() const
{
    return scanner->Callback();
}

const char* Rapify::ErrString(int code)
{
    // Every code has a case (no default), so a code without a text is a
    // compile warning.
    switch (static_cast<RapifyCode>(code))
    {
    case RapifyOk:
        return "No Error";
    case RapifyNoMemory:
        return "No Memory";
    case RapifyUnknownPacket:
        return "Output Unknown packet type decoded (internal error)";
    case RapifyUnknownArrayType:
        return "Internal error: unknown array type decoded";
    case RapifyCannotWrite:
        return "Cannot write to file";
    case RapifyUnexpectedBrace:
        return "Unexpected {";
    case RapifyExpectedSemicolon:
        return "Expected Semicolon (or eol)";
    case RapifyEof:
        return "EOF encountered";
    case RapifyMismatchedQuotes:
        return "Mismatched quotes";
    case RapifyNoToken:
        return "No Read.Token";
    case RapifyExpectedStatement:
        return "Expected class, define, or varname";
    case RapifyExpectedClassName:
        return "Expected class name";
    case RapifyExpectedInheritOrBrace:
        return "Expected Inherit or {";
    case RapifyExpectedInheritLabel:
        return "Expected Inheritance label";
    case RapifyExpectedBraceAfterInherit:
        return "Expected Brace after inherit";
    case RapifyExpectedArrayOrAssign:
        return "Expected array[] or =";
    case RapifyExpectedAssign:
        return "Expected =";
    case RapifyExpectedArrayBrace:
        return "Expected { on array";
    case RapifyExpectedBracket:
        return "Expected ]";
    case RapifyExpectedValue:
        return "Expected value after =";
    case RapifyExpectedArrayValue:
        return "Expected value , or {} in array";
    case RapifyDefineBadLabel:
        return "#Define bad label";
    case RapifyPragmaNotUnderstood:
        return "#pragma not understood";
    case RapifyDefineNoValue:
        return "#define no value";
    case RapifyDefineNotInteger:
        return "#define not integer";
    case RapifyExpectedParenthesis:
        return "Expected ) during define expansion";
    case RapifyNoDefineFound:
        return "No define() found";
    case RapifyNotEnoughParameters:
        return "Not enough parms in define expansion";
    case RapifyNoEndParenthesis:
        return "No end ) on definition";
    case RapifyNoIncludeName:
        return "no value for define";
    case RapifyCannotOpen:
        return "cannot open file";
    case RapifyCannotHandleHash:
        return "Cannot Handle ## in defines";
    case RapifyCannotInclude:
        return "Cannot include (or error in) file";
    case RapifyNoClasses:
        return "No classes have been built";
    }
    return "unknown error type";
}
