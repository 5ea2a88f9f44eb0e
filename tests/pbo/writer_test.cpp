// Archive writer: exact bytes of every flavour, prefix derivation, progress
// texts, the terminator and key bytes, the block operations, and round trips
// through the reader.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif
#include <vector>

#include "OstrelTestAccess.h"
#include "RazDLL.h"
#include "pbo/Ostrel.h"
#include "support/ArchiveRead.h"
#include "support/Capture.h"
#include "support/Compressor.h"
#include "support/FolderTest.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/Rows.h"

using testsupport::Bytes;
using testsupport::Capture;
using testsupport::EntryNames;
using testsupport::Loaded;
using testsupport::PboBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::ToBytes;

namespace
{
class WriterTest : public testsupport::FolderTest
{
protected:
    void SetUp() override { Capture::Reset(); }
};

const uint32_t Stamp = 0x5F3759DF;
const uint32_t Compressed = 0x43707273;

// A header entry whose name the caller keeps alive.
PboHeaderEntry Header(std::string& name, uint32_t dataSize, uint32_t method = 0, uint32_t originalSize = 0)
{
    PboHeaderEntry h;
    h.name = &name[0];
    h.packingMethod = method;
    h.originalSize = originalSize;
    h.timestamp = Stamp;
    h.dataSize = dataSize;
    return h;
}

// An entry for the block operations; the list frees it on ClosePbo.
pbo_entry* ListEntry(const char* name, const char* sourceName, uint32_t dataSize)
{
    pbo_entry* e = new pbo_entry;
    e->name = strdup(name);
    e->sourceName = sourceName ? strdup(sourceName) : nullptr;
    e->timestamp = Stamp;
    e->dataSize = dataSize;
    return e;
}

void Link(Ostrel& pbo, const std::vector<pbo_entry*>& entries)
{
    for (size_t i = 0; i + 1 < entries.size(); ++i)
        entries[i]->next = entries[i + 1];
    pbo.firstEntry = entries.empty() ? nullptr : entries.front();
}

Bytes Zeros(size_t n)
{
    return Bytes(n, 0);
}

Bytes Tail(const Bytes& bytes, size_t n)
{
    return n <= bytes.size() ? Bytes(bytes.end() - static_cast<long>(n), bytes.end()) : Bytes();
}

// The Arma archive whose residual bytes are 0x01..0x15, one entry "k.txt".
Bytes ArmaSource(const Bytes& residual)
{
    return testsupport::MakeArchive({testsupport::StoredEntry("k.txt", "key")}, "prefix", "src", residual);
}

Bytes Counting(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>(i + 1);
    return b;
}
} // namespace

TEST_F(WriterTest, ResistanceArchiveWithOneFileIsExactly95Bytes)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("res").c_str(), Resistance, nullptr, &Capture::Callback, nullptr));
    std::string name = "a.txt";
    PboHeaderEntry entry = Header(name, 3);
    ASSERT_TRUE(pbo.WriteEntry(&entry));
    ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>("abc"), 3));
    ASSERT_TRUE(pbo.ClosePbo());

    const Bytes file = Read("res.pbo");
    const unsigned char expected[95] = {// 0: product entry
                                        0x00, 0x73, 0x72, 0x65, 0x56, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        // 21: product strings
                                        'T', 'o', 'v', 'r', 'i', 'n', 0, 'O', 'F', 'P', ':', ' ', 'R', 'e', 's', 'i',
                                        's', 't', 'a', 'n', 'c', 'e', 0, 0,
                                        // 45: a.txt
                                        'a', '.', 't', 'x', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xDF, 0x59,
                                        0x37, 0x5F, 3, 0, 0, 0,
                                        // 71: terminator
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        // 92: data
                                        'a', 'b', 'c'};
    ASSERT_EQ(file.size(), sizeof expected);
    for (size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(file[i], expected[i]) << "offset " << i;
    EXPECT_EQ(Capture::lines, std::vector<std::string>{"Creating Resistance style pbo\r\n"});

    ASSERT_EQ(pbo.OpenPbo(Path("res.pbo").c_str(), nullptr), 0);
    EXPECT_EQ(pbo.GetPboType(), Resistance);
    EXPECT_STREQ(pbo.GetProductType(), "Tovrin");
    EXPECT_STREQ(pbo.GetProductName(), "OFP: Resistance");
    ASSERT_EQ(pbo.GetEntryCount(), 1);
    EXPECT_EQ(pbo.firstEntry->timestamp, Stamp);
    EXPECT_EQ(Loaded(pbo, pbo.firstEntry), "abc");
}

