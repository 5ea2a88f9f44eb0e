// Generated keys, signing and verification: round trips over every key size
// and both versions, the verdict on one-byte changes, the reasons of a
// refusal, authority names, and the files written.
#include <gtest/gtest.h>

#include <functional>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "Crypto.h"
#include "SignTestData.h"
#include "support/FolderTest.h"
#include "support/Rows.h"

using sign::Bytes;
using testsupport::CheckRows;

namespace
{
sign::Signature Sign(const sign::PrivateKey& key, const Bytes& archive, uint32_t version)
{
    sign::Signature signature;
    EXPECT_EQ(sign::SignArchive(key, archive.data(), archive.size(), version, signature), sign::Ok);
    return signature;
}
sign::Verdict Verify(const sign::PublicKey& key, const sign::Signature& signature, const Bytes& archive)
{
    return sign::VerifyArchive(key, signature, archive.data(), archive.size());
}
sign::Mpi Number(const sign::SecretBytes& field)
{
    return sign::FromLittleEndian(field.data(), field.size(), true);
}
} // namespace

TEST(Signing, GeneratedKeysSignAndVerifyAtEverySize)
{
    const Bytes archive = signtest::SampleArchive();
    for (uint32_t bits : {1024u, 2048u, 4096u})
    {
        SCOPED_TRACE(bits);
        const sign::PrivateKey& key = signtest::Key(bits);
        ASSERT_EQ(key.modulus.size(), bits / 8);
        EXPECT_GE(key.modulus.back(), 0x80); // exactly the bit length
        // p > q, and d e = 1 modulo (p - 1)(q - 1).
        const sign::Mpi p = Number(key.prime1), q = Number(key.prime2), d = Number(key.privateExponent);
        EXPECT_GT(gcry_mpi_cmp(p.Get(), q.Get()), 0);
        sign::Mpi phi(gcry_mpi_new(0)), p1(gcry_mpi_new(0)), q1(gcry_mpi_new(0)), de(gcry_mpi_new(0));
        gcry_mpi_sub_ui(p1.Get(), p.Get(), 1);
        gcry_mpi_sub_ui(q1.Get(), q.Get(), 1);
        gcry_mpi_mul(phi.Get(), p1.Get(), q1.Get());
        gcry_mpi_mul_ui(de.Get(), d.Get(), key.exponent);
        gcry_mpi_mod(de.Get(), de.Get(), phi.Get());
        EXPECT_EQ(gcry_mpi_cmp_ui(de.Get(), 1), 0);

        for (uint32_t version : {2u, 3u})
        {
            const sign::Signature signature = Sign(key, archive, version);
            const Bytes file = sign::WriteSignature(signature);
            sign::Signature read;
            ASSERT_EQ(sign::ReadSignature(file.data(), file.size(), read), sign::Ok);
            const sign::Verdict verdict = Verify(key.Public(), read, archive);
            EXPECT_TRUE(verdict.Passed()) << verdict.Reason();
            EXPECT_EQ(read.version, version);
            EXPECT_EQ(sign::WriteSignature(Sign(key, archive, version)), file); // deterministic
        }
    }
}

TEST(Signing, OneByteChangesFailTheRightSignatures)
{
    const Bytes original = signtest::SampleArchive();
    auto find = [&](const std::string& text) {
        const auto at = std::search(original.begin(), original.end(), text.begin(), text.end());
        EXPECT_NE(at, original.end()) << text;
        return static_cast<size_t>(at - original.begin());
    };
    struct Row
    {
        const char* what;
        size_t at;
        unsigned char value;
        const char* v2; // per signature: F fails, . holds
        const char* v3;
    };
    const size_t timestamp = find("fn_go.sqf") + 10 + 12;
    const std::vector<Row> rows = {
        {"script data", find("hint"), 'H', "FFF", "FFF"},
        {"config data", find("raP"), 'R', "FFF", "FF."},
        {"stringtable data", find("<Project"), '[', "FFF", "FF."},
        {"texture data", find("texture bytes"), 'T', "FF.", "FF."},
        {"entry name letter", find("fn_go"), 'x', "FFF", "FFF"},
        {"entry name case", find("fn_go.sqf") + 6, 'S', "FF.", "FF."},
        {"entry timestamp", timestamp, 0x7F, "FF.", "FF."},
        {"prefix letter", find("z\\mod"), 'y', "FFF", "FFF"},
        {"prefix case", find("z\\mod"), 'Z', "FFF", "FFF"},
    };
    const sign::PrivateKey& key = signtest::Key();
    CheckRows(rows, [&](const Row& row) {
        Bytes stale = original;
        stale[row.at] = row.value;
        const Bytes content(stale.begin(), stale.end() - 21);
        const Bytes rewritten = testsupport::WithChecksum(content);
        for (uint32_t version : {2u, 3u})
        {
            const sign::Signature signature = Sign(key, original, version);
            for (const Bytes* archive : {static_cast<const Bytes*>(&stale), &rewritten})
            {
                const sign::Verdict verdict = Verify(key.Public(), signature, *archive);
                std::string fails;
                for (bool failed : verdict.fails)
                    fails += failed ? 'F' : '.';
                EXPECT_EQ(fails, version == 2 ? row.v2 : row.v3) << "version " << version;
                EXPECT_EQ(verdict.result, sign::SignatureFails);
                EXPECT_EQ(verdict.trailer, archive == &stale ? sign::Trailer::Differs : sign::Trailer::Matches);
                EXPECT_FALSE(verdict.Passed());
            }
        }
    });
}

