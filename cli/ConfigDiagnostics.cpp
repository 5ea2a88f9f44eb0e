// Compiler-style diagnostics of the config compiler.

#include "ConfigDiagnostics.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "rapify/Rapify.h"

namespace cli
{
namespace
{
// Scanner results that explain the parser's code: end of input, mismatched
// quotes, no token, and the macro expansion failures.
bool IsScannerFinding(int token)
{
    return token == 7 || token == 8 || token == 9 || token == 25 || token == 27;
}

// What the compiler adds to its code's message: the limit reached, or the
// entry the layout cannot hold.
std::string LimitNote(const Rapify& compiler)
{
    const char* limit = compiler.GetLimitText();
    if (!limit)
        return "";
    std::string note = std::string(" (limit reached: ") + limit;
    if (std::string(limit).find("inline layout") != std::string::npos)
        note = std::string(" (") + limit + "; --layout arma writes it";
    return note + ")";
}
} // namespace

namespace
{
std::string ShownPath(std::string path)
{
#if !defined(_WIN32)
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
#endif
    return path;
}

std::string ShownNote(const std::string& note)
{
    return note.compare(0, 14, "included from ") == 0 ? ShownPath(note) : note;
}
} // namespace

std::string DiagnosticText(const Rapify& compiler)
{
    std::string text;
    for (const RapifyDiagnostic& d : compiler.GetDiagnostics())
    {
        text += ShownPath(d.file);
        if (d.line > 0)
            text += ":" + std::to_string(d.line);
        if (d.line > 0 && d.column > 0)
            text += ":" + std::to_string(d.column);
        text += d.warning ? ": warning: " : ": error: ";
        text += d.message + "\n";
        if (!d.source.empty())
        {
            text += "    " + d.source + "\n    ";
            // The caret lines up under tabs as the source shows them.
            for (int i = 0; i + 1 < d.column && i < static_cast<int>(d.source.size()); ++i)
                text += d.source[static_cast<size_t>(i)] == '\t' ? '\t' : ' ';
            text += "^\n";
        }
        for (const std::string& note : d.notes)
            text += "note: " + ShownNote(note) + "\n";
    }
    return text;
}

std::string DiagnosticJson(const Rapify& compiler)
{
    nlohmann::json all = nlohmann::json::array();
    for (const RapifyDiagnostic& d : compiler.GetDiagnostics())
    {
        nlohmann::json notes = nlohmann::json::array();
        for (const std::string& note : d.notes)
            notes.push_back(ShownNote(note));
        all.push_back({{"file", ShownPath(d.file)},
                       {"line", d.line},
                       {"column", d.column},
                       {"severity", d.warning ? "warning" : "error"},
                       {"message", d.message},
                       {"notes", notes}});
    }
    return all.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void MountFor(Rapify& compiler, const std::string& file, const std::vector<std::string>& includes)
{
    namespace fs = std::filesystem;
    for (const std::string& folder : includes)
        compiler.AddMountTree(folder.c_str());
    if (!includes.empty())
        return;
    std::error_code code;
    fs::path folder = fs::absolute(fs::path(file), code).parent_path();
    if (code)
        return;
    for (int steps = 0; steps < 64 && !folder.empty(); ++steps)
    {
        if (fs::is_directory(folder / "addons", code))
        {
            compiler.AddMountTree(folder.string().c_str());
            if (fs::is_directory(folder / "include", code))
                compiler.AddMountTree((folder / "include").string().c_str());
            return;
        }
        if (folder == folder.parent_path())
            return;
        folder = folder.parent_path();
    }
}

std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code)
{
    std::string line = compiler.GetCurrentFile() && *compiler.GetCurrentFile() ? compiler.GetCurrentFile() : path;
#if !defined(_WIN32)
    for (char& c : line)
    {
        if (c == '\\')
            c = '/';
    }
#endif
    if (compiler.GetCurrentLine() > 0)
        line += ":" + std::to_string(compiler.GetCurrentLine());
    line += std::string(": error: ") + Rapify::ErrString(code);
    const int token = compiler.GetReturnedToken();
    if (token != code && IsScannerFinding(token))
        line += std::string(" (") + Rapify::ErrString(token) + ")";
    return line + LimitNote(compiler) + "\n";
}

std::string OutputDiagnostic(const Rapify& compiler, const std::string& output, int code)
{
    return output + ": error: " + Rapify::ErrString(code) + LimitNote(compiler) + "\n";
}
} // namespace cli
