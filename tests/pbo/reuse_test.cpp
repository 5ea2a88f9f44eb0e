// One archive object used again and again (every getter after every step),
// texts that belong to their object, paths that name no regular file, and
// entries too large for the int sizes of the interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <vector>

#include "RazDLL.h"
#include "pbo/Ostrel.h"
#include "support/Capture.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/Rows.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace
{
Bytes KeyBytes(size_t n, unsigned char first)
{
    Bytes key(n);
    for (size_t i = 0; i < n; ++i)
        key[i] = static_cast<unsigned char>(first + i);
    return key;
}

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes)
        text += std::string{digits[b >> 4], digits[b & 15]};
    return text;
}

struct State
{
    PboFlags type;
    int entries;
    const char* productType;
    const char* productName;
    std::string sig;
    int error;
};

void ExpectState(Ostrel& pbo, const State& s)
{
    EXPECT_EQ(pbo.GetPboType(), s.type);
    EXPECT_EQ(pbo.GetEntryCount(), s.entries);
    EXPECT_STREQ(pbo.GetProductType(), s.productType);
    EXPECT_STREQ(pbo.GetProductName(), s.productName);
    EXPECT_EQ(pbo.GetAsciiSig(), s.sig);
    EXPECT_EQ(pbo.GetErrorCode(), s.error);
}
} // namespace

// Nothing of an earlier archive or failure shows through: after a failed
// open, creating, writing and closing still finishes the archive.
TEST(ArchiveReuse, EveryGetterAfterEveryStep)
{
    TempDir dir;
    const Bytes key = KeyBytes(21, 0xA0);
    const std::string keyHex = Hex(key);
    WriteFile(dir.Path("src.pbo"),
              MakeArchive({StoredEntry("a.txt", "abc"), StoredEntry("b.txt", "b")}, "prefix", "src\\p", key));
    // A prefix archive with 3 residual bytes fails after its flavour was seen.
    dir.Put("bad.pbo", MakeArchive({StoredEntry("a.txt", "abc")}, "prefix", "p", Bytes(3, 1)));
    const std::string out = dir.Path("out.pbo");

    Ostrel pbo;
    std::string name = "k.txt";
    PboHeaderEntry header;
    header.name = &name[0];
    header.dataSize = 3;
    struct Step
    {
        const char* what;
        std::function<int()> action;
        int result;
        State after;
    };
    const State closed = {Cwc, 0, "", "", "", 0};
    const std::vector<Step> steps = {
        {"open",
         [&] { return pbo.OpenPbo(dir.Path("src.pbo").c_str(), nullptr); },
         0,
         {Arma, 2, "prefix", "src\\p", keyHex, 0}},
        {"close", [&] { return pbo.ClosePbo() ? 1 : 0; }, 1, closed},
        {"damaged open",
         [&] { return pbo.OpenPbo(dir.Path("bad.pbo").c_str(), nullptr); },
         -2,
         {Cwc, 0, "", "", "", -2}},
        {"missing open",
         [&] { return pbo.OpenPbo(dir.Path("missing.pbo").c_str(), nullptr); },
         -3,
         {Cwc, 0, "", "", "", -3}},
        // Writing keeps the key bytes of the last archive read.
        {"create",
         [&] { return pbo.CreatePbo(out.c_str(), Arma, "out", nullptr, nullptr) ? 1 : 0; },
         1,
         {Arma, 0, "", "", keyHex, 0}},
        {"write",
         [&] { return pbo.WriteEntry(&header) && pbo.WriteData(reinterpret_cast<const unsigned char*>("xyz"), 3); },
         1,
         {Arma, 0, "", "", keyHex, 0}},
        {"close written", [&] { return pbo.ClosePbo() ? 1 : 0; }, 1, closed},
    };
    testsupport::CheckRows(steps, [&](const Step& step) {
        EXPECT_EQ(step.action(), step.result);
        ExpectState(pbo, step.after);
    });
    // The written archive ends with the checksum of its own bytes.
    const Bytes written = testsupport::ReadFile(out);
    ASSERT_GT(written.size(), 21u);
    const std::string checksum = Hex(testsupport::ChecksumTrailer(Bytes(written.begin(), written.end() - 21)));
    EXPECT_EQ(pbo.OpenPbo(out.c_str(), nullptr), 0);
    ExpectState(pbo, {Arma, 1, "prefix", "out", checksum, 0});
    EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), 3);
}

