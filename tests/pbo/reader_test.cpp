// Tests of the archive reader: flavours, headers, entries and products.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "RazDLL.h"
#include "frame/Platform.h"
#include "pbo/Ostrel.h"
#include "pbo/PboErrors.h"
#include "support/Capture.h"
#include "support/Compressor.h"
#include "support/FolderTest.h"
#include "support/PboBytes.h"
#include "support/Rows.h"

using namespace testsupport;

namespace
{
class ReaderTest : public testsupport::FolderTest
{
protected:
    int Open(const Bytes& bytes)
    {
        Capture::Reset();
        return pbo.OpenPbo(Put("test.pbo", bytes).c_str(), &Capture::Callback);
    }

    Ostrel pbo;
};

Bytes Residual(size_t n)
{
    Bytes r(n);
    for (size_t i = 0; i < n; ++i)
        r[i] = static_cast<unsigned char>(0xA0 + i);
    return r;
}
} // namespace

TEST_F(ReaderTest, ResistanceArchiveOfNinetyFiveBytes)
{
    Bytes bytes = MakeArchive({StoredEntry("a.txt", "abc")}, "Tovrin", "OFP: Resistance");
    ASSERT_EQ(bytes.size(), 95u);
    EXPECT_EQ(bytes[92], 'a');
    ASSERT_EQ(Open(bytes), 0);
    EXPECT_EQ(pbo.GetPboType(), Resistance);
    EXPECT_STREQ(pbo.GetProductType(), "Tovrin");
    EXPECT_STREQ(pbo.GetProductName(), "OFP: Resistance");
    EXPECT_EQ(pbo.GetEntryCount(), 1);
    EXPECT_EQ(pbo.StrangeValues(), 0);
    EXPECT_STREQ(pbo.GetAsciiSig(), "");
    EXPECT_EQ(Capture::Joined(), "Pbo Type is: Resistance\r\n"
                                 "=======HEADER=======\r\n"
                                 "Type: \"Tovrin\"\r\n"
                                 "Name: \"OFP: Resistance\"\r\n"
                                 "========*==*==============\r\n");
    pbo_entry* e = pbo.firstEntry;
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(pbo.GetEntryFilename(e), "a.txt");
    EXPECT_EQ(pbo.GetBinData(e, false), 3);
    EXPECT_EQ(std::memcmp(pbo.GetDataPtr(e), "abc", 3), 0);
    EXPECT_EQ(pbo.GetNextEntry(e), nullptr);
}

TEST_F(ReaderTest, EmptyCwcArchiveAndMissingFiles)
{
    ASSERT_EQ(Open(Bytes(21, 0)), 0);
    EXPECT_EQ(pbo.GetPboType(), Cwc);
    EXPECT_EQ(pbo.firstEntry, nullptr);
    EXPECT_EQ(Capture::Joined(), "Pbo Type is: CWC\r\n========*==*==============\r\n");

    EXPECT_EQ(Open(Bytes()), -3);
    EXPECT_STREQ(pbo.strError(), "Ostrel No File opened");
    EXPECT_EQ(pbo.OpenPbo(Path("missing").c_str(), nullptr), -3);
    EXPECT_STREQ(pbo.strError(), "Ostrel No File opened");
    // A folder is no archive, whatever its name.
    ASSERT_EQ(platform::MakeFolder(Path("folder.pbo").c_str()), 0);
    EXPECT_EQ(pbo.OpenPbo(Path("folder.pbo").c_str(), nullptr), -3);
}

TEST_F(ReaderTest, NameWithoutExtensionGetsPbo)
{
    Put("plain.pbo", Bytes(21, 0));
    EXPECT_EQ(pbo.OpenPbo(Path("plain").c_str(), nullptr), 0);
#if defined(_WIN32)
    const int otherCase = 0; // file names there ignore letter case
#else
    const int otherCase = -3; // the case of the file name matters on disk
#endif
    EXPECT_EQ(pbo.OpenPbo((Path() + "\\plain.PBO").c_str(), nullptr), otherCase);
}

TEST_F(ReaderTest, CompressedTerminatorEndsHeader)
{
    PboBytes b;
    b.Entry("x", 0, 0, 0, 0, 2).Entry("", 0x43707273, 0, 0, 0, 0).Raw(std::string("hi"));
    ASSERT_EQ(Open(b.Get()), 0);
    EXPECT_EQ(pbo.GetEntryCount(), 1);
    EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), 2);
}

