// Tests of loading archive entries as text, binarised configs decoded.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "RazDLL.h"
#include "pbo/Ostrel.h"
#include "support/Compressor.h"
#include "support/FolderTest.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/RapBytes.h"

using namespace testsupport;

namespace
{
// A binarised config in the Arma layout holding one class-less value: a = 1.
const Bytes TinyConfig = {0x00, 0x72, 0x61, 0x50, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,
                          0x1E, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x02, 0x61, 0x00, 0x01, 0x00,
                          0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

TestEntry Entry(const std::string& name, const Bytes& data)
{
    TestEntry e;
    e.name = name;
    e.data = data;
    return e;
}

std::string Held(Ostrel& pbo, pbo_entry* entry, int n)
{
    const unsigned char* data = pbo.GetDataPtr(entry);
    return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(n));
}

class AscData : public testsupport::FolderTest
{
protected:
    // Opens an archive of the given entries with the aggregate's archive
    // member (parent set) or with a stand-alone object.
    void Open(const std::vector<TestEntry>& entries)
    {
        Put("a.pbo", MakeArchive(entries));
        ASSERT_EQ(0, raz.ostrel.OpenPbo(Path("a.pbo").c_str(), nullptr));
        ASSERT_EQ(0, alone.OpenPbo(Path("a.pbo").c_str(), nullptr));
    }

