// Keys and archives shared by the signing tests: one generated key per
// size (made once per test program) and a small archive with a prefix.
#pragma once

#include <map>
#include <string>

#include "Signing.h"
#include "support/PboBytes.h"

namespace signtest
{
inline const sign::PrivateKey& Key(uint32_t bits = 1024, const std::string& authority = "test")
{
    static std::map<std::pair<uint32_t, std::string>, sign::PrivateKey> keys;
    auto found = keys.find({bits, authority});
    if (found == keys.end())
    {
        sign::PrivateKey key;
        EXPECT_EQ(sign::GenerateKey(authority, bits, key), sign::Ok);
        found = keys.emplace(std::make_pair(bits, authority), key).first;
    }
    return found->second;
}

inline sign::Digest Hex(const std::string& hex)
{
    sign::Digest digest{};
    for (size_t i = 0; i < digest.size() && 2 * i + 1 < hex.size(); ++i)
        digest[i] = static_cast<unsigned char>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return digest;
}

// Entries of every kind the hashes tell apart, a prefix, and the checksum.
inline testsupport::Bytes SampleArchive()
{
    using testsupport::StoredEntry;
    return testsupport::WithChecksum(testsupport::MakeArchive(
        {StoredEntry("config.bin", "raP config bytes"), StoredEntry("functions\\fn_go.sqf", "hint 'go';"),
         StoredEntry("stringtable.xml", "<Project/>"), StoredEntry("ui\\icon_ca.paa", "texture bytes")},
        "prefix", "z\\mod\\addons\\main"));
}
} // namespace signtest