TEST_F(ReaderTest, FlavourDetectionByProductAndResidualBytes)
{
    struct Case
    {
        std::string type;
        size_t residual;
        int expected;
        const char* lines;
    };
    const Case cases[] = {
        {"product", 0, Resistance, "Pbo Type is: Resistance\r\n"},
        {"product", 7, Resistance, "Pbo Type is: Resistance\r\n"},
        {"PREFIX", 0, ArmaNoSha, "Pbo Type is: Elite or Arma (missing residual bytes)\r\n"},
        {"prefix", 5, Elite, "Pbo Type is: Elite\r\nResidual bytes(5)= A0A1A2A3A4\r\n"},
        {"Prefix", 21, Arma, "Pbo Type is: Arma\r\nResidual bytes(21)= A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3B4\r\n"},
        {"prefix", 3, -2, nullptr},
        {"prefix", 22, -2, nullptr},
    };
    for (const Case& c : cases)
    {
        Bytes bytes = MakeArchive({StoredEntry("f", "12345")}, c.type, "x\\y", Residual(c.residual));
        int result = Open(bytes);
        if (c.expected < 0)
        {
            EXPECT_EQ(result, c.expected) << c.type << c.residual;
            EXPECT_STREQ(pbo.strError(), "Ostrel File Truncated");
            EXPECT_EQ(pbo.firstEntry, nullptr);
            continue;
        }
        ASSERT_EQ(result, 0) << c.type << c.residual;
        EXPECT_EQ(pbo.GetPboType(), c.expected);
        EXPECT_EQ(Capture::lines.at(0) + (c.residual == 5 || c.residual == 21 ? Capture::lines.at(1) : ""), c.lines);
        EXPECT_EQ(Capture::lines.back(), "========*==*==============\r\n");
        EXPECT_EQ(std::strlen(pbo.GetAsciiSig()), c.expected == Elite ? 10u : c.expected == Arma ? 42u : 0u);
        if (c.expected == Arma)
        {
            EXPECT_EQ(std::memcmp(pbo.GetPrefixKey(), Residual(21).data(), 21), 0);
        }
        EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), 5);
    }
}

TEST_F(ReaderTest, ProductEntryMayStandAnywhereAndStrangeValuesAreNoted)
{
    PboBytes b;
    b.Entry("one", 0, 0, 0, 0, 1).Entry("", 0x56657273, 1, 0, 0, 0).Str("prefix").Str("p").Str("extra").Str("");
    b.Entry("", 0, 0, 0, 0, 0).Raw(std::string("1"));
    ASSERT_EQ(Open(b.Get()), 0);
    EXPECT_EQ(pbo.GetPboType(), ArmaNoSha);
    EXPECT_EQ(pbo.StrangeValues(), 1);
    EXPECT_STREQ(pbo.GetProductName(), "p");

    // An empty product type ends the strings at once.
    PboBytes empty;
    empty.Entry("", 0x56657273, 0, 0, 0, 0).Str("").Terminator();
    ASSERT_EQ(Open(empty.Get()), 0);
    EXPECT_EQ(pbo.GetPboType(), Resistance);
    EXPECT_STREQ(pbo.GetProductType(), "");
    EXPECT_EQ(Capture::Joined(), "Pbo Type is: Resistance\r\n========*==*==============\r\n");
}

TEST_F(ReaderTest, HeaderErrors)
{
    struct Case
    {
        Bytes bytes;
        int code;
        const char* message;
    };
    PboBytes twoProducts, badEmpty, reserved, storedMismatch, longName, cutName, cutWords, cutProduct;
    twoProducts.Product("a", "b").Product("c", "d").Terminator();
    badEmpty.Entry("", 1, 0, 0, 0, 0);
    reserved.Entry("f", 0, 0, 1, 0, 0).Terminator();
    storedMismatch.Entry("f", 0, 20, 0, 0, 10).Terminator();
    longName.Entry(std::string(254, 'n'), 0, 0, 0, 0, 0).Terminator();
    cutName.Raw(std::string("abc"));
    cutWords.Str("f").U32(0).U32(0);
    cutProduct.Entry("", 0x56657273, 0, 0, 0, 0).Str("prefix").Raw(std::string("na"));
    const Case cases[] = {
        {twoProducts.Get(), -8, "Ostrel multiple product entries"},
        {badEmpty.Get(), -9, "Ostrel unknown header type"},
        {reserved.Get(), -11, "Ostrel Entry's reserved field non-zero"},
        {storedMismatch.Get(), -9, "Ostrel unknown header type"},
        {longName.Get(), -2, "Ostrel File Truncated"},
        {cutName.Get(), -2, "Ostrel File Truncated"},
        {cutWords.Get(), -2, "Ostrel File Truncated"},
        {cutProduct.Get(), -2, "Ostrel File Truncated"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Open(c.bytes), c.code);
        EXPECT_STREQ(pbo.strError(), c.message);
        EXPECT_EQ(pbo.firstEntry, nullptr);
        EXPECT_EQ(pbo.GetEntryCount(), 0);
    }
    PboBytes longest;
    longest.Entry(std::string(253, 'n'), 0, 0, 0, 0, 0).Terminator();
    EXPECT_EQ(Open(longest.Get()), 0);
}

