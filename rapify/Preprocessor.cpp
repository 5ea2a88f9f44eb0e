// The current game's config preprocessor: comments and continued lines,
// directives with conditional blocks, macro expansion and includes.

#include "Preprocessor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "../frame/Platform.h"
#include "../frame/Text.h"
#include "ConfigScanner.h"
#include "IncludeHook.h"
#include "RapifyCodes.h"

// Behaviour chosen where the game's own is not known, kept in one place:
// - Comments: single quotes are no strings to the comment stripper (a '"'
//   between them opens a string); a string ends at its line end.
// - A backslash before a line end joins lines inside strings too.
// - A macro does not expand inside its own expansion: the name stays.
// - #undef of an unknown name warns; a second #define replaces the first and
//   warns when it differs.
// - A comma inside a quoted argument stays in it; blanks around arguments
//   stay, inside # too, and runs of blanks are not collapsed.
// - ## outside a macro body is plain text; what ## made is read again.
// - A parameter name inside a double-quoted string of a body is text.
// - #if: numbers, + - * / %, parentheses and one comparison; &&, ||, !,
//   defined(), strings and undefined names are refused. #elif is unknown.
// - #pragma other than the layout ones warns and is dropped.
// - __LINE__ is the first line of a continued line; __FILE__ inside an
//   included file is that file's game path.
// - __EVAL computes when preprocessing: a whole number within 32 bits is
//   written as an integer, anything else with 9 significant digits.
// - F() passes no argument to a macro without parameters; a function-like
//   name without '(' stays as it is; a call may run over several lines.
// - Variadic macros: a parameter list ending in "..." takes any further
//   arguments, which __VA_ARGS__ gives as written, commas included (nothing
//   when there are none); __VA_OPT__ and every other __VA_..__ name are
//   refused, as is __VA_ARGS__ in a macro without "...".
// - Strings next to each other across blanks and line ends (at most one \n
//   written between them) are one string with a line feed between.
// - With an archive open, #include reads its entries: a game path by the
//   longest tail of it that names an entry.