TEST_F(WriterTest, PrefixIsDerivedFromTheArchiveBaseName)
{
    struct Case
    {
        std::string name; // inside the temporary folder
        std::string file; // file created there
        std::string prefix;
    };
    const Case cases[] = {
        {"\\Weapons", "Weapons.pbo", "ca\\Weapons"}, // table match ignores case, keeps it
        {"/mymod", "mymod.pbo", "mymod"},
        {"/mymod.pbo", "mymod.pbo", "mymod.pbo"}, // extension included
        {"\\sub\\..\\UI", "UI.pbo", "ca\\UI"},
        {"/weaponsx", "weaponsx.pbo", "weaponsx"},
    };
    ASSERT_TRUE(std::filesystem::create_directory(Path("sub")));
    testsupport::CheckRows(cases, [&](const Case& c) {
        Capture::Reset();
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo((Path() + c.name).c_str(), ArmaNoSha, nullptr, &Capture::Callback, nullptr));
        ASSERT_TRUE(pbo.ClosePbo());
        EXPECT_EQ(Capture::lines,
                  (std::vector<std::string>{"Creating ArmA style non residual pbo ", "Prefix = " + c.prefix + "\r\n"}));
        Bytes expected = PboBytes().Product("prefix", c.prefix).Terminator().Get();
        EXPECT_EQ(Read(c.file), expected);
    });
}

TEST_F(WriterTest, EveryTableNameGetsTheGamePrefix)
{
    // The table: 22 distinct lower-case names, a few of them typed in here.
    std::set<std::string> names(std::begin(PboGamePrefixBases), std::end(PboGamePrefixBases));
    EXPECT_EQ(names.size(), 22u);
    for (const std::string& name : names)
        EXPECT_EQ(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << name;
    for (const char* member : {"air", "introanims", "sara", "uifonts", "wheeled"})
        EXPECT_EQ(names.count(member), 1u) << member;

    // Every name of the table gets the prefix when it names an archive.
    for (const char* base : PboGamePrefixBases)
    {
        SCOPED_TRACE(base);
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo(Path(base).c_str(), Arma, nullptr, nullptr, nullptr));
        ASSERT_TRUE(pbo.ClosePbo());
        ASSERT_EQ(pbo.OpenPbo(Path(base).c_str(), nullptr), 0);
        EXPECT_EQ(pbo.GetProductName(), "ca\\" + std::string(base));
    }
}

TEST_F(WriterTest, GivenPrefixIsWrittenAsIs)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("weapons").c_str(), Elite, "x\\y", &Capture::Callback, nullptr));
    ASSERT_TRUE(pbo.ClosePbo());
    EXPECT_EQ(Capture::lines, (std::vector<std::string>{"Creating Xbox Elite Style Pbo: ", "Prefix = x\\y\r\n",
                                                        "Writing sha key\r\n"}));
    EXPECT_EQ(Read("weapons.pbo"), PboBytes().Product("prefix", "x\\y").Terminator().Raw(Zeros(5)).Get());
}

