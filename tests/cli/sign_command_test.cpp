// ostrel keygen, sign, verify and pack --sign through the tool: files and
// names written, verdicts and exit statuses, a whole mod checked; built only
// where the signing library is.
#ifdef OSTREL_SIGN
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "CliRun.h"
#include "Signing.h"
#include "support/PboBytes.h"
#include "support/Rows.h"

using clitest::Ostrel;
using testsupport::Bytes;

namespace
{
class SignCommandTest : public testsupport::FolderTest
{
protected:
    std::string Archive(const std::string& name, const std::string& script = "hint 'a';")
    {
        return Put(name, testsupport::WithChecksum(testsupport::MakeArchive(
                             {testsupport::StoredEntry("fn.sqf", script), testsupport::StoredEntry("t.paa", "pixels")},
                             "prefix", "x\\mod")));
    }
    void Keygen(const std::string& authority, const std::string& folder)
    {
        ASSERT_EQ(Ostrel({"keygen", authority, "-o", Path(folder), "-q"}).status, 0);
    }
};
} // namespace

TEST_F(SignCommandTest, KeygenSignVerify)
{
    Put("keys/.keep", "");
    Keygen("me", "keys");
    EXPECT_EQ(Read("keys/me.bikey").size(), 3u + 24 + 128);
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(stat(Path("keys/me.biprivatekey").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
    const Bytes privateKey = Read("keys/me.biprivatekey");
    const testsupport::ProgramOutcome again = Ostrel({"keygen", "me", "-o", Path("keys")});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already there"), std::string::npos) << again.err;
    EXPECT_EQ(Read("keys/me.biprivatekey"), privateKey);

    const std::string a = Archive("a.pbo"), b = Archive("b.pbo", "hint 'b';");
    ASSERT_EQ(Ostrel({"sign", Path("keys/me.biprivatekey"), a, b}).status, 0);
    ASSERT_EQ(Ostrel({"sign", Path("keys/me.biprivatekey"), a, "--v2", "-o", Path("keys")}).status, 0);
    EXPECT_EQ(Read("a.pbo.me.bisign")[3 + 24 + 128 + 4 + 128], 3);
    EXPECT_EQ(Read("keys/a.pbo.me.bisign")[3 + 24 + 128 + 4 + 128], 2);
    const testsupport::ProgramOutcome verified = Ostrel({"verify", Path("keys/me.bikey"), a, b});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_EQ(verified.out, a + ": OK\n" + b + ": OK\n");
    EXPECT_EQ(Ostrel({"verify", Path("keys/me.bikey"), a, "--signature", Path("keys/a.pbo.me.bisign")}).status, 0);
    // Two archives named alike, signed into one folder: the second is refused.
    Archive("sub/a.pbo", "other");
    const testsupport::ProgramOutcome twice =
        Ostrel({"sign", Path("keys/me.biprivatekey"), a, Path("sub/a.pbo"), "-o", Path("keys")});
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.err.find("already written"), std::string::npos) << twice.err;
    EXPECT_EQ(Ostrel({"verify", Path("keys/me.bikey"), a, "--signature", Path("keys/a.pbo.me.bisign")}).status, 0);
    ExpectNoLeftovers();
}

TEST_F(SignCommandTest, VerifyReportsWhyItFails)
{
    Put("keys/.keep", "");
    Keygen("me", "keys");
    Keygen("other", "keys");
    const std::string a = Archive("a.pbo"), changed = Archive("changed.pbo"), unsigned_ = Archive("unsigned.pbo");
    ASSERT_EQ(Ostrel({"sign", Path("keys/me.biprivatekey"), a, changed}).status, 0);
    ASSERT_EQ(Ostrel({"sign", Path("keys/other.biprivatekey"), unsigned_}).status, 0);
    Bytes bytes = Read("changed.pbo");
    bytes[bytes.size() - 21 - 3] ^= 1; // inside the .paa data, checksum left stale
    Put("changed.pbo", bytes);
    Bytes truncated = Read("a.pbo.me.bisign");
    truncated.resize(200);
    Put("bad.bisign", truncated);

    struct Row
    {
        const char* what;
        std::vector<std::string> arguments;
        std::string outPart;
    };
    const std::vector<Row> rows = {
        {"changed archive",
         {"verify", Path("keys/me.bikey"), changed},
         "FAIL: changed.pbo.me.bisign: signatures 1 and 2 do not match the archive; the archive's stored checksum"},
        {"only another authority's signature",
         {"verify", Path("keys/me.bikey"), unsigned_},
         "FAIL: no signature of authority me beside it"},
        {"named signature of another key",
         {"verify", Path("keys/other.bikey"), a, "--signature", Path("a.pbo.me.bisign")},
         "FAIL: a.pbo.me.bisign: signature authority differs"},
        {"damaged signature",
         {"verify", Path("keys/me.bikey"), a, "--signature", Path("bad.bisign")},
         "file ends early"},
        {"missing archive", {"verify", Path("keys/me.bikey"), Path("none.pbo")}, "cannot read file"},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        const testsupport::ProgramOutcome outcome = Ostrel(row.arguments);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.out.find(row.outPart), std::string::npos) << outcome.out << outcome.err;
    });
    const nlohmann::json json =
        nlohmann::json::parse(Ostrel({"verify", Path("keys/me.bikey"), a, changed, "--json"}).out);
    EXPECT_EQ(json["archives"][0]["ok"], true);
    EXPECT_EQ(json["archives"][1]["ok"], false);
}