namespace
{
// Character classes by table: 1 starts a name, 2 continues one, 4 matters
// when parentheses are counted.
struct NameTable
{
    unsigned char kind[256] = {};
    NameTable()
    {
        for (int c = 0; c < 256; ++c)
        {
            const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
            kind[c] = static_cast<unsigned char>((start ? 1 : 0) | (start || (c >= '0' && c <= '9') ? 2 : 0) |
                                                 (c == '"' || c == '(' || c == ')' || c == ',' ? 4 : 0));
        }
    }
};
const NameTable names;

bool IsNameStart(char c)
{
    return (names.kind[static_cast<unsigned char>(c)] & 1) != 0;
}

bool IsNameChar(char c)
{
    return (names.kind[static_cast<unsigned char>(c)] & 2) != 0;
}

bool IsGrouping(char c)
{
    return (names.kind[static_cast<unsigned char>(c)] & 4) != 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

size_t SkipBlanks(std::string_view s, size_t i)
{
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

size_t NameEnd(std::string_view s, size_t i)
{
    while (i < s.size() && IsNameChar(s[i]))
        ++i;
    return i;
}

// Past a double-quoted string that starts at i (at its end when unclosed).
size_t StringEnd(std::string_view s, size_t i)
{
    size_t close = s.find('"', i + 1);
    return close == std::string::npos ? s.size() : close + 1;
}

// Appends the logical line that starts at pos to line: continued lines
// joined, the backslash and the line end gone, the next line's indentation
// kept. pos moves past it; answers the count of physical lines read.
int AppendLogicalLine(const std::string& text, size_t& pos, std::string& line)
{
    int lines = 0;
    for (;;)
    {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        line.append(text, pos, end - pos);
        pos = end < text.size() ? end + 1 : end;
        ++lines;
        if (line.empty() || line.back() != '\\' || pos >= text.size())
            return lines;
        line.pop_back();
    }
}

std::string Trim(std::string_view s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && (IsBlank(s[b]) || s[b] == '\n'))
        ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\n'))
        --e;
    return std::string(s.substr(b, e - b));
}

// Comments go first: "//" to the line end and "/* */" (keeping the line ends
// it spans), except inside double-quoted strings. A string ends at its line
// end, so one odd quote cannot hide the rest of the file; single quotes are
// no strings here, so a '"' between them opens one.
std::string StripComments(const char* text)
{
    std::string out;
    out.reserve(std::strlen(text));
    bool quoted = false;
    for (const char* p = text; *p;)
    {
        // Ordinary text is copied in runs.
        const char* run = p;
        while (*p && *p != '\r' && *p != '\n' && *p != '"' && *p != '/')
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (!*p)
            break;
        char c = *p;
        if (c == '\r' && p[1] == '\n')
        {
            ++p;
            continue;
        }
        if (c == '\n')
            quoted = false;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '/' && p[1] == '/')
        {
            while (*p && *p != '\n')
                ++p;
            continue;
        }
        else if (!quoted && c == '/' && p[1] == '*')
        {
            p += 2;
            while (*p && !(p[0] == '*' && p[1] == '/'))
            {
                if (*p == '\n')
                    out += '\n';
                ++p;
            }
            if (*p)
                p += 2;
            continue;
        }
        out += c;
        ++p;
    }
    return out;
}

// Folds "." and ".." steps of a backslash path; false when ".." climbs above
// its start.
bool Normalise(const std::string& path, std::string& out)
{
    std::vector<std::string> steps;
    size_t start = 0;
    const bool rooted = !path.empty() && path[0] == '\\';
    while (start <= path.size())
    {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        std::string step = path.substr(start, end - start);
        if (step == "..")
        {
            if (steps.empty() || steps.back() == "..")
            {
                if (rooted)
                    return false;
                steps.push_back(step);
            }
            else
                steps.pop_back();
        }
        else if (!step.empty() && step != ".")
            steps.push_back(step);
        start = end + 1;
    }
    out = rooted ? "\\" : "";
    for (size_t i = 0; i < steps.size(); ++i)
        out += (i ? "\\" : "") + steps[i];
    return true;
}

std::string Backslashed(std::string path)
{
    for (char& c : path)
    {
        if (c == '/')
            c = '\\';
    }
    return path;
}

std::string Folder(const std::string& path)
{
    size_t last = path.find_last_of('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "\\" + name;
}

std::string NumberText(double value)
{
    char buffer[64];
    if (std::fabs(value) < 2147483648.0 && value == std::floor(value))
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    else
        std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

// Arithmetic over numbers, + - * / %, parentheses and (where allowed)
// variables, with at most one comparison on top (for #if). Anything else
// is refused with the construct named.
class Evaluator
{
public:
    Evaluator(const std::string& text, const std::map<std::string, double>* variables, bool compare)
        : s(text), vars(variables), compare(compare)
    {
    }
    bool Run(double& value)
    {
        if (!Comparison(value))
            return false;
        pos = SkipBlanks(s, pos);
        if (pos < s.size())
            return Refuse();
        return true;
    }
    std::string error;

private:
    bool Refuse()
    {
        if (error.empty())
        {
            pos = SkipBlanks(s, pos);
            std::string what = pos < s.size() ? s.substr(pos, IsNameChar(s[pos]) ? NameEnd(s, pos) - pos : 1) : "";
            if (pos + 1 < s.size() && std::strchr("&|=!<>", s[pos]) && std::strchr("&|=", s[pos + 1]))
                what = s.substr(pos, 2);
            error = what.empty() ? "expression ends early" : "'" + what + "' is not supported";
        }
        return false;
    }
    bool Take(const char* op)
    {
        pos = SkipBlanks(s, pos);
        size_t n = std::strlen(op);
        if (s.compare(pos, n, op) != 0)
            return false;
        pos += n;
        return true;
    }
    bool Comparison(double& v)
    {
        if (!Sum(v))
            return false;
        if (!compare)
            return true;
        static const char* const ops[] = {"==", "!=", "<=", ">=", "<", ">"};
        for (int k = 0; k < 6; ++k)
        {
            if (!Take(ops[k]))
                continue;
            double r = 0;
            if (!Sum(r))
                return false;
            const bool results[] = {v == r, v != r, v <= r, v >= r, v<r, v> r};
            v = results[k] ? 1 : 0;
            return true;
        }
        return true;
    }
    bool Sum(double& v)
    {
        if (!Product(v))
            return false;
        for (;;)
        {
            double r = 0;
            if (Take("+"))
            {
                if (!Product(r))
                    return false;
                v += r;
            }
            else if (Take("-"))
            {
                if (!Product(r))
                    return false;
                v -= r;
            }
            else
                return true;
        }
    }
    bool Product(double& v)
    {
        if (!Unary(v))
            return false;
        for (;;)
        {
            double r = 0;
            char op = 0;
            pos = SkipBlanks(s, pos);
            if (pos < s.size() && (s[pos] == '*' || s[pos] == '/' || s[pos] == '%'))
                op = s[pos++];
            else
                return true;
            if (!Unary(r))
                return false;
            if (op != '*' && r == 0)
            {
                error = "division by zero";
                return false;
            }
            v = op == '*' ? v * r : op == '/' ? v / r : std::fmod(v, r);
        }
    }
    bool Unary(double& v)
    {
        if (++depth > 200)
        {
            error = "expression nested too deep";
            return false;
        }
        bool ok;
        if (Take("-"))
        {
            ok = Unary(v);
            v = -v;
        }
        else if (Take("+"))
            ok = Unary(v);
        else
            ok = Primary(v);
        --depth;
        return ok;
    }
    bool Primary(double& v)
    {
        pos = SkipBlanks(s, pos);
        if (pos >= s.size())
            return Refuse();
        if (Take("("))
            return Sum(v) && (Take(")") || Refuse());
        const char* start = s.c_str() + pos;
        if ((s[pos] >= '0' && s[pos] <= '9') || s[pos] == '.')
        {
            char* end = nullptr;
            v = (s[pos] == '0' && pos + 1 < s.size() && (s[pos + 1] == 'x' || s[pos + 1] == 'X'))
                    ? static_cast<double>(std::strtoll(start, &end, 16))
                    : std::strtod(start, &end);
            if (end == start)
                return Refuse();
            pos += static_cast<size_t>(end - start);
            if (pos < s.size() && IsNameChar(s[pos]))
                return Refuse();
            return true;
        }
        if (vars && IsNameStart(s[pos]))
        {
            size_t end = NameEnd(s, pos);
            auto found = vars->find(s.substr(pos, end - pos));
            if (found == vars->end())
            {
                error = "'" + s.substr(pos, end - pos) + "' has no value";
                return false;
            }
            v = found->second;
            pos = end;
            return true;
        }
        if (IsNameStart(s[pos]) && !vars)
        {
            error = "'" + s.substr(pos, NameEnd(s, pos) - pos) + "' is not defined";
            return false;
        }
        return Refuse();
    }

    const std::string s; // a copy: callers may pass a temporary
    const std::map<std::string, double>* vars;
    bool compare;
    size_t pos = 0;
    int depth = 0;
};
} // namespace

int ConfigPreprocessor::Report(int code, const std::string& message, bool warning)
{
    RapifyDiagnostic d;
    if (!openFiles.empty())
        d.file = fileNames[static_cast<size_t>(openFiles.back()->index)];
    d.line = lineNumber;
    d.column = static_cast<int>(column) + 1;
    d.warning = warning;
    d.message = message;
    d.source = std::string(currentLine.substr(0, currentLine.find('\n')));
    macroNotes = 0; // the macros that led here add theirs on the way out
    for (auto f = openFiles.rbegin(); f != openFiles.rend(); ++f)
    {
        if (!(*f)->inclusion.empty())
            d.notes.push_back((*f)->inclusion);
    }
    diagnostics.push_back(d);
    return warning ? RapifyOk : code;
}

bool ConfigPreprocessor::Spend(size_t bytes)
{
    spentBytes += bytes;
    if (spentBytes <= BudgetBase + BudgetPerSourceByte * sourceBytes)
        return true;
    failure = Report(RapifyNoMemory, "preprocessed text grows beyond the compile's budget");
    return false;
}

int ConfigPreprocessor::Run(const char* text, const std::string& path, std::string& out)
{
    output = &out;
    out.clear();
    std::string top;
    if (!path.empty() && platform::ResolvePath(path.c_str(), top))
        roots.push_back(Folder(Backslashed(top)));
    for (const RapifyMount& mount : mounts)
    {
        std::string resolved;
        if (platform::ResolvePath(mount.folder.c_str(), resolved))
            roots.push_back(Backslashed(resolved));
    }
    OpenFile file{0, Backslashed(path), "", ""};
    file.game = GamePathOf(file.disk);
    fileNames.push_back(path);
    sourceBytes = std::strlen(text);
    // Configs come out near their own size: growing by copies costs more.
    out.reserve(static_cast<size_t>(sourceBytes + sourceBytes / 2));
    texts.push_back(StripComments(text));
    return ProcessFile(texts.back(), file);
}

bool ConfigPreprocessor::Inside(const std::string& disk) const
{
    std::string resolved;
    if (!platform::ResolvePath(disk.c_str(), resolved))
        return false;
    resolved = Backslashed(resolved);
    for (const std::string& root : roots)
    {
        if (resolved.size() > root.size() && resolved.compare(0, root.size(), root) == 0 &&
            (resolved[root.size()] == '\\' || root == "\\"))
            return true;
    }
    return false;
}

std::string ConfigPreprocessor::GamePathOf(const std::string& disk) const
{
    std::string resolved;
    if (platform::ResolvePath(disk.c_str(), resolved))
    {
        resolved = Backslashed(resolved);
        for (const RapifyMount& mount : mounts)
        {
            std::string root;
            if (!platform::ResolvePath(mount.folder.c_str(), root))
                continue;
            root = Backslashed(root);
            if (resolved.size() > root.size() && resolved.compare(0, root.size(), root) == 0 &&
                resolved[root.size()] == '\\')
            {
                std::string rest = resolved.substr(root.size() + 1);
                return mount.prefix.empty() ? rest : mount.prefix + "\\" + rest;
            }
        }
    }
    std::string plain;
    Normalise(disk, plain);
    return plain[0] == '\\' ? plain.substr(1) : plain;
}

bool ConfigPreprocessor::FindGamePath(const std::string& game, std::string& disk, bool& caseOnly)
{
    const std::string lower = text::LowerAscii(game);
    for (const RapifyMount& mount : mounts)
    {
        std::string prefix = text::LowerAscii(Backslashed(mount.prefix));
        while (!prefix.empty() && prefix[0] == '\\')
            prefix.erase(0, 1);
        while (!prefix.empty() && prefix.back() == '\\')
            prefix.pop_back();
        std::string rest;
        if (prefix.empty())
            rest = game;
        else if (lower.compare(0, prefix.size(), prefix) == 0 && lower.size() > prefix.size() &&
                 lower[prefix.size()] == '\\')
            rest = game.substr(prefix.size() + 1);
        else
            continue;
        std::string candidate = JoinPath(Backslashed(mount.folder), rest);
        uint64_t size = 0;
        if (platform::FindFileSize(candidate.c_str(), size))
        {
            disk = candidate;
            caseOnly = false;
            return true;
        }
        std::string found;
        if (platform::MatchNoCase(candidate.c_str(), found) && platform::FindFileSize(found.c_str(), size))
        {
            disk = Backslashed(found);
            caseOnly = true;
            return true;
        }
        missed.push_back(candidate);
    }
    return false;
}

int ConfigPreprocessor::ProcessFile(const std::string& text, OpenFile& file)
{
    openFiles.push_back(&file);
    // Per open conditional block: bit 0 kept, bit 1 after #else, bit 2 inside a
    // skipped block (nothing of it is kept).
    std::vector<int> conditions;
    size_t pos = 0;
    int physical = 1;
    int result = RapifyOk;
    std::string line; // buffers kept for their capacity
    std::string expanded;
    while (pos < text.size() && result == RapifyOk)
    {
        // A logical line: continued lines joined, the backslash and the line
        // end gone, the next line's indentation kept.
        line.clear();
        const int first = physical;
        physical += AppendLogicalLine(text, pos, line);
        currentLine = line;
        lineNumber = first;
        column = 0;
        const size_t hash = SkipBlanks(line, 0);
        const bool skipping = !conditions.empty() && (conditions.back() & 1) == 0;
        if (hash < line.size() && line[hash] == '#')
        {
            result = Directive(line, hash, file, conditions);
            continue;
        }
        if (skipping)
            continue;
        // A macro call whose parentheses stay open takes in the next lines.
        // The count goes on where the last line taken in stopped (inside a
        // string, if one was open there), so a long run of such lines costs
        // linear time.
        int depth = 0;
        size_t scanned = 0;
        bool inString = false;
        for (;;)
        {
            for (size_t i = scanned; i < line.size(); ++i)
            {
                if (inString)
                {
                    const size_t close = line.find('"', i);
                    if (close == std::string::npos)
                        break;
                    inString = false;
                    i = close;
                    continue;
                }
                if (!IsGrouping(line[i]))
                    continue;
                if (line[i] == '"')
                    inString = true;
                else if (line[i] == '(')
                    ++depth;
                else if (line[i] == ')')
                    --depth;
            }
            scanned = line.size();
            if (depth <= 0 || pos >= text.size())
                break;
            size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            const size_t next = SkipBlanks(text, pos);
            if (next < end && text[next] == '#')
                break;
            line += '\n';
            line.append(text, pos, end - pos);
            pos = end < text.size() ? end + 1 : end;
            ++physical;
            currentLine = line;
        }
        expanded.clear();
        used.clear();
        failure = RapifyOk;
        Origin origin{file.index, first, 0, static_cast<uint32_t>(anchors.size()), 0};
        anchoring = true;
        const bool expandedOk = Expand(line, expanded, 0);
        anchoring = false;
        if (!expandedOk)
        {
            result = failure ? failure : RapifyNoMemory;
            break;
        }
        if (!Spend(expanded.size()))
        {
            result = failure;
            break;
        }
        output->append(expanded);
        *output += '\n';
        origin.endAnchor = static_cast<uint32_t>(anchors.size());
        origins.push_back(origin);
        for (const char* c = expanded.data();
             (c = static_cast<const char*>(std::memchr(c, '\n', expanded.size() - (c - expanded.data())))) != nullptr;)
        {
            ++c;
            origin.offset = static_cast<uint32_t>(c - expanded.data());
            origins.push_back(origin);
        }
    }
    if (result == RapifyOk && !conditions.empty())
    {
        column = 0;
        currentLine = std::string_view();
        lineNumber = physical - 1;
        result = Report(RapifyEof, "#ifdef, #ifndef or #if without #endif");
    }
    openFiles.pop_back();
    return result;
}

int ConfigPreprocessor::Directive(const std::string& line, size_t hash, OpenFile& file, std::vector<int>& conditions)
{
    const size_t nameEnd = NameEnd(line, hash + 1);
    const std::string name = line.substr(hash + 1, nameEnd - hash - 1);
    const bool skipping = !conditions.empty() && (conditions.back() & 1) == 0;
    const size_t rest = SkipBlanks(line, nameEnd);
    column = hash;
    if (name == "ifdef" || name == "ifndef" || name == "if")
    {
        if (conditions.size() >= static_cast<size_t>(MaxConditionDepth))
            return Report(RapifyNoMemory,
                          "conditional blocks nested more than " + std::to_string(MaxConditionDepth) + " deep");
        if (skipping)
        {
            conditions.push_back(4);
            return RapifyOk;
        }
        bool value = false;
        if (name == "if")
        {
            int r = Condition(line.substr(rest), rest, value);
            if (r != RapifyOk)
                return r;
        }
        else
        {
            const size_t end = NameEnd(line, rest);
            if (end == rest || !IsNameStart(line[rest]))
            {
                column = rest;
                return Report(RapifyDefineBadLabel, "#" + name + " needs a macro name");
            }
            const std::string macro = line.substr(rest, end - rest);
            value =
                macros.Find(macro) != nullptr || macro == "__LINE__" || macro == "__FILE__" || macro == "__COUNTER__";
            if (name == "ifndef")
                value = !value;
        }
        conditions.push_back(value ? 1 : 0);
        return RapifyOk;
    }
    if (name == "else")
    {
        if (conditions.empty() || (conditions.back() & 2))
            return Report(RapifyExpectedStatement,
                          conditions.empty() ? "#else without #ifdef, #ifndef or #if" : "a second #else in one block");
        int& top = conditions.back();
        top = (top & 4) ? 6 : ((top & 1) ? 2 : 3);
        return RapifyOk;
    }
    if (name == "endif")
    {
        if (conditions.empty())
            return Report(RapifyExpectedStatement, "#endif without #ifdef, #ifndef or #if");
        conditions.pop_back();
        return RapifyOk;
    }
    // Everything else in a skipped block is inert, #include included.
    if (skipping)
        return RapifyOk;
    if (name == "define")
        return Define(line, rest);
    if (name == "undef")
    {
        const size_t end = NameEnd(line, rest);
        const std::string macro = line.substr(rest, end - rest);
        if (macro.empty())
            return Report(RapifyDefineBadLabel, "#undef needs a macro name");
        ++generation;
        if (!macros.Erase(macro))
            Report(RapifyOk, "#undef of '" + macro + "', which is not defined", true);
        return RapifyOk;
    }
    if (name == "include")
    {
        column = rest;
        return Include(Trim(line.substr(rest)), rest, file);
    }
    if (name == "pragma")
    {
        const std::string word = line.substr(rest, NameEnd(line, rest) - rest);
        // The layout pragmas reach the parser; others are for other tools.
        if (text::EqualNoCase(word.c_str(), "_arma_") || text::EqualNoCase(word.c_str(), "_xbox_"))
        {
            *output += line.substr(hash) + "\n";
            origins.push_back(Origin{file.index, lineNumber, 0, static_cast<uint32_t>(anchors.size()),
                                     static_cast<uint32_t>(anchors.size())});
            return RapifyOk;
        }
        Report(RapifyOk, "unknown #pragma '" + word + "' ignored", true);
        return RapifyOk;
    }
    return Report(RapifyExpectedStatement, "unknown directive '#" + name + "'");
}

int ConfigPreprocessor::Define(const std::string& line, size_t at)
{
    column = at;
    const size_t end = NameEnd(line, at);
    if (end == at || !IsNameStart(line[at]))
        return Report(RapifyDefineBadLabel, "#define needs a macro name");
    auto macro = std::make_unique<Macro>();
    macro->name = line.substr(at, end - at);
    const std::string& name = macro->name;
    size_t body = end;
    if (end < line.size() && line[end] == '(')
    {
        macro->function = true;
        const size_t close = line.find(')', end);
        if (close == std::string::npos)
            return Report(RapifyNoEndParenthesis, "no ')' after the parameters of '" + name + "'");
        std::string list = line.substr(end + 1, close - end - 1);
        size_t start = 0;
        while (start <= list.size())
        {
            size_t comma = list.find(',', start);
            if (comma == std::string::npos)
                comma = list.size();
            std::string param = Trim(list.substr(start, comma - start));
            const bool first = start == 0;
            start = comma + 1;
            if (param == "..." && comma == list.size())
            {
                macro->variadic = true;
                continue;
            }
            if (param.empty() ? comma != list.size() || !first
                              : NameEnd(param, 0) != param.size() || !IsNameStart(param[0]))
                return Report(RapifyDefineBadLabel, "bad parameter '" + param + "' of '" + name + "'");
            if (!param.empty())
                macro->params.push_back(param);
        }
        body = close + 1;
    }
    // Spaces after the name (or the parameters) go, tabs stay.
    while (body < line.size() && line[body] == ' ')
        ++body;
    macro->body = line.substr(body);
    while (!macro->body.empty() && (macro->body.back() == ' ' || macro->body.back() == '\r'))
        macro->body.pop_back();
    const int cut = Cut(*macro);
    if (cut != RapifyOk)
        return cut;
    if (const Macro* found = macros.Find(name))
    {
        const Macro& old = *found;
        if (old.function != macro->function || old.variadic != macro->variadic || old.params != macro->params ||
            old.body != macro->body)
            Report(RapifyOk, "'" + name + "' redefined without #undef", true);
        if (old.active)
            return Report(RapifyDefineBadLabel, "'" + name + "' redefined while it expands");
    }
    macros.Put(std::move(macro));
    ++generation;
    return RapifyOk;
}

// Cuts a body into the pieces an expansion copies. Without parameters the
// result is one text: #word quoted and ## joined now, once.
int ConfigPreprocessor::Cut(Macro& macro)
{
    const std::string& body = macro.body;
    std::string& text = macro.text;
    auto literal = [&](std::string_view part) {
        if (part.empty())
            return;
        if (!macro.pieces.empty() && macro.pieces.back().kind == Piece::Text)
            macro.pieces.back().length += static_cast<uint32_t>(part.size());
        else
            macro.pieces.push_back(
                Piece{Piece::Text, 0, static_cast<uint32_t>(text.size()), static_cast<uint32_t>(part.size())});
        text.append(part.data(), part.size());
    };
    // The argument slot a word names: a parameter, or __VA_ARGS__ for the
    // rest of the call; -1 for any other word, -2 for a __VA_ name refused.
    auto slot = [&](std::string_view word) -> long {
        for (size_t p = 0; p < macro.params.size(); ++p)
        {
            if (macro.params[p] == word)
                return static_cast<long>(p);
        }
        if (word.size() > 7 && word.compare(0, 5, "__VA_") == 0 && word.compare(word.size() - 2, 2, "__") == 0)
        {
            if (word == "__VA_ARGS__" && macro.variadic)
                return static_cast<long>(macro.params.size());
            Report(RapifyDefineBadLabel,
                   word == "__VA_ARGS__"
                       ? "'__VA_ARGS__' is only known in a macro whose parameters end in '...'"
                       : "'" + std::string(word) + "' is not supported in macro '" + macro.name + "'");
            return -2;
        }
        return -1;
    };
    for (size_t b = 0; b < body.size();)
    {
        const char c = body[b];
        if (c == '"')
        {
            const size_t end = StringEnd(body, b);
            literal(std::string_view(body).substr(b, end - b));
            b = end;
        }
        else if (c == '#' && b + 1 < body.size() && body[b + 1] == '#')
        {
            if (macro.function)
                macro.pieces.push_back(Piece{Piece::Join, 0, 0, 0});
            else
            {
                while (!text.empty() && IsBlank(text.back()))
                    text.pop_back();
            }
            b = SkipBlanks(body, b + 2);
        }
        else if (c == '#' && b + 1 < body.size() && IsNameStart(body[b + 1]))
        {
            // #word wraps the argument, or the word itself, in quotes.
            const size_t end = NameEnd(body, b + 1);
            const std::string_view word = std::string_view(body).substr(b + 1, end - b - 1);
            const long at = slot(word);
            if (at == -2)
                return RapifyDefineBadLabel;
            if (at >= 0 && macro.function)
                macro.pieces.push_back(Piece{Piece::Quoted, static_cast<uint32_t>(at), 0, 0});
            else
                literal("\"" + std::string(word) + "\"");
            b = end;
        }
        else if (IsNameChar(c))
        {
            const size_t end = NameEnd(body, b);
            const std::string_view word = std::string_view(body).substr(b, end - b);
            const long at = IsNameStart(c) ? slot(word) : -1;
            if (at == -2)
                return RapifyDefineBadLabel;
            if (at >= 0 && macro.function)
                macro.pieces.push_back(Piece{Piece::Argument, static_cast<uint32_t>(at), 0, 0});
            else
                literal(word);
            b = end;
        }
        else
        {
            literal(std::string_view(body).substr(b, 1));
            ++b;
        }
    }
    if (!macro.function)
        macro.pieces.clear();
    return RapifyOk;
}

int ConfigPreprocessor::Include(const std::string& spec, size_t at, OpenFile& file)
{
    column = at;
    if (spec.size() < 2 || !((spec[0] == '"' && spec.back() == '"') || (spec[0] == '<' && spec.back() == '>')))
        return Report(RapifyCannotInclude, "#include needs a file name in quotes");
    const std::string name = Backslashed(spec.substr(1, spec.size() - 2));
    if (openFiles.size() > static_cast<size_t>(MaxIncludeDepth) || includes >= MaxIncludes)
        return Report(RapifyNoMemory,
                      openFiles.size() > static_cast<size_t>(MaxIncludeDepth)
                          ? "#include nested more than " + std::to_string(MaxIncludeDepth) + " files deep"
                          : "more than " + std::to_string(MaxIncludes) + " #include files");
    std::string normal;
    if (!Normalise(name, normal) || name.find(':') != std::string::npos)
        return Report(RapifyCannotInclude, "cannot include '" + name + "': it climbs out of its root");
    std::string disk;
    std::string content;
    const int read = ReadIncluded(name, normal, file, disk, content);
    if (read != RapifyOk)
        return read;
    ++includes;
    OpenFile inner{static_cast<int>(fileNames.size()), disk, archive ? disk : GamePathOf(disk),
                   "included from " + fileNames[static_cast<size_t>(file.index)] + ":" + std::to_string(lineNumber),
                   archive != nullptr};
    fileNames.push_back(disk);
    texts.push_back(StripComments(content.c_str()));
    const std::string_view saved = currentLine;
    const int savedLine = lineNumber;
    int result = ProcessFile(texts.back(), inner);
    currentLine = saved;
    lineNumber = savedLine;
    return result;
}

// The text an #include names. From an archive: an entry, a relative name
// beside the including entry (the top file stands at the archive's root), a
// game path by the longest tail of it that names an entry, so the archive
// answers for its own prefix. From the disk: a game path over the mounts, a
// relative name beside the including file; either within the roots.
int ConfigPreprocessor::ReadIncluded(const std::string& name, const std::string& normal, const OpenFile& file,
                                     std::string& disk, std::string& content)
{
    if (archive)
    {
        std::vector<std::string> candidates;
        if (normal[0] == '\\')
        {
            for (size_t at = 0; at != std::string::npos; at = normal.find('\\', at + 1))
            {
                if (at + 1 < normal.size())
                    candidates.push_back(normal.substr(at + 1));
            }
        }
        else
        {
            std::string joined;
            Normalise(JoinPath(file.entry ? Folder(file.disk) : std::string(), normal), joined);
            if (joined.compare(0, 2, "..") == 0)
                return Report(RapifyCannotInclude, "cannot include '" + name + "': it climbs out of its root");
            candidates.push_back(joined);
        }
        for (const std::string& candidate : candidates)
        {
            char* text = rapify_hooks::ReadArchiveText(archive, candidate.c_str());
            if (!text)
                continue;
            disk = candidate;
            content = text;
            std::free(text);
            return Spend(content.size()) ? RapifyOk : failure;
        }
        return Report(RapifyCannotInclude, "cannot include '" + name + "': the archive holds no such entry");
    }
    bool caseOnly = false;
    if (normal[0] == '\\')
    {
        if (!FindGamePath(normal.substr(1), disk, caseOnly))
            return Report(RapifyCannotInclude, "cannot include '" + name + "': no mounted folder holds it");
    }
    else
    {
        std::string joined;
        Normalise(JoinPath(Folder(file.disk), normal), joined);
        uint64_t size = 0;
        std::string found;
        if (platform::FindFileSize(joined.c_str(), size))
            disk = joined;
        else if (platform::MatchNoCase(joined.c_str(), found) && platform::FindFileSize(found.c_str(), size))
        {
            disk = Backslashed(found);
            caseOnly = true;
        }
        else
            return Report(RapifyCannotInclude, "cannot include '" + name + "': no such file");
    }
    if (!Inside(disk))
        return Report(RapifyCannotInclude, "cannot include '" + name + "': it lies outside the mounted folders");
    if (caseOnly)
        Report(RapifyOk, "'" + name + "' matches '" + disk + "' only with another letter case", true);
    FILE* stream = platform::OpenFile(disk.c_str(), "rb");
    if (!stream)
        return Report(RapifyCannotInclude, "cannot read '" + disk + "'");
    // On the heap: this frame recurses once per nested include, and a
    // Windows thread has 1 MiB of stack.
    std::vector<char> buffer(size_t{1} << 16);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), stream)) > 0)
    {
        if (!Spend(got))
        {
            std::fclose(stream);
            return failure;
        }
        content.append(buffer.data(), got);
    }
    std::fclose(stream);
    content.resize(std::strlen(content.c_str())); // text ends at its first zero byte
    return RapifyOk;
}