TEST_F(ReaderTest, StoredAndCompressedEntryRules)
{
    Bytes contents = TextLike(3000, 7);
    TestEntry packed = CompressedEntry("Config.Bin", contents);
    TestEntry sameSizes;
    sameSizes.name = "same";
    sameSizes.data = ToBytes("0123456789");
    sameSizes.originalSize = 10;
    TestEntry implied; // a run of one byte: back-references with offset 1
    implied.name = "implied";
    implied.data = Compress(ToBytes("zzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"));
    implied.method = 0x43707273;
    implied.originalSize = 30;
    ASSERT_EQ(Open(MakeArchive({packed, sameSizes, implied})), 0);

    pbo_entry* e = pbo.FindEntry("CONFIG.BIN");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(pbo.FindEntry("config.bi"), nullptr);
    EXPECT_EQ(pbo.IsCompressed(e), 1);
    EXPECT_EQ(pbo.WasEncrypted(e), 0);
    EXPECT_EQ(pbo.GetHeaderEntry(e)->dataSize, packed.data.size());

    // Raw: the packed bytes, the packed size.
    ASSERT_EQ(pbo.GetBinData(e, true), static_cast<int>(packed.data.size()));
    EXPECT_EQ(Bytes(pbo.GetDataPtr(e), pbo.GetDataPtr(e) + packed.data.size()), packed.data);
    EXPECT_EQ(pbo.GetBinData(e, false), static_cast<int>(packed.data.size())); // already loaded
    pbo.FreeData(e);
    EXPECT_EQ(pbo.GetDataPtr(e), nullptr);
    // Unpacked after a raw load reports the unpacked size.
    ASSERT_EQ(pbo.GetBinData(e, false), 3000);
    EXPECT_EQ(Bytes(pbo.GetDataPtr(e), pbo.GetDataPtr(e) + 3000), contents);
    EXPECT_EQ(pbo.IsCompressed(e), 1);

    pbo_entry* same = pbo.FindEntry("same");
    EXPECT_EQ(pbo.IsCompressed(same), 0);
    EXPECT_EQ(pbo.GetBinData(same, false), 10);
    pbo_entry* imp = pbo.FindEntry("implied");
    EXPECT_EQ(pbo.GetBinData(imp, false), 30);
    EXPECT_EQ(pbo.GetDataPtr(imp)[29], 'z');
}

TEST_F(ReaderTest, LoadFailuresAreBoundedByTheFile)
{
    // Data sizes of a CWC archive are not checked on opening; the load of an
    // entry beyond the end fails without allocating what the header claims.
    // Like any failed read it keeps a block attached, holding the bytes that
    // are there, and the size reported for it afterwards is theirs.
    PboBytes huge;
    huge.Entry("ok", 0, 0, 0, 0, 2).Entry("big", 0, 0, 0, 0, 0xFFFFFF00u).Terminator().Raw(std::string("ok"));
    ASSERT_EQ(Open(huge.Get()), 0);
    EXPECT_EQ(pbo.GetBinData(pbo.FindEntry("ok"), false), 2);
    EXPECT_EQ(pbo.GetBinData(pbo.FindEntry("big"), false), -2);
    EXPECT_NE(pbo.GetDataPtr(pbo.FindEntry("big")), nullptr);
    EXPECT_STREQ(pbo.strError(), "Ostrel File Truncated");
    EXPECT_EQ(pbo.GetBinData(pbo.FindEntry("big"), false), 0);

    PboBytes cut;
    cut.Entry("part", 0, 0, 0, 0, 10).Terminator().Raw(std::string("1234"));
    ASSERT_EQ(Open(cut.Get()), 0);
    pbo_entry* part = pbo.firstEntry;
    EXPECT_EQ(pbo.GetBinData(part, true), -2);
    ASSERT_NE(pbo.GetDataPtr(part), nullptr);
    EXPECT_EQ(pbo.GetBinData(part, true), 4);
    EXPECT_EQ(std::memcmp(pbo.GetDataPtr(part), "1234", 4), 0);
    pbo.FreeData(part);
    EXPECT_EQ(pbo.GetBinData(part, false), -2);

    // An original size the packed bytes can never produce, up to 0xFFFFFFFF.
    for (uint32_t original : {0xFFFFFFFFu, 0x7FFFFFFFu, 1000000u})
    {
        PboBytes bad;
        Bytes stream = Compress(ToBytes("abcabcabc"));
        bad.Entry("c", 0x43707273, original, 0, 0, static_cast<uint32_t>(stream.size())).Terminator().Raw(stream);
        ASSERT_EQ(Open(bad.Get()), 0);
        EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), -4) << original;
        EXPECT_STREQ(pbo.strError(), "Ostrel compression out of bounds");
        // What stays attached matches the size reported for it.
        EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), static_cast<int>(stream.size()));
    }

    // A checksum failure leaves the unpacked bytes attached.
    Bytes stream = Compress(ToBytes("hello hello hello"));
    stream.back() ^= 0x40;
    PboBytes badSum;
    badSum.Entry("s", 0x43707273, 17, 0, 0, static_cast<uint32_t>(stream.size())).Terminator().Raw(stream);
    ASSERT_EQ(Open(badSum.Get()), 0);
    EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, false), -6);
    ASSERT_NE(pbo.GetDataPtr(pbo.firstEntry), nullptr);
    EXPECT_EQ(std::memcmp(pbo.GetDataPtr(pbo.firstEntry), "hello hello hello", 17), 0);
    EXPECT_STREQ(pbo.strError(), "Ostrel compression checksum");
}