TEST_F(WriterTest, FlavourComesFromTheFlagsWithoutTheOptionBits)
{
    struct Case
    {
        int flags;
        PboFlags flavour;
        std::vector<std::string> texts;
        Bytes bytes; // the whole archive without entries
    };
    const Case cases[] = {
        {9,
         Resistance,
         {"Creating Resistance style pbo\r\n"},
         PboBytes().Product("Tovrin", "OFP: Resistance").Terminator().Get()},
        {4, Cwc, {"Creating CWC style pbo\r\n"}, PboBytes().Terminator().Get()},
        {0, Cwc, {"Creating CWC style pbo\r\n"}, PboBytes().Terminator().Get()},
        {24, Cwc, {"Creating CWC style pbo\r\n"}, PboBytes().Terminator().Get()},
        {17,
         ArmaNoSha,
         {"Creating ArmA style non residual pbo ", "Prefix = p\r\n"},
         PboBytes().Product("prefix", "p").Terminator().Get()},
        {35,
         Elite,
         {"Creating Xbox Elite Style Pbo: ", "Prefix = p\r\n", "Writing sha key\r\n"},
         PboBytes().Product("prefix", "p").Terminator().Raw(Zeros(5)).Get()},
        {71,
         Arma,
         {"Creating ArmA style pbo: ", "Prefix = p\r\n", "Writing sha key\r\n"},
         testsupport::WithChecksum(PboBytes().Product("prefix", "p").Terminator().Get())},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.flags);
        Capture::Reset();
        Ostrel pbo;
        ASSERT_TRUE(
            pbo.CreatePbo(Path("p").c_str(), static_cast<PboFlags>(c.flags), nullptr, &Capture::Callback, nullptr));
        EXPECT_EQ(pbo.GetPboType(), c.flavour);
        ASSERT_TRUE(pbo.ClosePbo());
        EXPECT_EQ(Capture::lines, c.texts);
        EXPECT_EQ(Read("p.pbo"), c.bytes);
        ASSERT_EQ(pbo.OpenPbo(Path("p").c_str(), nullptr), 0);
        EXPECT_EQ(pbo.GetPboType(), c.flavour);
        EXPECT_EQ(pbo.GetEntryCount(), 0);
    }
}

TEST_F(WriterTest, CwcArchiveWithAThreeByteAndAnEmptyEntry)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("cwc.pbo").c_str(), Cwc, nullptr, nullptr, nullptr));
    std::string a = "a", b = "b";
    PboHeaderEntry ha = Header(a, 3), hb = Header(b, 0);
    ASSERT_TRUE(pbo.WriteEntry(&ha));
    ASSERT_TRUE(pbo.WriteEntry(&hb));
    ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>("xyz"), 3));
    ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>(""), 0));
    ASSERT_TRUE(pbo.ClosePbo());

    Bytes expected =
        PboBytes().Entry("a", 0, 0, 0, Stamp, 3).Entry("b", 0, 0, 0, Stamp, 0).Terminator().Raw("xyz").Get();
    ASSERT_EQ(expected.size(), 68u);
    EXPECT_EQ(Read("cwc.pbo"), expected);

    ASSERT_EQ(pbo.OpenPbo(Path("cwc.pbo").c_str(), nullptr), 0);
    EXPECT_EQ(pbo.GetPboType(), Cwc);
    EXPECT_EQ(EntryNames(pbo), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Loaded(pbo, pbo.FindEntry("A")), "xyz");
    EXPECT_EQ(Loaded(pbo, pbo.FindEntry("b")), "");
}

// An archive that never received a data byte is still closed by exactly one
// terminator, and it comes before the key bytes.
TEST_F(WriterTest, ArchiveWithoutDataGetsItsTerminatorOnce)
{
    struct Case
    {
        PboFlags flavour;
        bool emptyEntry;      // one header entry of size 0
        bool zeroLengthWrite; // WriteData(.., 0) for it
        size_t keyBytes;
    };
    const Case cases[] = {
        {Cwc, false, false, 0},     {Cwc, true, false, 0},    {Cwc, true, true, 0},    {Resistance, true, false, 0},
        {ArmaNoSha, true, true, 0}, {Elite, false, false, 5}, {Arma, true, false, 21}, {Arma, true, true, 21},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.flavour << " " << c.emptyEntry << " " << c.zeroLengthWrite);
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo(Path("e").c_str(), c.flavour, "e", nullptr, nullptr));
        std::string name = "empty.txt";
        PboHeaderEntry h = Header(name, 0);
        if (c.emptyEntry)
        {
            ASSERT_TRUE(pbo.WriteEntry(&h));
        }
        if (c.zeroLengthWrite)
        {
            ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>(""), 0));
        }
        ASSERT_TRUE(pbo.ClosePbo());

        PboBytes expected;
        if (c.flavour == Resistance)
            expected.Product("Tovrin", "OFP: Resistance");
        else if (c.flavour != Cwc)
            expected.Product("prefix", "e");
        if (c.emptyEntry)
            expected.Entry(name, 0, 0, 0, Stamp, 0);
        expected.Terminator();
        Bytes whole =
            c.flavour == Arma ? testsupport::WithChecksum(expected.Get()) : expected.Raw(Zeros(c.keyBytes)).Get();
        EXPECT_EQ(Read("e.pbo"), whole);

        ASSERT_EQ(pbo.OpenPbo(Path("e.pbo").c_str(), nullptr), 0);
        EXPECT_EQ(pbo.GetPboType(), c.flavour);
        EXPECT_EQ(pbo.GetEntryCount(), c.emptyEntry ? 1 : 0);
    }
}