int ConfigPreprocessor::Condition(const std::string& expr, size_t at, bool& value)
{
    column = at;
    std::string expanded;
    inCondition = true;
    failure = RapifyOk;
    bool ok = Expand(expr, expanded, 0);
    inCondition = false;
    if (!ok)
        return failure ? failure : RapifyNoMemory;
    Evaluator evaluator(expanded, nullptr, true);
    double result = 0;
    if (!evaluator.Run(result))
        return Report(RapifyExpectedValue, "#if " + Trim(expr) + ": " + evaluator.error);
    value = result != 0;
    return RapifyOk;
}

// Copies in to out with every macro use replaced by its expansion; double-
// quoted text is copied as it is, single quotes are no strings here.
// Nothing here allocates per name: lookups take a view of the input, bodies
// were cut into pieces when defined, and each depth reuses its buffers.
// Measured: a standard hash map over the names spent a sixth of the time in
// its lookup (a division per bucket, a byte-wise hash), hence NameIndex; a
// byte-wise hash in NameIndex still took a fifth of this loop. Measured and
// not kept: a filter on name length and end letters in front of the lookup
// (no visible change). Verbatim text (plain runs, strings, numbers, names of
// no macro) was appended piece by piece, a sixth of the time in append and
// memmove; it is now gathered and appended once before each replacement:
// 101-105 MB/s to 107-109 MB/s (CPU, paired runs on the loaded machine).
// Measured after that and not kept (within the runs' spread of about 5%):
// comparing names in NameIndex by fixed-size loads instead of memcmp,
// StripComments copying whole runs across line ends and quotes, skipping
// the parenthesis count of lines without '('. What is left: this loop
// (30%), the argument scan in ExpandCall (15%), ProcessFile (9%).
bool ConfigPreprocessor::Expand(std::string_view in, std::string& out, int depth)
{
    if (depth > deepest)
        deepest = depth;
    if (depth > MaxExpansionDepth)
    {
        failure =
            Report(RapifyNoMemory, "macro expansion nested more than " + std::to_string(MaxExpansionDepth) + " deep");
        return false;
    }
    // What is copied as it stands (text, strings, numbers, names of no
    // macro) is gathered and appended in one step before each replacement.
    size_t copied = 0;
    size_t i = 0;
    const size_t size = in.size();
    const char* data = in.data();
    while (i < size)
    {
        const char c = data[i];
        if (c == '"')
        {
            i = StringEnd(in, i);
            continue;
        }
        if (!IsNameChar(c))
        {
            ++i;
            while (i < size && !IsNameChar(data[i]) && data[i] != '"')
                ++i;
            continue;
        }
        const size_t end = NameEnd(in, i);
        if (!IsNameStart(c))
        {
            i = end; // a number, with whatever letters follow it
            continue;
        }
        const std::string_view name = in.substr(i, end - i);
        if (depth == 0)
            column = i;
        Macro* found = macros.Find(name);
        if (found && found->active)
            ++blocked;
        else if (found)
        {
            if (++expansions > MaxExpansions)
            {
                failure = Report(RapifyNoMemory, "more than " + std::to_string(MaxExpansions) + " macro expansions");
                return false;
            }
            out.append(data + copied, i - copied);
            i = end;
            const size_t made = out.size();
            if (!ExpandCall(*found, in, i, out, depth))
                return false;
            copied = i;
            if (depth == 0 && anchoring)
                Anchored(made, end - name.size(), out.size(), i);
            if (!Spend(0) || out.size() > BudgetBase + BudgetPerSourceByte * sourceBytes)
            {
                failure = Report(RapifyNoMemory, "preprocessed text grows beyond the compile's budget");
                return false;
            }
            continue;
        }
        else if (name.size() > 4 && name[0] == '_' && name[1] == '_')
        {
            ++builtins;
            out.append(data + copied, i - copied);
            i = end;
            const size_t made = out.size();
            if (!Builtin(std::string(name), in, i, out, depth))
                return false;
            copied = i;
            if (depth == 0 && anchoring)
                Anchored(made, end - name.size(), out.size(), i);
            continue;
        }
        i = end;
    }
    out.append(data + copied, size - copied);
    return true;
}