TEST_F(ReaderTest, ErrorTable)
{
    struct Row
    {
        int code;
        const char* text;
    };
    const Row rows[] = {{0, "No error(s)"},
                        {-1, "Ostrel No memory"},
                        {-5, "Ostrel compression chunk is zero"},
                        {-12, "Callback failed / cancelled"},
                        {-13, "Cannot remove pbo folder"},
                        {-14, "Cannot make folder"},
                        {-15, "Lint error"},
                        {-16, "config.cpp or mission.sqm is pre raPified"},
                        {-17, "config.bin and, config.cpp cannot co-exist"},
                        {-7, "pbo Unknown error"},
                        {5, "pbo Unknown error"}};
    for (const Row& r : rows)
        EXPECT_STREQ(PboErrorText(r.code), r.text) << r.code;
}

// The checksum an Arma archive stores after its data: checked against the
// bytes before it; archives that store none answer 1.
TEST_F(ReaderTest, VerifyChecksumComparesTheStoredSha1)
{
    const Bytes body = MakeArchive({StoredEntry("a.txt", "alpha"), StoredEntry("b.txt", "beta")}, "prefix", "p");
    Bytes corrupted = WithChecksum(body);
    corrupted[body.size() - 2] ^= 1;
    Bytes flagged = WithChecksum(body);
    flagged[body.size()] = 1;
    struct Row
    {
        const char* what;
        Bytes archive;
        int result;
    } rows[] = {
        {"stored checksum", WithChecksum(body), 0},
        {"zeros", MakeArchive({StoredEntry("a.txt", "alpha")}, "prefix", "p", Bytes(21, 0)), 1},
        {"first byte not zero", flagged, 1},
        {"no residual bytes", body, 1},
        {"elite", MakeArchive({StoredEntry("a.txt", "alpha")}, "prefix", "p", Bytes(5, 7)), 1},
        {"cwc", MakeArchive({StoredEntry("a.txt", "alpha")}), 1},
        {"data changed", corrupted, 2},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        ASSERT_EQ(Open(row.archive), 0);
        EXPECT_EQ(pbo.VerifyChecksum(), row.result);
        EXPECT_EQ(pbo.GetErrorCode(), 0);
        // The entries still read after the check.
        EXPECT_EQ(pbo.GetBinData(pbo.firstEntry, true), 5);
        pbo.ClosePbo();
    });
    EXPECT_EQ(pbo.VerifyChecksum(), PboNoFile);
    EXPECT_EQ(pbo.GetErrorCode(), PboNoFile);
    // The file shrinks after it was opened (past what its stream buffers):
    // its bytes cannot be read.
    const Bytes large = MakeArchive({StoredEntry("big", std::string(100000, 'b'))}, "prefix", "p");
    ASSERT_EQ(Open(WithChecksum(large)), 0);
    std::error_code code;
    std::filesystem::resize_file(Path("test.pbo"), large.size() / 2, code);
    if (!code)
    {
        EXPECT_EQ(pbo.VerifyChecksum(), PboTruncated);
        EXPECT_STREQ(pbo.strError(), "Ostrel File Truncated");
    }
}
