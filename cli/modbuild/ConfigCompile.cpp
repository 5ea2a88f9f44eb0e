// Compiling an addon's configs for its archive: a compiler object per file
// (never shared between threads), the mod's mounts, the Arma layout.

#include "ConfigCompile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "cli/ConfigDiagnostics.h"
#include "cli/Interrupt.h"
#include "frame/Text.h"
#include "rap/RapFormat.h"
#include "rapify/Rapify.h"

namespace cli
{
namespace modbuild
{
bool IsCompiledName(const std::string& entry)
{
    const size_t slash = entry.rfind('/');
    const std::string name = slash == std::string::npos ? entry : entry.substr(slash + 1);
    if (text::EqualNoCase(name.c_str(), "config.cpp"))
        return true;
    for (const char* extension : {".rvmat", ".ext", ".sqm", ".bikb", ".bisurf"})
    {
        if (name.size() > std::char_traits<char>::length(extension) && text::EndsWithNoCase(name, extension))
            return true;
    }
    return false;
}

std::string CompiledName(const std::string& entry)
{
    const size_t slash = entry.rfind('/');
    const std::string name = slash == std::string::npos ? entry : entry.substr(slash + 1);
    if (!text::EqualNoCase(name.c_str(), "config.cpp"))
        return entry;
    return entry.substr(0, entry.size() - 4) + ".bin";
}

bool NeedsText(const std::string& text)
{
    return text.find("__has_include") != std::string::npos || text.find("__EXEC") != std::string::npos;
}

CompileResult CompileConfig(const std::string& path, const std::string& text, const std::string& scratch,
                            const CompileSetup& setup, std::vector<unsigned char>& bytes,
                            std::vector<std::string>& sources, std::vector<std::string>& missed,
                            std::string& diagnostics)
{
    static const char binarised[4] = {0, 'r', 'a', 'P'};
    if ((text.size() >= 4 && text.compare(0, 4, binarised, 4) == 0) || NeedsText(text))
        return CompileResult::AsText;
    std::unique_ptr<Rapify> compiler(new Rapify);
    compiler->SetDialect(RapifyDialect::Current);
    compiler->SetLayout(rapformat::LayoutArma);
    compiler->SetFixedTime(setup.fixedTime);
    if (setup.mounts)
    {
        for (const RapifyMount& mount : *setup.mounts)
            compiler->AddMount(mount.prefix.c_str(), mount.folder.c_str());
    }
    const int code = compiler->ProcessBuffer(text.c_str(), path.c_str(), interrupt::KeepGoing, nullptr);
    const std::vector<std::string>& read = compiler->GetSourceFiles();
    sources.assign(read.size() > 1 ? read.begin() + 1 : read.end(), read.end());
    missed = compiler->GetMissedFiles();
    if (interrupt::Requested())
        return CompileResult::Interrupted;
    if (code != 0)
    {
        diagnostics = DiagnosticText(*compiler);
        return CompileResult::Failed;
    }
    const int written = compiler->Output(scratch.c_str(), true);
    if (written != 0)
    {
        diagnostics = OutputDiagnostic(*compiler, path, written);
        std::remove(scratch.c_str());
        return CompileResult::Failed;
    }
    std::ifstream file(scratch, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    const bool ok = !file.bad();
    file.close();
    std::remove(scratch.c_str());
    if (!ok)
    {
        diagnostics = scratch + ": cannot be read back\n";
        return CompileResult::Failed;
    }
    return CompileResult::Binary;
}
} // namespace modbuild
} // namespace cli