// An Arma archive ends with a zero byte and the SHA-1 of every byte before
// it, whatever key bytes the object read before.
TEST_F(WriterTest, ArmaArchiveEndsWithTheChecksumOfItsBytes)
{
    const Bytes key = Counting(21);
    Put("src.pbo", ArmaSource(key));
    struct Case
    {
        const char* what;
        bool loadEntry;  // GetBinData on the source first
        bool closeFirst; // ClosePbo between reading and writing
    };
    const Case cases[] = {{"open only", false, false}, {"entry loaded", true, false}, {"closed", false, true}};
    testsupport::CheckRows(cases, [&](const Case& c) {
        Capture::Reset();
        Ostrel pbo;
        ASSERT_EQ(pbo.OpenPbo(Path("src.pbo").c_str(), nullptr), 0);
        ASSERT_EQ(pbo.GetPboType(), Arma);
        std::string data = "key";
        if (c.loadEntry)
        {
            ASSERT_EQ(Loaded(pbo, pbo.firstEntry), "key");
        }
        if (c.closeFirst)
        {
            ASSERT_TRUE(pbo.ClosePbo());
        }
        ASSERT_TRUE(pbo.CreatePbo(Path("out").c_str(), Arma, "out", &Capture::Callback, nullptr));
        std::string name = "k.txt";
        PboHeaderEntry h = Header(name, 3);
        ASSERT_TRUE(pbo.WriteEntry(&h));
        ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>(data.data()), 3));
        ASSERT_TRUE(pbo.ClosePbo());

        EXPECT_EQ(Capture::lines,
                  (std::vector<std::string>{"Creating ArmA style pbo: ", "Prefix = out\r\n", "Writing sha key\r\n"}));
        Bytes body = PboBytes().Product("prefix", "out").Entry(name, 0, 0, 0, Stamp, 3).Terminator().Raw(data).Get();
        EXPECT_EQ(Read("out.pbo"), testsupport::WithChecksum(body));
        EXPECT_EQ(pbo.OpenPbo(Path("out.pbo").c_str(), nullptr), 0);
        EXPECT_EQ(pbo.VerifyChecksum(), 0);
    });
}

TEST_F(WriterTest, EliteArchiveTakesTheFirstFiveKeyBytes)
{
    const Bytes key = Counting(5);
    Put("src.pbo", ArmaSource(key));
    Ostrel pbo;
    ASSERT_EQ(pbo.OpenPbo(Path("src.pbo").c_str(), nullptr), 0);
    ASSERT_EQ(pbo.GetPboType(), Elite);
    ASSERT_TRUE(pbo.CreatePbo(Path("out").c_str(), Elite, "out", nullptr, nullptr));
    EXPECT_EQ(OstrelTestAccess::ResidualCount(pbo), 5);
    ASSERT_TRUE(pbo.ClosePbo());
    EXPECT_EQ(Tail(Read("out.pbo"), 26), PboBytes().Terminator().Raw(key).Get());
}

TEST_F(WriterTest, FailedArchiveGetsNoEndingBytes)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("f").c_str(), Arma, "f", nullptr, nullptr));
    OstrelTestAccess::SetErrorCode(pbo, -3);
    // The unfinished archive is thrown away, and the close says so.
    EXPECT_FALSE(pbo.ClosePbo());
    EXPECT_FALSE(Exists("f.pbo"));
}