TEST(Signing, RefusalReasons)
{
    const Bytes archive = signtest::SampleArchive();
    const sign::PrivateKey& key = signtest::Key();
    const sign::Signature good = Sign(key, archive, 3);
    struct Row
    {
        const char* what;
        std::function<void(sign::PublicKey&, sign::Signature&, Bytes&)> change;
        sign::Result result;
        std::string reasonPart;
    };
    const std::vector<Row> rows = {
        {"authority differs", [](sign::PublicKey& k, sign::Signature&, Bytes&) { k.authority = "Test"; },
         sign::AuthorityDiffers, "authority"},
        {"other key, same authority",
         [](sign::PublicKey& k, sign::Signature&, Bytes&) { k = signtest::Key(2048).Public(); }, sign::KeyDiffers,
         "different key"},
        {"exponent differs", [](sign::PublicKey& k, sign::Signature&, Bytes&) { k.exponent = 3; }, sign::KeyDiffers,
         "exponent"},
        {"value not below the modulus",
         [](sign::PublicKey&, sign::Signature& s, Bytes&) { s.values[1].assign(128, 0xFF); }, sign::SignatureFails,
         "signature 2 (value not below the modulus)"},
        {"value zero", [](sign::PublicKey&, sign::Signature& s, Bytes&) { s.values[0].assign(128, 0); },
         sign::SignatureFails, "signature 1 does not match"},
        {"damaged archive", [](sign::PublicKey&, sign::Signature&, Bytes& a) { a.resize(30); }, sign::ArchiveTruncated,
         "archive ends"},
        {"stored checksum only", [](sign::PublicKey&, sign::Signature&, Bytes& a) { a.back() ^= 0x40; }, sign::Ok,
         "stored checksum"},
    };
    CheckRows(rows, [&](const Row& row) {
        sign::PublicKey publicKey = key.Public();
        sign::Signature signature = good;
        Bytes bytes = archive;
        row.change(publicKey, signature, bytes);
        const sign::Verdict verdict = Verify(publicKey, signature, bytes);
        EXPECT_EQ(verdict.result, row.result);
        EXPECT_FALSE(verdict.Passed());
        EXPECT_NE(verdict.Reason().find(row.reasonPart), std::string::npos) << verdict.Reason();
    });
}

TEST(Signing, AuthoritiesThatCanNameFiles)
{
    struct Row
    {
        std::string name;
        bool usable;
    };
    const std::vector<Row> rows = {
        {"ace_3.5.1", true},
        {"[TF]Nkey7", true},
        {"grad_x_1.0.0.0-1f2add16", true},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"..", false},
        {"x..y", false},
        {"tab\there", false},
        {"del\x7f", false},
        {"c:key", false},
        {"what?", false},
        {"dot.", false},
        {"blank ", false},
        {"CON", false},
        {"com1.key", false},
        {std::string(128, 'a'), true},
        {std::string(129, 'a'), false},
    };
    CheckRows(rows, [](const Row& row) { EXPECT_EQ(sign::UsableAsFileName(row.name), row.usable) << row.name; });
    sign::PrivateKey key;
    EXPECT_EQ(sign::GenerateKey("k", 1000, key), sign::BadKeySize);
}

class SigningFiles : public testsupport::FolderTest
{
};

TEST_F(SigningFiles, PrivateKeysAreOwnerOnlyAndReadsAreBounded)
{
    const sign::SecretBytes bytes = sign::WritePrivateKey(signtest::Key());
    ASSERT_EQ(sign::WriteFileBytes(Path("k.biprivatekey"), bytes.data(), bytes.size(), true), sign::Ok);
    ASSERT_EQ(sign::WriteFileBytes(Path("k.bikey"), bytes.data(), 10, false), sign::Ok);
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(stat(Path("k.biprivatekey").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
    Bytes read;
    EXPECT_EQ(sign::ReadWholeFile(Path("k.biprivatekey"), 1 << 20, read), sign::Ok);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), bytes.data()) && read.size() == bytes.size());
    EXPECT_EQ(sign::ReadWholeFile(Path("k.biprivatekey"), 100, read), sign::CannotRead);
    EXPECT_EQ(sign::ReadWholeFile(Path("missing"), 100, read), sign::CannotRead);
    EXPECT_EQ(sign::WriteFileBytes(Path("no/such/folder/k"), bytes.data(), 1, true), sign::CannotWrite);
    ExpectNoLeftovers();
}
