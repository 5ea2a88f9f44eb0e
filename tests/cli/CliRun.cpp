// The decoder's text the tool's tests compare its output with.

#include "CliRun.h"

#include "rap/DeRap.h"

namespace clitest
{
std::string LibraryText(const testsupport::Bytes& config, const std::string& name)
{
    testsupport::Bytes copy = config;
    DeRap decoder;
    if (!decoder.SetAsRapData(copy.data(), static_cast<unsigned>(copy.size()), name.c_str()))
        return "(not a config)";
    const char* text = nullptr;
    if (decoder.ConvertRapData(&text) != 0 || !text)
        return "(conversion failed)";
    return text;
}
} // namespace clitest