bool ConfigPreprocessor::ExpandCall(Macro& macro, std::string_view in, size_t& i, std::string& out, int depth)
{
    if (!macro.function)
        return ExpandKept(macro, out, depth);
    if (keeping)
        used.push_back(&macro);
    std::string_view text = macro.text;
    {
        // A function-like name without '(' stays as it is.
        size_t open = i;
        while (open < in.size() && (IsBlank(in[open]) || in[open] == '\n'))
            ++open;
        if (open >= in.size() || in[open] != '(')
        {
            out += macro.name;
            return true;
        }
        while (scratch.size() <= static_cast<size_t>(depth))
            scratch.push_back(std::make_unique<Scratch>());
        Scratch& work = *scratch[static_cast<size_t>(depth)];
        // Only parentheses group commas; quoted text is kept whole.
        std::vector<size_t>& bounds = work.bounds;
        bounds.clear();
        size_t start = open + 1;
        int level = 0;
        size_t k = start;
        for (; k < in.size(); ++k)
        {
            const char c = in[k];
            if (!IsGrouping(c))
                continue;
            if (c == '"')
                k = StringEnd(in, k) - 1;
            else if (c == '(')
                ++level;
            else if (c == ')' && level-- == 0)
                break;
            else if (c == ',' && level == 0)
            {
                bounds.push_back(start);
                bounds.push_back(k);
                start = k + 1;
            }
        }
        if (k >= in.size())
        {
            failure = Report(RapifyExpectedParenthesis, "no ')' ends the call of macro '" + macro.name + "'");
            return false;
        }
        bounds.push_back(start);
        bounds.push_back(k);
        i = k + 1;
        size_t given = bounds.size() / 2;
        const size_t named = macro.params.size();
        if (macro.variadic && given > named)
        {
            // The rest of the call, commas and all, is the last argument.
            bounds[2 * named + 1] = bounds.back();
            bounds.resize(2 * named + 2);
        }
        else if (macro.variadic && given == named)
        {
            bounds.push_back(k);
            bounds.push_back(k);
        }
        else if (named == 0 && given == 1 && Trim(in.substr(bounds[0], bounds[1] - bounds[0])).empty())
            bounds.clear();
        given = bounds.size() / 2;
        if (given != named + (macro.variadic ? 1 : 0))
        {
            failure = Report(RapifyNotEnoughParameters,
                             "macro '" + macro.name + "' takes " + (macro.variadic ? "at least " : "") +
                                 std::to_string(named) + " arguments, " + std::to_string(given) + " given");
            return false;
        }
        // Arguments are expanded before they are put in, for # and ## too;
        // the whitespace around them is kept.
        work.expanded.clear();
        work.ends.clear();
        for (size_t a = 0; a < given; ++a)
        {
            if (!Expand(in.substr(bounds[2 * a], bounds[2 * a + 1] - bounds[2 * a]), work.expanded, depth + 1))
                return Unwind(macro);
            work.ends.push_back(work.expanded.size());
        }
        std::string& result = work.result;
        result.clear();
        for (const Piece& piece : macro.pieces)
        {
            if (piece.kind == Piece::Text)
            {
                result.append(macro.text, piece.offset, piece.length);
                continue;
            }
            if (piece.kind == Piece::Join)
            {
                // ## joins what stands on either side, parameter or not.
                while (!result.empty() && IsBlank(result.back()))
                    result.pop_back();
                continue;
            }
            const size_t from = piece.argument ? work.ends[piece.argument - 1] : 0;
            const size_t to = work.ends[piece.argument];
            // #param wraps the (expanded) argument in quotes, escaping nothing.
            if (piece.kind == Piece::Quoted)
                result += '"';
            result.append(work.expanded, from, to - from);
            if (piece.kind == Piece::Quoted)
                result += '"';
        }
        text = result;
    }
    // The result is read again; the macro does not expand inside itself.
    macro.active = true;
    const bool ok = Expand(text, out, depth + 1);
    macro.active = false;
    return ok || Unwind(macro);
}

