// Archive reading: the input is written to a file, opened, and every entry is
// loaded packed, unpacked and as text (configs decoded by the aggregate).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "RazDLL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/ostrel-fuzz-" + std::to_string(getpid()) + ".pbo";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    RazDLL raz;
    Ostrel& pbo = raz.ostrel;
    if (pbo.OpenPbo(path.c_str(), nullptr) == 0)
    {
        for (pbo_entry* e = pbo.firstEntry; e; e = pbo.GetNextEntry(e))
        {
            for (bool raw : {true, false})
            {
                int n = pbo.GetBinData(e, raw);
                const unsigned char* p = pbo.GetDataPtr(e);
                unsigned sum = 0;
                for (int i = 0; p && i < n; ++i)
                    sum += p[i];
                (void)sum;
                pbo.FreeData(e);
            }
            int n = pbo.GetAscData(e, true);
            if (n > 0 && pbo.WasEncrypted(e))
                (void)std::strlen(reinterpret_cast<const char*>(pbo.GetDataPtr(e)));
            pbo.FreeData(e);
        }
    }
    return 0;
}