// The signature text lives in its object: another object asking for its own
// leaves the first one's text as it was.
TEST(ArchiveReuse, SignatureTextBelongsToItsObject)
{
    TempDir dir;
    const Bytes eliteKey = KeyBytes(5, 0x11);
    const Bytes armaKey = KeyBytes(21, 0x40);
    dir.Put("e.pbo", MakeArchive({StoredEntry("a", "a")}, "prefix", "e", eliteKey));
    dir.Put("a.pbo", MakeArchive({StoredEntry("a", "a")}, "prefix", "a", armaKey));
    Ostrel elite, arma;
    ASSERT_EQ(elite.OpenPbo(dir.Path("e.pbo").c_str(), nullptr), 0);
    ASSERT_EQ(arma.OpenPbo(dir.Path("a.pbo").c_str(), nullptr), 0);
    const char* eliteSig = elite.GetAsciiSig();
    const char* armaSig = arma.GetAsciiSig();
    EXPECT_EQ(std::string(eliteSig), Hex(eliteKey));
    EXPECT_EQ(std::string(armaSig), Hex(armaKey));
    ASSERT_TRUE(arma.ClosePbo());
    EXPECT_STREQ(arma.GetAsciiSig(), "");
    EXPECT_EQ(std::string(eliteSig), Hex(eliteKey));
}

// A pipe or a device is no archive: every way in refuses it at once instead of
// waiting in the open for a writer or reader that never comes.
TEST(ArchiveReuse, PathsThatNameNoRegularFileAreRefused)
{
    OSTREL_POSIX_ONLY("pipes are made with POSIX calls");
#if !defined(_WIN32)
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.Path("pipe.pbo").c_str(), 0600), 0);
    std::vector<std::string> paths = {dir.Path("pipe.pbo")};
    // A device, reached through a link named like an archive.
    if (symlink("/dev/null", dir.Path("null.pbo").c_str()) == 0)
        paths.push_back(dir.Path("null.pbo"));
    for (const std::string& path : paths)
    {
        SCOPED_TRACE(path);
        Ostrel pbo;
        EXPECT_EQ(pbo.OpenPbo(path.c_str(), nullptr), -3);
    }
    // A new archive is never written into a pipe; a link at the name is
    // replaced by the archive, never written through.
    Ostrel pbo;
    EXPECT_FALSE(pbo.CreatePbo(dir.Path("pipe.pbo").c_str(), Cwc, nullptr, nullptr, nullptr));
    EXPECT_TRUE(pbo.ClosePbo());
    struct stat st;
    ASSERT_EQ(stat(dir.Path("pipe.pbo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (paths.size() > 1)
    {
        EXPECT_TRUE(pbo.CreatePbo(dir.Path("null.pbo").c_str(), Cwc, nullptr, nullptr, nullptr));
        EXPECT_TRUE(pbo.ClosePbo());
        ASSERT_EQ(lstat(dir.Path("null.pbo").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        ASSERT_EQ(stat("/dev/null", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
#endif
}

// Sizes of 2 GiB and more cannot be answered as a positive int: such an entry
// fails with "Ostrel No memory" before anything is allocated. The archive is
// a sparse file, so its gigabytes take no room on disk.
TEST(ArchiveReuse, EntriesOf2GiBOrMoreFailWithNoMemory)
{
    for (uint32_t size : {0x80000000u, 0xFFFFFFFFu})
    {
        SCOPED_TRACE(size);
        TempDir dir;
        const std::string path = dir.Path("big.pbo");
        PboBytes header;
        header.Entry("small", 0, 0, 0, 0, 1).Entry("big", 0, 0, 0, 0, size).Terminator().Raw(std::string("s"));
        WriteFile(path, header.Get());
        std::filesystem::resize_file(path, header.Size() + static_cast<uint64_t>(size));
        Ostrel pbo;
        ASSERT_EQ(pbo.OpenPbo(path.c_str(), nullptr), 0);
        pbo_entry* big = pbo.FindEntry("big");
        for (bool raw : {false, true})
        {
            EXPECT_EQ(pbo.GetBinData(big, raw), -1);
            EXPECT_STREQ(pbo.strError(), "Ostrel No memory");
            EXPECT_EQ(pbo.GetDataPtr(big), nullptr);
        }
        EXPECT_EQ(pbo.GetBinData(pbo.FindEntry("small"), false), 1);
    }
}
