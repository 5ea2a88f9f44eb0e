// Writes the two sample archives of the quick start with the library's own
// writer: target.pbo (prefix archive "samples\target") and patch.pbo
// (Resistance archive). Usage: make_samples [folder]

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pbo/Ostrel.h"

namespace
{
const unsigned Timestamp = 1700000000; // fixed, so the samples never change

struct Sample
{
    const char* name;
    const char* text; // empty: an empty entry (in a patch it deletes)
};

bool WriteArchive(const std::string& path, PboFlags flavour, const char* prefix, const std::vector<Sample>& files)
{
    Ostrel pbo;
    if (!pbo.CreatePbo(path.c_str(), flavour, prefix, nullptr, nullptr))
        return false;
    for (const Sample& file : files)
    {
        std::string name = file.name;
        PboHeaderEntry header;
        header.name = &name[0];
        header.timestamp = Timestamp;
        header.dataSize = static_cast<uint32_t>(std::strlen(file.text));
        if (!pbo.WriteEntry(&header))
            return false;
    }
    for (const Sample& file : files)
    {
        const int size = static_cast<int>(std::strlen(file.text));
        if (size && !pbo.WriteData(reinterpret_cast<const unsigned char*>(file.text), size))
            return false;
    }
    return pbo.ClosePbo();
}
} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::vector<Sample> target = {
        {"readme.txt", "Sample target archive.\r\n"},
        {"config.cpp", "class CfgPatches\r\n{\r\n\tclass samples\r\n\t{\r\n\t\tunits[] = {};\r\n\t};\r\n};\r\n"},
        {"old\\unused.txt", "This entry is removed by the patch.\r\n"},
        {"data\\numbers.txt", "1 2 3 4 5\r\n"},
    };
    const std::vector<Sample> patch = {
        {"README.TXT", "Sample target archive, patched.\r\n"},
        {"old\\unused.txt", ""},
        {"new\\added.txt", "This entry comes with the patch.\r\n"},
    };
    if (!WriteArchive(folder + "/target.pbo", ArmaNoSha, "samples\\target", target) ||
        !WriteArchive(folder + "/patch.pbo", Resistance, nullptr, patch))
    {
        std::fprintf(stderr, "Cannot write the sample archives to %s\n", folder.c_str());
        return 1;
    }
    std::printf("Wrote %s/target.pbo and %s/patch.pbo\n", folder.c_str(), folder.c_str());
    return 0;
}