    RazDLL raz;
    Ostrel alone;
};

TEST_F(AscData, PlainTextIsTerminatedOnRequest)
{
    Open({StoredEntry("five.txt", "hello"), StoredEntry("zero.txt", std::string("ab\0cd", 5))});
    Ostrel& pbo = raz.ostrel;
    pbo_entry* five = pbo.FindEntry("five.txt");
    EXPECT_EQ(5, pbo.GetAscData(five, false));
    EXPECT_EQ("hello", Held(pbo, five, 5));
    EXPECT_EQ(6, pbo.GetAscData(five, true));
    EXPECT_EQ(std::string("hello\0", 6), Held(pbo, five, 6));
    EXPECT_EQ(0, pbo.WasEncrypted(five));

    // strncpy semantics: everything from the first zero byte on is zero.
    pbo_entry* zero = pbo.FindEntry("zero.txt");
    EXPECT_EQ(6, pbo.GetAscData(zero, true));
    EXPECT_EQ(std::string("ab\0\0\0\0", 6), Held(pbo, zero, 6));
}

TEST_F(AscData, BinarisedConfigBecomesText)
{
    Open({Entry("config.bin", TinyConfig), CompressedEntry("packed.bin", TinyConfig)});
    Ostrel& pbo = raz.ostrel;
    for (const char* name : {"config.bin", "packed.bin"})
    {
        SCOPED_TRACE(name);
        pbo_entry* entry = pbo.FindEntry(name);
        int n = pbo.GetAscData(entry, false);
        ASSERT_GT(n, 1);
        const char* text = reinterpret_cast<const char*>(pbo.GetDataPtr(entry));
        EXPECT_EQ(static_cast<size_t>(n), std::strlen(text) + 1);
        EXPECT_NE(nullptr, std::strstr(text, "a = 1;")) << text;
        EXPECT_EQ(1, pbo.WasEncrypted(entry));
        // A second call hands back the same text.
        EXPECT_EQ(n, pbo.GetAscData(entry, true));
        EXPECT_EQ(static_cast<size_t>(n), std::strlen(reinterpret_cast<const char*>(pbo.GetDataPtr(entry))) + 1);

        // Released and loaded again, the entry holds its own bytes.
        pbo.FreeData(entry);
        EXPECT_EQ(static_cast<int>(TinyConfig.size()), pbo.GetBinData(entry, false));
        EXPECT_EQ(0, pbo.WasEncrypted(entry));
        EXPECT_EQ(0, std::memcmp(TinyConfig.data(), pbo.GetDataPtr(entry), TinyConfig.size()));
        pbo.FreeData(entry);
        EXPECT_EQ(n, pbo.GetAscData(entry, true));
    }
}

TEST_F(AscData, WithoutParentConfigsStayBinary)
{
    Open({Entry("config.bin", TinyConfig)});
    pbo_entry* entry = alone.FindEntry("config.bin");
    int size = static_cast<int>(TinyConfig.size());
    EXPECT_EQ(size, alone.GetAscData(entry, false));
    EXPECT_EQ(0, alone.WasEncrypted(entry));
    EXPECT_EQ(0, std::memcmp(TinyConfig.data(), alone.GetDataPtr(entry), TinyConfig.size()));
    // Terminated, the text stops at the first zero byte (byte 0 here).
    EXPECT_EQ(size + 1, alone.GetAscData(entry, true));
    EXPECT_EQ(Bytes(TinyConfig.size() + 1, 0), Bytes(alone.GetDataPtr(entry), alone.GetDataPtr(entry) + size + 1));
}

TEST_F(AscData, SpaceCodedTextThatIsNoConfigKeepsItsBytes)
{
    const std::string text = " raP is not a config at all";
    Open({StoredEntry("space.txt", text)});
    pbo_entry* entry = raz.ostrel.FindEntry("space.txt");
    EXPECT_EQ(static_cast<int>(text.size()), raz.ostrel.GetAscData(entry, false));
    EXPECT_EQ(text, Held(raz.ostrel, entry, static_cast<int>(text.size())));
    EXPECT_EQ(0, raz.ostrel.WasEncrypted(entry));
}

// A config whose text would pass the decoder's bound (one string reused by
// index 5000 times: 20 MB of text from 15 KB) is handed back as its bytes.
TEST_F(AscData, ConfigExpandingBeyondItsBoundStaysBinary)
{
    const Bytes config = InlineReusedString(std::string(4000, 'w'), 5000);
    Open({Entry("config.bin", config)});
    pbo_entry* entry = raz.ostrel.FindEntry("config.bin");
    EXPECT_EQ(static_cast<int>(config.size()), raz.ostrel.GetAscData(entry, false));
    EXPECT_EQ(0, raz.ostrel.WasEncrypted(entry));
    EXPECT_EQ(0, std::memcmp(config.data(), raz.ostrel.GetDataPtr(entry), config.size()));
}

TEST_F(AscData, EmptyAndDamagedEntries)
{
    TestEntry damaged = CompressedEntry("damaged.bin", TextLike(2000, 5));
    damaged.data.back() ^= 0x33;
    Open({StoredEntry("empty.txt", ""), damaged});
    EXPECT_EQ(0, raz.ostrel.GetAscData(raz.ostrel.FindEntry("empty.txt"), true));
    EXPECT_EQ(-6, raz.ostrel.GetAscData(raz.ostrel.FindEntry("damaged.bin"), true));
    EXPECT_STREQ("Ostrel compression checksum", raz.ostrel.strError());
    EXPECT_EQ(-3, alone.GetAscData(nullptr, true));
}

// The address-space cap below is not meaningful under AddressSanitizer, whose
// allocator reserves its own memory.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OSTREL_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define OSTREL_TEST_ASAN 1
#endif
#if !defined(OSTREL_TEST_ASAN)
TEST_F(AscData, TerminatingWithoutMemoryAnswersNoMemory)
{
    OSTREL_POSIX_ONLY("the address space cannot be capped (setrlimit)");
#if !defined(_WIN32)
    // The entry is loaded first; then the address space is capped, so the
    // terminated copy cannot be made.
    // Larger than any block the C allocator serves from its heap, so the copy
    // needs fresh address space.
    const size_t size = 40u << 20;
    PboBytes header;
    header.Entry("big.txt", 0, 0, 0, 0, static_cast<uint32_t>(size)).Terminator();
    {
        std::ofstream out(Path("big.pbo"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.Get().data()), static_cast<std::streamsize>(header.Size()));
        const std::string block(1u << 20, 'x');
        for (size_t written = 0; written < size; written += block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    ASSERT_EQ(0, alone.OpenPbo(Path("big.pbo").c_str(), nullptr));
    pbo_entry* entry = alone.FindEntry("big.txt");
    ASSERT_EQ(static_cast<int>(size), alone.GetBinData(entry, false));
    rlimit old;
    ASSERT_EQ(0, getrlimit(RLIMIT_AS, &old));
    rlimit low = old;
    low.rlim_cur = 0;
    // Current usage plus a little: read from the process status.
    FILE* status = std::fopen("/proc/self/statm", "r");
    ASSERT_NE(nullptr, status);
    unsigned long pages = 0;
    ASSERT_EQ(1, std::fscanf(status, "%lu", &pages));
    std::fclose(status);
    low.rlim_cur = pages * 4096ul + (16ul << 20);
    ASSERT_EQ(0, setrlimit(RLIMIT_AS, &low));
    int result = alone.GetAscData(entry, true);
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(-1, result);
    EXPECT_STREQ("Ostrel No memory", alone.strError());
    // The loaded bytes are still there.
    EXPECT_EQ(std::string(16, 'x'), Held(alone, entry, 16));
#endif
}
#endif
} // namespace