TEST_F(WriterTest, WriteHeaderBlockRenamesTextAndStarredEntries)
{
    struct Case
    {
        const char* name;
        const char* source;
        const char* plain;  // written with txt false
        const char* texted; // written with txt true
    };
    const Case cases[] = {
        {"config.cpp", "config.cpp", "config.cpp", "config.cpp.txt"},
        {"sub\\CONFIG.CPP", "CONFIG.CPP", "sub\\CONFIG.CPP", "sub\\CONFIG.CPP.txt"},
        {"mission.sqm", "mission.sqm", "mission.sqm", "mission.sqm.txt"},
        {"mission.bin", "mission.bin", "mission.sqm", "mission.sqm"},
        {"x.zzz", "x.zzz", "x.***", "x.***"},
        {"Y.ZZZ", "Y.ZZZ", "Y.ZZZ", "Y.ZZZ"},
        {"a.zzzz", "a.zzzz", "a.zzzz", "a.zzzz"},
        {"zzz", "zzz", "zzz", "zzz"},
        {"zzz\\f", "f", "zzz\\f", "zzz\\f"},
        {"config.bin", "config.bin", "config.bin", "config.bin"},
    };
    for (bool txt : {false, true})
    {
        SCOPED_TRACE(txt);
        Capture::Reset();
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo(Path("h").c_str(), Cwc, nullptr, &Capture::Callback, nullptr));
        Capture::Reset();
        std::vector<pbo_entry*> list;
        std::vector<std::string> lines, written;
        for (const Case& c : cases)
        {
            list.push_back(ListEntry(c.name, c.source, 0));
            lines.push_back(std::string(c.name) + "\r\n");
            written.push_back(txt ? c.texted : c.plain);
        }
        Link(pbo, list);
        ASSERT_EQ(OstrelTestAccess::WriteHeaderBlock(pbo, txt), 0);
        EXPECT_TRUE(OstrelTestAccess::HeaderWritten(pbo));
        EXPECT_EQ(EntryNames(pbo)[0], "config.cpp") << "the list keeps its names";
        ASSERT_TRUE(pbo.ClosePbo());
        EXPECT_EQ(Capture::lines, lines);

        PboBytes expected;
        for (const std::string& name : written)
            expected.Entry(name, 0, 0, 0, Stamp, 0);
        EXPECT_EQ(Read("h.pbo"), expected.Terminator().Get());
        ASSERT_EQ(pbo.OpenPbo(Path("h").c_str(), nullptr), 0);
        EXPECT_EQ(EntryNames(pbo), written);
    }
}

TEST_F(WriterTest, BlockOperationsStopWhenTheCallbackSaysSo)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("c").c_str(), Cwc, nullptr, &Capture::Callback, nullptr));
    Link(pbo, {ListEntry("a", "a", 0), ListEntry("b", "b", 0)});
    Capture::Reset(1);
    EXPECT_EQ(OstrelTestAccess::WriteHeaderBlock(pbo, false), -12);
    EXPECT_EQ(Capture::lines, std::vector<std::string>{"a\r\n"});
    Capture::Reset(1);
    EXPECT_EQ(OstrelTestAccess::WriteDataBlock(pbo, Path().c_str()), -12);
    EXPECT_EQ(Capture::lines, std::vector<std::string>{"."});
    OstrelTestAccess::SetErrorCode(pbo, -12);
    pbo.ClosePbo();
    EXPECT_TRUE(Read("c.pbo").empty());
}

TEST_F(WriterTest, WriteDataBlockCopiesEachFileOfTheFolder)
{
    Put("one.txt", std::string("11111"));
    ASSERT_TRUE(std::filesystem::create_directory(Path("sub")));
    Put("sub/two.bin", std::string("22"));
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("d").c_str(), Resistance, nullptr, &Capture::Callback, nullptr));
    Link(pbo, {ListEntry("one.txt", "one.txt", 5), ListEntry("sub\\two.bin", "two.bin", 2)});
    Capture::Reset();
    ASSERT_EQ(OstrelTestAccess::WriteHeaderBlock(pbo, false), 0);
    ASSERT_EQ(OstrelTestAccess::WriteDataBlock(pbo, Path().c_str()), 0);
    EXPECT_EQ(Capture::lines, (std::vector<std::string>{"one.txt\r\n", "sub\\two.bin\r\n", ".", ".", "\r\n"}));
    EXPECT_EQ(pbo.GetDataPtr(pbo.firstEntry), nullptr) << "data is freed after writing";
    ASSERT_TRUE(pbo.ClosePbo());

    Bytes expected = PboBytes()
                         .Product("Tovrin", "OFP: Resistance")
                         .Entry("one.txt", 0, 0, 0, Stamp, 5)
                         .Entry("sub\\two.bin", 0, 0, 0, Stamp, 2)
                         .Terminator()
                         .Raw("1111122")
                         .Get();
    EXPECT_EQ(Read("d.pbo"), expected);
}

