// The hashes a signature covers: values worked out on published archives,
// the name and file hash rules, and how hash1 treats the stored checksum.
#include <gtest/gtest.h>

#include "SignTestData.h"
#include "support/Rows.h"

using sign::Bytes;
using signtest::Hex;
using testsupport::CheckRows;
using testsupport::MakeArchive;
using testsupport::StoredEntry;

namespace
{
sign::ArchiveHashes Hashes(const Bytes& archive, uint32_t version)
{
    sign::ArchiveHashes hashes;
    EXPECT_EQ(sign::HashArchive(archive.data(), archive.size(), version, hashes), sign::Ok);
    return hashes;
}
sign::Digest Sha1Of(const std::string& text)
{
    return sign::Sha1(text.data(), text.size());
}
} // namespace

TEST(SignHashes, PublishedArchivesCombineToTheirHashes)
{
    // hash2 = SHA-1(hash1, names, prefix\), hash3 = SHA-1(file hash, names,
    // prefix\), with the values of three published signed archives.
    struct Row
    {
        const char* what;
        const char* first;
        const char* names;
        const char* prefixPart;
        const char* expected;
    };
    const std::vector<Row> rows = {
        {"fcs hash2", "b866187755088100db6ea91540fa5feac62f804a", "49bc3c3ac4f0ed879afedd53317984f8f44c1a43",
         "z\\ace\\addons\\fcs\\", "f536f739e060445166f511fe91133c74f9e6bb40"},
        {"fcs hash3 v2", "d1ba28fed2c6c0b772fa3d973d45d4ad5a3f0a7c", "49bc3c3ac4f0ed879afedd53317984f8f44c1a43",
         "z\\ace\\addons\\fcs\\", "fab180ff9f751994301819ee2ee0c18532998a38"},
        {"fcs hash3 v3", "77dd8a513898e794ab27b9dcd404d836da89ce7f", "49bc3c3ac4f0ed879afedd53317984f8f44c1a43",
         "z\\ace\\addons\\fcs\\", "53d181026a2d3a3840a977d556231c8088702f03"},
        {"vehiclelock hash2", "22a538cfd4e68e692614986993b8bf9474aabab4", "51b2f82ea4f97a48b3553ffebbede9aac85320e8",
         "z\\ace\\addons\\vehiclelock\\", "bb8ea95099d34e7a7a30515da7cf91be45231cce"},
        {"vehiclelock hash3", "5738bbf4a04fdb7e84dddb8e205955e507010225", "51b2f82ea4f97a48b3553ffebbede9aac85320e8",
         "z\\ace\\addons\\vehiclelock\\", "895b351bcb65e41ed6272ec6282903e0db5fe23c"},
        {"ai hash2", "69283aed69a1c6fdf902b7218e4b6325780dfde9", "80d634c30c3920e1fde5b80175f3bf23dbc9d8a8",
         "z\\ace\\addons\\ai\\", "47bda3882f4786832a80fd38a06e2a43cea30294"},
        {"ai hash3 v3", "37405704cb88eab74487ba45c8e15df1026d11c4", "80d634c30c3920e1fde5b80175f3bf23dbc9d8a8",
         "z\\ace\\addons\\ai\\", "75e1b1518af877996b615a63d135c9f24d154feb"},
    };
    CheckRows(rows, [](const Row& row) {
        EXPECT_EQ(sign::CombineHashes(Hex(row.first), Hex(row.names), row.prefixPart), Hex(row.expected));
    });
}

TEST(SignHashes, PhotoshootArchiveNamesFilesAndPrefix)
{
    const std::string rvmat(250, 'r'), config(1588, 'c'), header(105, 'h');
    const Bytes archive =
        testsupport::WithChecksum(MakeArchive({StoredEntry("chroma.rvmat", rvmat), StoredEntry("config.bin", config),
                                               StoredEntry("script_component.hpp", header)},
                                              "prefix", "x\\hemtt\\addons\\photoshoot"));
    const sign::ArchiveHashes v3 = Hashes(archive, 3), v2 = Hashes(archive, 2);
    EXPECT_EQ(v3.nameHash, Hex("db53c52fd52ee61b7b2f8d7d8bf648b7657a623a"));
    EXPECT_EQ(v3.prefixPart, "x\\hemtt\\addons\\photoshoot\\");
    EXPECT_EQ(v3.fileHash, Sha1Of(header));          // only the header in version 3
    EXPECT_EQ(v2.fileHash, Sha1Of(config + header)); // all but the material in version 2
    EXPECT_EQ(v3.hash1, sign::Sha1(archive.data(), archive.size() - 21));
    EXPECT_EQ(v3.trailer, sign::Trailer::Matches);
    EXPECT_EQ(v2.hash2, v3.hash2); // only hash3 depends on the version
    EXPECT_EQ(v3.hash3, sign::CombineHashes(v3.fileHash, v3.nameHash, v3.prefixPart));
}