TEST_F(SignCommandTest, WholeModAndPackSign)
{
    Put("mod/keys/.keep", "");
    Put("mod/addons/.keep", "");
    Put("src/fn.sqf", "hint 'x';");
    Keygen("me", "mod/keys");
    Keygen("spare", "mod/keys");
    ASSERT_EQ(Ostrel({"pack", Path("src"), "-o", Path("mod/addons/main.pbo"), "--flavour", "arma", "--prefix",
                      "x\\main", "--sign", Path("mod/keys/me.biprivatekey"), "-q"})
                  .status,
              0);
    EXPECT_TRUE(Exists("mod/addons/main.pbo.me.bisign"));
    Archive("mod/addons/sub/plain.pbo");
    Put("mod/addons/gone.pbo.me.bisign", Read("mod/addons/main.pbo.me.bisign"));

    testsupport::ProgramOutcome outcome = Ostrel({"verify", "--mod", Path("mod"), "--json"});
    EXPECT_EQ(outcome.status, 1); // an unsigned archive keeps a server from starting
    const nlohmann::json json = nlohmann::json::parse(outcome.out);
    ASSERT_EQ(json["archives"].size(), 2u);
    EXPECT_EQ(json["archives"][0]["ok"], true);
    EXPECT_EQ(json["archives"][1]["reason"], "no signature");
    EXPECT_EQ(json["signaturesWithoutArchive"], nlohmann::json::array({Path("mod/addons/gone.pbo.me.bisign")}));
    EXPECT_EQ(json["unusedKeys"], nlohmann::json::array({Path("mod/keys/spare.bikey")}));

    ASSERT_EQ(Ostrel({"sign", Path("mod/keys/spare.biprivatekey"), Path("mod/addons/sub/plain.pbo"), "-q"}).status, 0);
    outcome = Ostrel({"verify", "--mod", Path("mod")});
    EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("signature without archive: " + Path("mod/addons/gone.pbo.me.bisign")),
              std::string::npos);
}

TEST_F(SignCommandTest, AuthoritiesThatWouldLeaveTheFolderAreRefused)
{
    Put("keys/.keep", "");
    for (const char* authority : {"../up", "a/b", "a\\b", "nul", "x\ty"})
    {
        const testsupport::ProgramOutcome outcome = Ostrel({"keygen", authority, "-o", Path("keys")});
        EXPECT_EQ(outcome.status, 1) << authority;
        EXPECT_NE(outcome.err.find("cannot name a file"), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(Listing("keys"), std::vector<std::string>{".keep"});
    // A key file made elsewhere with such an authority signs nothing.
    sign::PrivateKey key;
    ASSERT_EQ(sign::GenerateKey("../../up", 1024, key), sign::Ok);
    const sign::SecretBytes bytes = sign::WritePrivateKey(key);
    Put("keys/evil.biprivatekey", Bytes(bytes.data(), bytes.data() + bytes.size()));
    const std::string a = Archive("keys/a.pbo");
    EXPECT_EQ(Ostrel({"sign", Path("keys/evil.biprivatekey"), a}).status, 1);
    EXPECT_EQ(Listing("keys"), (std::vector<std::string>{".keep", "a.pbo", "evil.biprivatekey"}));
    EXPECT_EQ(Listing(), std::vector<std::string>{"keys"});
}
#endif