// A failure met inside the expansion of macro: the finding gets its note on
// the way out, so innermost first, before the notes of the includes.
bool ConfigPreprocessor::Unwind(const Macro& macro)
{
    if (!diagnostics.empty())
    {
        std::vector<std::string>& notes = diagnostics.back().notes;
        notes.insert(notes.begin() + static_cast<std::ptrdiff_t>(std::min(macroNotes, notes.size())),
                     "in expansion of macro '" + macro.name + "'");
        ++macroNotes;
    }
    return false;
}

// A macro without parameters expands the same way each time, unless the
// definitions changed, a macro it uses is being expanded around it, or it
// met a built-in (__LINE__, __COUNTER__ ...): its last expansion is kept and
// copied while none of that happened. This keeps name chains such as ADDON
// from being expanded again at every use.
bool ConfigPreprocessor::ExpandKept(Macro& macro, std::string& out, int depth)
{
    if (macro.generation == generation && depth + macro.depth <= MaxExpansionDepth &&
        expansions + macro.expansions <= MaxExpansions)
    {
        bool free = true;
        for (const Macro* use : macro.uses)
            free = free && !use->active;
        if (free)
        {
            out += macro.expansion;
            expansions += macro.expansions;
            if (keeping)
                used.insert(used.end(), macro.uses.begin(), macro.uses.end());
            return true;
        }
    }
    const size_t start = out.size();
    const size_t mark = used.size();
    const long blockedBefore = blocked;
    const long builtinsBefore = builtins;
    const long expansionsBefore = expansions;
    const int deepestBefore = deepest;
    deepest = depth;
    ++keeping;
    used.push_back(&macro);
    // The result is read again; the macro does not expand inside itself.
    macro.active = true;
    const bool ok = Expand(macro.text, out, depth + 1);
    macro.active = false;
    --keeping;
    if (!ok)
        Unwind(macro);
    else
    {
        // Only short ones are kept (name chains), so what is kept stays
        // within a small multiple of the definitions' own size.
        if (blocked == blockedBefore && builtins == builtinsBefore && out.size() - start <= MaxKept &&
            used.size() - mark <= MaxKeptUses)
        {
            macro.expansion.assign(out, start, std::string::npos);
            macro.uses.assign(used.begin() + static_cast<std::ptrdiff_t>(mark), used.end());
            macro.expansions = expansions - expansionsBefore;
            macro.depth = deepest - depth;
            macro.generation = generation;
        }
    }
    if (!keeping)
        used.clear();
    if (deepestBefore > deepest)
        deepest = deepestBefore;
    return ok;
}