TEST(SignHashes, NameAndFileHashRules)
{
    struct Row
    {
        const char* what;
        std::vector<testsupport::TestEntry> entries;
        std::string prefix;
        uint32_t version;
        std::string names; // the name hash input
        std::string files; // the file hash input
        std::string prefixPart;
    };
    const std::vector<Row> rows = {
        {"lower-case order puts _ before letters",
         {StoredEntry("ui\\keyBlack.paa", "k"), StoredEntry("ui\\key_menuIcon_ca.paa", "m")},
         "a",
         2,
         "ui\\key_menuicon_ca.paaui\\keyblack.paa",
         "nothing",
         "a\\"},
        {"nothing qualifies in version 3", {StoredEntry("config.bin", "c")}, "p\\", 3, "config.bin", "gnihton", "p\\"},
        {"slashes, empty entries, table order, upper-case extensions",
         {StoredEntry("B.SQF", "one"), StoredEntry("a/c.Hpp", "two"), StoredEntry("empty.sqf", "")},
         "",
         3,
         "a\\c.hppb.sqf",
         "onetwo",
         ""},
        {"sqfc counts in version 3, cpp does not",
         {StoredEntry("f.sqfc", "1"), StoredEntry("config.cpp", "2"), StoredEntry("x.cfg", "3")},
         "P",
         3,
         "config.cppf.sqfcx.cfg",
         "13",
         "P\\"},
        {"version 2 skips media only, by the last component's extension",
         {StoredEntry("m.p3d", "1"), StoredEntry("dir.paa\\readme", "2"), StoredEntry("s.ogg", "3"),
          StoredEntry("t.bin", "4")},
         "",
         2,
         "dir.paa\\readmem.p3ds.oggt.bin",
         "24",
         ""},
        {"duplicate names after lower-casing are both hashed",
         {StoredEntry("A.sqf", "1"), StoredEntry("a.sqf", "2")},
         "",
         2,
         "a.sqfa.sqf",
         "12",
         ""},
    };
    CheckRows(rows, [](const Row& row) {
        const Bytes archive = MakeArchive(row.entries, row.prefix.empty() ? "" : "prefix", row.prefix);
        const sign::ArchiveHashes hashes = Hashes(archive, row.version);
        EXPECT_EQ(hashes.nameHash, Sha1Of(row.names));
        EXPECT_EQ(hashes.fileHash, Sha1Of(row.files));
        EXPECT_EQ(hashes.prefixPart, row.prefixPart);
    });
    EXPECT_EQ(Sha1Of("nothing"), Hex("0feca720e2c29dafb2c900713ba560e03b758711"));
    EXPECT_EQ(Sha1Of("gnihton"), Hex("6555a5aaf2aeb04e03ba0c7dce8fdba8d889888d"));
}

TEST(SignHashes, ChecksumAndArchiveLayout)
{
    const Bytes plain = MakeArchive({StoredEntry("a.sqf", "data")});
    Bytes stale = testsupport::WithChecksum(plain);
    stale.back() ^= 1;
    Bytes badTail = plain;
    badTail.insert(badTail.end(), {1, 2, 3, 4, 5});
    Bytes zeroTail = plain;
    zeroTail.resize(zeroTail.size() + 21, 0);
    struct Row
    {
        const char* what;
        Bytes archive;
        sign::Result result;
        sign::Trailer trailer;
        size_t hashed; // bytes hash1 covers
    };
    const std::vector<Row> rows = {
        {"no checksum: every byte", plain, sign::Ok, sign::Trailer::Absent, plain.size()},
        {"matching checksum", testsupport::WithChecksum(plain), sign::Ok, sign::Trailer::Matches, plain.size()},
        {"stale checksum: recomputed", stale, sign::Ok, sign::Trailer::Differs, plain.size()},
        {"zero checksum", zeroTail, sign::Ok, sign::Trailer::Differs, plain.size()},
        {"five odd bytes", badTail, sign::ArchiveBadTail, sign::Trailer::Absent, 0},
        {"data cut short", Bytes(plain.begin(), plain.end() - 1), sign::ArchiveTruncated, sign::Trailer::Absent, 0},
        {"table cut short", Bytes(plain.begin(), plain.begin() + 10), sign::ArchiveTruncated, sign::Trailer::Absent, 0},
    };
    CheckRows(rows, [](const Row& row) {
        sign::ArchiveHashes hashes;
        ASSERT_EQ(sign::HashArchive(row.archive.data(), row.archive.size(), 2, hashes), row.result);
        if (row.result != sign::Ok)
            return;
        EXPECT_EQ(hashes.trailer, row.trailer);
        EXPECT_EQ(hashes.hash1, sign::Sha1(row.archive.data(), row.hashed));
    });
    sign::ArchiveHashes hashes;
    EXPECT_EQ(sign::HashArchive(plain.data(), plain.size(), 4, hashes), sign::UnknownVersion);
}

TEST(SignHashes, PaddedBlock)
{
    const sign::Digest hash1 = Hex("b866187755088100db6ea91540fa5feac62f804a");
    const Bytes block = sign::PaddedDigest(hash1, 128);
    ASSERT_EQ(block.size(), 128u);
    EXPECT_EQ(block[0], 0x00);
    EXPECT_EQ(block[1], 0x01);
    EXPECT_EQ(std::count(block.begin() + 2, block.begin() + 92, 0xFF), 90);
    const Bytes tail = {0x00, 0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), block.begin() + 92));
    EXPECT_TRUE(std::equal(hash1.begin(), hash1.end(), block.begin() + 108));
}
