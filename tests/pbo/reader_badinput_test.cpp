// Tests of the archive reader against damaged and truncated archives.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pbo/Ostrel.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace
{
const std::set<int> ReaderCodes = {0, -1, -2, -3, -4, -5, -6, -8, -9, -11};

// Opens the bytes and loads every entry raw and unpacked; every answer must
// be one of the reader's codes (or a size for a load) and nothing may crash.
void Exercise(const TempDir& dir, const Bytes& bytes, const std::string& what)
{
    std::string path = dir.Path("damaged.pbo");
    WriteFile(path, bytes);
    Ostrel pbo;
    int opened = pbo.OpenPbo(path.c_str(), nullptr);
    ASSERT_TRUE(ReaderCodes.count(opened)) << what << " open answered " << opened;
    if (opened != 0)
    {
        ASSERT_EQ(pbo.firstEntry, nullptr) << what;
        return;
    }
    for (pbo_entry* e = pbo.firstEntry; e; e = pbo.GetNextEntry(e))
    {
        for (bool raw : {true, false})
        {
            int n = pbo.GetBinData(e, raw);
            ASSERT_TRUE(n >= 0 || ReaderCodes.count(n)) << what << " load answered " << n;
            if (n > 0 && pbo.GetDataPtr(e))
            {
                // Touch every reported byte so the sanitizers check the size.
                unsigned sum = 0;
                for (int k = 0; k < n; ++k)
                    sum += pbo.GetDataPtr(e)[k];
                (void)sum;
            }
            pbo.FreeData(e);
        }
    }
}

Bytes Sample(const std::string& type, size_t residual)
{
    std::vector<TestEntry> entries = {StoredEntry("a.txt", "hello"), CompressedEntry("b\\packed.bin", TextLike(300, 3)),
                                      StoredEntry("empty", ""), CompressedEntry("run", Repetitive(90))};
    return MakeArchive(entries, type, type.empty() ? "" : "my\\addon", Bytes(residual, 0x5A));
}
} // namespace

TEST(ReaderBadInput, EveryPrefixOfValidArchives)
{
    TempDir dir;
    for (const Bytes& full : {Sample("", 0), Sample("prefix", 21), Sample("Tovrin", 0)})
    {
        for (size_t n = 0; n <= full.size(); ++n)
            Exercise(dir, Bytes(full.begin(), full.begin() + static_cast<long>(n)), "prefix " + std::to_string(n));
    }
}

TEST(ReaderBadInput, EverySingleByteCorruption)
{
    TempDir dir;
    for (const Bytes& full : {Sample("prefix", 5), Sample("", 0)})
    {
        for (size_t at = 0; at < full.size(); ++at)
        {
            for (int change : {0x100, 0x00, 0x80, 0xFF, 0x01})
            {
                Bytes damaged = full;
                damaged[at] = change == 0x100 ? static_cast<unsigned char>(damaged[at] ^ 0xFF)
                                              : static_cast<unsigned char>(change);
                Exercise(dir, damaged, "byte " + std::to_string(at) + " set " + std::to_string(change));
            }
        }
    }
}