bool ConfigPreprocessor::Builtin(const std::string& name, std::string_view in, size_t& i, std::string& out, int depth)
{
    const OpenFile& file = *openFiles.back();
    if (name == "__LINE__")
        out += std::to_string(lineNumber);
    else if (name == "__FILE__")
        out += '"' + file.game + '"';
    else if (name == "__FILE_NAME__" || name == "__FILE_SHORT__")
    {
        std::string base = text::AfterLastSeparator(file.game.c_str());
        out += '"' + (name == "__FILE_NAME__" ? base : text::WithoutExtension(base)) + '"';
    }
    else if (name == "__COUNTER__")
        out += std::to_string(counter++);
    else if (name == "__COUNTER_RESET__")
        counter = 0;
    else if (name == "__ARMA__" || name == "__ARMA3__")
        out += '1';
    else if (name == "__A3_DEBUG__" || name == "__A3_DIAG__" || name == "__A3_EXPERIMENTAL__" ||
             name == "__A3_PROFILING__")
        out += '0';
    else if (name == "__GAME_VER__")
        out += "02.00.146790";
    else if (name == "__GAME_VER_MAJ__")
        out += "02";
    else if (name == "__GAME_VER_MIN__")
        out += "00";
    else if (name == "__GAME_BUILD__")
        out += "146790";
    else if (name == "__EVAL" || name == "__EXEC")
        return Arithmetic(name, in, i, out, depth);
    else if (name == "__has_include" && inCondition)
    {
        // 1 when the game path exists; a path without a leading backslash
        // quietly gives 0.
        size_t open = SkipBlanks(in, i);
        size_t close = open < in.size() && in[open] == '(' ? in.find(')', open) : std::string::npos;
        if (close == std::string::npos)
        {
            failure = Report(RapifyExpectedParenthesis, "__has_include needs (\"\\path\")");
            return false;
        }
        std::string path = Backslashed(Trim(in.substr(open + 1, close - open - 1)));
        if (path.size() >= 2 && path[0] == '"' && path.back() == '"')
            path = path.substr(1, path.size() - 2);
        std::string disk;
        bool caseOnly = false;
        std::string normal;
        out += (!path.empty() && path[0] == '\\' && Normalise(path, normal) &&
                FindGamePath(normal.substr(1), disk, caseOnly) && Inside(disk))
                   ? '1'
                   : '0';
        i = close + 1;
    }
    else
    {
        // Date and time: the build's own.
        const std::time_t now = fixedTime >= 0 ? static_cast<std::time_t>(fixedTime) : std::time(nullptr);
        std::tm local{};
        std::tm utc{};
#ifdef _WIN32
        localtime_s(&local, &now);
        gmtime_s(&utc, &now);
#else
        localtime_r(&now, &local);
        gmtime_r(&now, &utc);
#endif
        if (fixedTime >= 0)
            local = utc;
        char buffer[64];
        buffer[0] = 0;
        if (name == "__DATE_ARR__")
            std::strftime(buffer, sizeof buffer, "%Y,%m,%d,%H,%M,%S", &local);
        else if (name == "__DATE_STR__")
            std::strftime(buffer, sizeof buffer, "\"%Y/%m/%d, %H:%M:%S\"", &local);
        else if (name == "__DATE_STR_ISO8601__")
            std::strftime(buffer, sizeof buffer, "\"%Y-%m-%dT%H:%M:%SZ\"", &utc);
        else if (name == "__TIME__")
            std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
        else if (name == "__TIME_UTC__")
            std::strftime(buffer, sizeof buffer, "%H:%M:%S", &utc);
        else if (name == "__DAY__")
            std::snprintf(buffer, sizeof buffer, "%d", local.tm_mday);
        else if (name == "__MONTH__")
            std::snprintf(buffer, sizeof buffer, "%d", local.tm_mon + 1);
        else if (name == "__YEAR__")
            std::snprintf(buffer, sizeof buffer, "%d", local.tm_year + 1900);
        else if (name == "__TIMESTAMP_UTC__")
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(now));
        else if (name.compare(0, 10, "__RAND_INT") == 0 || name.compare(0, 11, "__RAND_UINT") == 0)
            std::snprintf(buffer, sizeof buffer, "%d", NextRandom() % 128);
        else
        {
            out += name;
            return true;
        }
        out += buffer;
    }
    return true;
}

