// Helpers of the tool's tests.

#include "CliRun.h"

#include <algorithm>
#include <filesystem>

#include "rap/DeRap.h"

namespace clitest
{
std::vector<std::string> CliTest::Listing(const std::string& folder) const
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder.empty() ? dir.Path() : dir.File(folder)))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

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
