// libFuzzer target for the ostrel tool's JSON texts: any archive name, in any
// byte encoding, becomes a text the JSON writer accepts, and UTF-8 names stay
// as they are.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

// The tool's sources are not part of the library objects the fuzz targets
// link; the one unit under test is compiled in.
#include "../cli/JsonText.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Archive names are zero-terminated texts.
    const std::string name(reinterpret_cast<const char*>(data), size);
    const char* text = name.c_str();
    const std::string converted = cli::JsonText(text);
    if (!cli::IsUtf8(converted.c_str()))
        std::abort();
    if (cli::IsUtf8(text) && converted != std::string(text))
        std::abort();
    // Throws (and so ends the run as a crash) on a text that is not UTF-8.
    const nlohmann::json value = converted;
    const std::string dumped = value.dump();
    if (nlohmann::json::parse(dumped).get<std::string>() != converted)
        std::abort();
    return 0;
}