TEST_F(WriterTest, WriteDataBlockFailsOnMissingOrShortFiles)
{
    Put("short.txt", std::string("12"));
    struct Case
    {
        const char* name;
        uint32_t size;
    };
    for (const Case& c : {Case{"missing.txt", 1}, Case{"short.txt", 3}})
    {
        SCOPED_TRACE(c.name);
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo(Path("m").c_str(), Cwc, nullptr, nullptr, nullptr));
        Link(pbo, {ListEntry(c.name, c.name, c.size)});
        ASSERT_EQ(OstrelTestAccess::WriteHeaderBlock(pbo, false), 0);
        EXPECT_EQ(OstrelTestAccess::WriteDataBlock(pbo, Path().c_str()), -3);
        EXPECT_EQ(pbo.GetDataPtr(pbo.firstEntry), nullptr);
    }
}

TEST_F(WriterTest, WritesThatCannotSucceedAnswerFalse)
{
    Ostrel pbo;
    EXPECT_FALSE(pbo.CreatePbo(Path("no/such/folder/x").c_str(), Arma, nullptr, nullptr, nullptr));
    EXPECT_FALSE(pbo.CreatePbo(nullptr, Cwc, nullptr, nullptr, nullptr));
    std::string name = "a";
    PboHeaderEntry h = Header(name, 1);
    EXPECT_FALSE(pbo.WriteEntry(&h)) << "no output file";
    EXPECT_FALSE(pbo.WriteData(reinterpret_cast<const unsigned char*>("a"), 1));

    ASSERT_TRUE(pbo.CreatePbo(Path("w").c_str(), Cwc, nullptr, nullptr, nullptr));
    EXPECT_FALSE(pbo.WriteEntry(nullptr));
    std::string longest(253, 'n'), tooLong(254, 'n');
    PboHeaderEntry fits = Header(longest, 0), overlong = Header(tooLong, 0);
    EXPECT_TRUE(pbo.WriteEntry(&fits));
    EXPECT_FALSE(pbo.WriteEntry(&overlong)) << "the reader could not open the archive again";
    EXPECT_FALSE(pbo.WriteData(reinterpret_cast<const unsigned char*>("a"), -1));
    EXPECT_FALSE(pbo.WriteData(nullptr, 4));
    ASSERT_TRUE(pbo.ClosePbo());
    ASSERT_EQ(pbo.OpenPbo(Path("w").c_str(), nullptr), 0);
    EXPECT_EQ(EntryNames(pbo), std::vector<std::string>{longest});

    EXPECT_FALSE(pbo.CreatePbo(Path("q").c_str(), ArmaNoSha, std::string(254, 'p').c_str(), nullptr, nullptr));
}