// __EVAL(expr) becomes the number it computes; __EXEC(a = expr; ...) assigns
// variables that later __EVALs read and leaves nothing.
bool ConfigPreprocessor::Arithmetic(const std::string& name, std::string_view in, size_t& i, std::string& out,
                                    int depth)
{
    size_t open = SkipBlanks(in, i);
    if (open >= in.size() || in[open] != '(')
    {
        out += name;
        return true;
    }
    int level = 0;
    size_t close = open;
    for (; close < in.size(); ++close)
    {
        if (in[close] == '(')
            ++level;
        else if (in[close] == ')' && --level == 0)
            break;
    }
    if (close >= in.size())
    {
        failure = Report(RapifyExpectedParenthesis, "no ')' ends " + name);
        return false;
    }
    i = close + 1;
    std::string body;
    if (!Expand(in.substr(open + 1, close - open - 1), body, depth + 1))
        return false;
    if (name == "__EVAL")
    {
        Evaluator evaluator(body, &variables, false);
        double value = 0;
        if (!evaluator.Run(value))
        {
            failure = Report(RapifyExpectedValue, "__EVAL(" + Trim(body) + "): " + evaluator.error);
            return false;
        }
        out += NumberText(value);
        return true;
    }
    size_t start = 0;
    while (start < body.size())
    {
        size_t end = body.find(';', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string statement = Trim(body.substr(start, end - start));
        start = end + 1;
        if (statement.empty())
            continue;
        const size_t nameEnd = NameEnd(statement, 0);
        const size_t equals = SkipBlanks(statement, nameEnd);
        if (nameEnd == 0 || !IsNameStart(statement[0]) || equals >= statement.size() || statement[equals] != '=' ||
            (equals + 1 < statement.size() && statement[equals + 1] == '='))
        {
            failure = Report(RapifyExpectedValue, "__EXEC cannot run '" + statement + "': only name = arithmetic");
            return false;
        }
        Evaluator evaluator(statement.substr(equals + 1), &variables, false);
        double value = 0;
        if (!evaluator.Run(value))
        {
            failure = Report(RapifyExpectedValue, "__EXEC(" + statement + "): " + evaluator.error);
            return false;
        }
        variables[statement.substr(0, nameEnd)] = value;
    }
    return true;
}

void ConfigPreprocessor::Anchored(size_t made, size_t source, size_t end, size_t next)
{
    anchors.push_back(Anchor{static_cast<uint32_t>(made), static_cast<uint32_t>(source), false});
    anchors.push_back(Anchor{static_cast<uint32_t>(end), static_cast<uint32_t>(next), true});
}

void ConfigPreprocessor::SourcePlace(size_t index, size_t offset, std::string& source, int& column) const
{
    source.clear();
    column = 0;
    if (index >= origins.size() || static_cast<size_t>(origins[index].file) >= texts.size())
        return;
    const Origin& origin = origins[index];
    const std::string& text = texts[static_cast<size_t>(origin.file)];
    size_t pos = 0;
    for (int line = 1; line < origin.line && pos < text.size(); ++line)
    {
        const size_t end = text.find('\n', pos);
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    // The logical line, continued lines joined as they were read.
    AppendLogicalLine(text, pos, source);
    const size_t at = origin.offset + offset;
    size_t from = at;
    for (size_t k = origin.firstAnchor; k < origin.endAnchor && k < anchors.size() && anchors[k].out <= at; ++k)
        from = anchors[k].verbatim ? anchors[k].source + (at - anchors[k].out) : anchors[k].source;
    if (from <= source.size())
        column = static_cast<int>(from) + 1;
}
