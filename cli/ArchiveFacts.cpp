// Facts of an open archive as the ostrel tool shows them.

#include "ArchiveFacts.h"

#include <ctime>

namespace cli
{
const char* FlavourTitle(PboFlags flavour)
{
    switch (flavour)
    {
    case Resistance:
        return "Resistance";
    case ArmaNoSha:
        return "Arma, no key bytes";
    case Elite:
        return "Elite";
    case Arma:
        return "Arma";
    default:
        return "CWC";
    }
}

const char* FlavourKey(PboFlags flavour)
{
    switch (flavour)
    {
    case Resistance:
        return "resistance";
    case ArmaNoSha:
        return "arma-nokey";
    case Elite:
        return "elite";
    case Arma:
        return "arma";
    default:
        return "cwc";
    }
}

bool IsPacked(const pbo_entry& entry)
{
    return entry.compressed != 0;
}

uint32_t UnpackedSize(const pbo_entry& entry)
{
    return IsPacked(entry) ? entry.originalSize : entry.dataSize;
}

std::string DateText(uint32_t timestamp)
{
    if (timestamp == 0)
        return "";
    const std::time_t seconds = static_cast<std::time_t>(timestamp);
    std::tm parts = {};
#if defined(_WIN32)
    if (gmtime_s(&parts, &seconds) != 0)
        return "";
#else
    if (!gmtime_r(&seconds, &parts))
        return "";
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

bool OpenArchive(Ostrel& archive, const std::string& path, std::string& error)
{
    if (archive.OpenPbo(path.c_str(), nullptr) == 0)
        return true;
    error = path + ": " + archive.strError();
    return false;
}
} // namespace cli