TEST_F(WriterTest, EveryFlavourReadsBackWithStoredAndCompressedEntries)
{
    const Bytes contents = testsupport::TextLike(3000, 7);
    const Bytes packed = testsupport::Compress(contents);
    const std::string stored = "stored bytes";
    for (PboFlags flavour : {Cwc, Resistance, ArmaNoSha, Elite, Arma})
    {
        SCOPED_TRACE(flavour);
        RazDLL writer;
        ASSERT_TRUE(writer.ostrel.CreatePbo(Path("rt").c_str(), flavour, "my\\prefix", nullptr, nullptr));
        std::string n1 = "data\\packed.txt", n2 = "plain.txt", n3 = "empty";
        PboHeaderEntry h1 =
            Header(n1, static_cast<uint32_t>(packed.size()), Compressed, static_cast<uint32_t>(contents.size()));
        PboHeaderEntry h2 = Header(n2, static_cast<uint32_t>(stored.size()));
        PboHeaderEntry h3 = Header(n3, 0);
        for (PboHeaderEntry* h : {&h1, &h2, &h3})
            ASSERT_TRUE(writer.ostrel.WriteEntry(h));
        ASSERT_TRUE(writer.ostrel.WriteData(packed.data(), static_cast<int>(packed.size())));
        ASSERT_TRUE(writer.ostrel.WriteData(reinterpret_cast<const unsigned char*>(stored.data()),
                                            static_cast<int>(stored.size())));
        ASSERT_TRUE(writer.ostrel.ClosePbo());

        RazDLL reader;
        Ostrel& pbo = reader.ostrel;
        ASSERT_EQ(pbo.OpenPbo(Path("rt.pbo").c_str(), nullptr), 0);
        EXPECT_EQ(pbo.GetPboType(), flavour);
        EXPECT_EQ(EntryNames(pbo), (std::vector<std::string>{n1, n2, n3}));
        if (flavour >= ArmaNoSha)
        {
            EXPECT_STREQ(pbo.GetProductName(), "my\\prefix");
        }
        pbo_entry* e = pbo.firstEntry;
        EXPECT_EQ(pbo.IsCompressed(e), 1);
        EXPECT_EQ(Loaded(pbo, e), std::string(contents.begin(), contents.end()));
        EXPECT_EQ(Loaded(pbo, e->next), stored);
        EXPECT_EQ(Loaded(pbo, e->next->next), "");
        if (flavour == Arma)
        {
            const Bytes file = Read("rt.pbo");
            EXPECT_EQ(Tail(file, 21), testsupport::ChecksumTrailer(Bytes(file.begin(), file.end() - 21)));
        }
        else
        {
            EXPECT_EQ(pbo.GetAsciiSig(), std::string(flavour == Elite ? 10 : 0, '0'));
        }
        EXPECT_EQ(pbo.VerifyChecksum(), flavour == Arma ? 0 : 1);
    }
}

// Bytes that cannot reach the disk make the close fail, even when they were
// still buffered when the last write returned. (A file size limit stands in
// for a full disk: devices are no archives and are refused when created.)
TEST_F(WriterTest, CloseFailsWhenTheBytesCannotBeStored)
{
    OSTREL_POSIX_ONLY("the file size cannot be capped (setrlimit)");
#if !defined(_WIN32)
    for (PboFlags flavour : {Cwc, Arma})
    {
        SCOPED_TRACE(flavour);
        Ostrel pbo;
        ASSERT_TRUE(pbo.CreatePbo(Path("full").c_str(), flavour, "p", nullptr, nullptr));
        std::string name = "a";
        PboHeaderEntry h = Header(name, 1);
        pbo.WriteEntry(&h);
        pbo.WriteData(reinterpret_cast<const unsigned char*>("a"), 1);
        rlimit old;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit low = old;
        low.rlim_cur = 40; // less than the 44 bytes of the smallest archive here
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
        bool closed = pbo.ClosePbo();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(closed);
    }
#endif
}

// A name that ends in a separator derives an empty prefix; the empty string
// already ends the product list, so no second one follows it.
TEST_F(WriterTest, EmptyDerivedPrefixKeepsTheArchiveReadable)
{
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo((Path() + "/").c_str(), ArmaNoSha, nullptr, &Capture::Callback, nullptr));
    std::string name = "a";
    PboHeaderEntry h = Header(name, 1);
    ASSERT_TRUE(pbo.WriteEntry(&h));
    ASSERT_TRUE(pbo.WriteData(reinterpret_cast<const unsigned char*>("a"), 1));
    ASSERT_TRUE(pbo.ClosePbo());
    EXPECT_EQ(Capture::lines, (std::vector<std::string>{"Creating ArmA style non residual pbo ", "Prefix = \r\n"}));
    Bytes expected = PboBytes()
                         .Entry("", 0x56657273, 0, 0, 0, 0)
                         .Str("prefix")
                         .Str("")
                         .Entry("a", 0, 0, 0, Stamp, 1)
                         .Terminator()
                         .Raw("a")
                         .Get();
    EXPECT_EQ(Read(".pbo"), expected);
    ASSERT_EQ(pbo.OpenPbo(Path(".pbo").c_str(), nullptr), 0);
    EXPECT_EQ(pbo.GetPboType(), ArmaNoSha);
    EXPECT_EQ(EntryNames(pbo), std::vector<std::string>{"a"});
}
