// Lists an archive and unpacks every entry in memory, built outside the
// source tree against the installed library:
//
//   g++ -std=c++17 pbo_list.cpp $(pkg-config --cflags --libs ostrel)
//
// Prints the flavour, the product strings and one line per entry: name,
// stored size, unpacked size, and the 32-bit sum of the unpacked bytes.
#include <ostrel/ostrel.h>

#include <cstdarg>
#include <cstdio>

static bool Show(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s archive.pbo\n", argv[0]);
        return 1;
    }
    RazDLL aggregate;
    Ostrel& pbo = aggregate.ostrel;
    if (pbo.OpenPbo(argv[1], &Show) != 0)
    {
        std::fprintf(stderr, "%s\n", pbo.strError());
        return 2;
    }
    int failures = 0;
    for (pbo_entry* entry = pbo.firstEntry; entry; entry = pbo.GetNextEntry(entry))
    {
        int n = pbo.GetBinData(entry, false);
        if (n < 0)
        {
            std::printf("%s: %s\n", pbo.GetEntryFilename(entry), pbo.strError());
            ++failures;
            pbo.FreeData(entry);
            continue;
        }
        unsigned long sum = 0;
        const unsigned char* data = pbo.GetDataPtr(entry);
        for (int i = 0; i < n; ++i)
            sum = (sum + data[i]) & 0xFFFFFFFFul;
        std::printf("%s stored=%lu size=%d%s sum=%08lX\n", pbo.GetEntryFilename(entry),
                    static_cast<unsigned long>(pbo.GetHeaderEntry(entry)->dataSize), n,
                    pbo.IsCompressed(entry) ? " packed" : "", sum);
        pbo.FreeData(entry);
    }
    pbo.ClosePbo();
    return failures ? 3 : 0;
}
