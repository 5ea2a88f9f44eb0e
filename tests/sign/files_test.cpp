// Key and signature files: exact bytes back after a read, the sizes of
// every layout, and damaged files refused with the reason.
#include <gtest/gtest.h>

#include <functional>

#include "Crypto.h"
#include "SignTestData.h"
#include "support/Rows.h"

using sign::Bytes;
using testsupport::CheckRows;

namespace
{
Bytes Public()
{
    return sign::WritePublicKey(signtest::Key().Public());
}
Bytes Private()
{
    const sign::SecretBytes bytes = sign::WritePrivateKey(signtest::Key());
    return Bytes(bytes.data(), bytes.data() + bytes.size());
}
Bytes SignatureBytes()
{
    const Bytes archive = signtest::SampleArchive();
    sign::Signature signature;
    EXPECT_EQ(sign::SignArchive(signtest::Key(), archive.data(), archive.size(), 2, signature), sign::Ok);
    return sign::WriteSignature(signature);
}

sign::Result ReadAs(char kind, const Bytes& bytes)
{
    sign::PublicKey publicKey;
    sign::PrivateKey privateKey;
    sign::Signature signature;
    return kind == 'k'   ? sign::ReadPublicKey(bytes.data(), bytes.size(), publicKey)
           : kind == 'p' ? sign::ReadPrivateKey(bytes.data(), bytes.size(), privateKey)
                         : sign::ReadSignature(bytes.data(), bytes.size(), signature);
}
} // namespace

TEST(SignFiles, LayoutSizesAndExactRoundTrips)
{
    // Authority "test" takes 5 bytes; a 1024-bit key has k = 128.
    const Bytes publicKey = Public(), privateKey = Private(), signature = SignatureBytes();
    EXPECT_EQ(publicKey.size(), 5u + 24 + 128);
    EXPECT_EQ(privateKey.size(), 5u + 24 + 9 * 128 / 2);
    EXPECT_EQ(signature.size(), 5u + 40 + 4 * 128);
    // The public key is the private key's start with the blob type, magic
    // and length changed, and the signature's start.
    Bytes derived(privateKey.begin(), privateKey.begin() + publicKey.size());
    derived[5] = 0x94;
    derived[6] = 0x00;
    derived[9] = 0x06;
    derived[20] = '1';
    EXPECT_EQ(derived, publicKey);
    EXPECT_TRUE(std::equal(publicKey.begin(), publicKey.end(), signature.begin()));
    EXPECT_EQ(signature[5 + 24 + 128 + 4 + 128], 2); // version after the first signature

    sign::PublicKey readPublic;
    sign::PrivateKey readPrivate;
    sign::Signature readSignature;
    ASSERT_EQ(sign::ReadPublicKey(publicKey.data(), publicKey.size(), readPublic), sign::Ok);
    ASSERT_EQ(sign::ReadPrivateKey(privateKey.data(), privateKey.size(), readPrivate), sign::Ok);
    ASSERT_EQ(sign::ReadSignature(signature.data(), signature.size(), readSignature), sign::Ok);
    EXPECT_EQ(sign::WritePublicKey(readPublic), publicKey);
    const sign::SecretBytes privateAgain = sign::WritePrivateKey(readPrivate);
    EXPECT_EQ(Bytes(privateAgain.data(), privateAgain.data() + privateAgain.size()), privateKey);
    EXPECT_EQ(sign::WriteSignature(readSignature), signature);
    EXPECT_EQ(readPublic.authority, "test");
    EXPECT_EQ(readPublic.exponent, 65537u);
}

TEST(SignFiles, DamagedFilesAreRefused)
{
    struct Row
    {
        const char* what;
        char kind; // k public key, p private key, s signature
        std::function<void(Bytes&)> damage;
        sign::Result expected;
    };
    auto truncateTo = [](size_t size) {
        return [size](Bytes& b) {
            b.resize(size);
        };
    };
    auto set = [](size_t at, unsigned char value) {
        return [at, value](Bytes& b) {
            b[at] = value;
        };
    };
    const std::vector<Row> rows = {
        {"public: empty", 'k', truncateTo(0), sign::Truncated},
        {"public: inside the authority", 'k', truncateTo(3), sign::NoAuthority},
        {"public: inside the blob header", 'k', truncateTo(12), sign::Truncated},
        {"public: one byte short", 'k', truncateTo(156), sign::Truncated},
        {"public: one byte more", 'k', [](Bytes& b) { b.push_back(0); }, sign::TrailingBytes},
        {"public: private blob type", 'k', set(9, 0x07), sign::BadBlobHeader},
        {"public: other algorithm", 'k', set(14, 0xA4), sign::BadBlobHeader},
        {"public: wrong magic", 'k', set(20, '2'), sign::BadMagic},
        {"public: blob length", 'k', set(5, 0x95), sign::BadBlobLength},
        {"public: bit length 1032", 'k', set(21, 0x08), sign::BadBitLength},
        {"public: even exponent", 'k', set(25, 0x00), sign::BadExponent},
        {"private: one byte short", 'p', truncateTo(604), sign::Truncated},
        {"private: one byte more", 'p', [](Bytes& b) { b.push_back(1); }, sign::TrailingBytes},
        {"private: public blob type", 'p', set(9, 0x06), sign::BadBlobHeader},
        {"private: public magic", 'p', set(20, '1'), sign::BadMagic},
        {"private: public blob length", 'p', set(5, 0x94), sign::BadBlobLength},
        {"signature: version 4", 's', set(289, 4), sign::UnknownVersion},
        {"signature: version 1", 's', set(289, 1), sign::UnknownVersion},
        {"signature: first length", 's', set(157, 127), sign::BadSignatureLength},
        {"signature: third length", 's', set(425, 129), sign::BadSignatureLength},
        {"signature: inside the third value", 's', truncateTo(500), sign::Truncated},
        {"signature: one byte more", 's', [](Bytes& b) { b.push_back(0); }, sign::TrailingBytes},
        {"signature: private blob type", 's', set(9, 0x07), sign::BadBlobHeader},
    };
    const Bytes publicKey = Public(), privateKey = Private(), signature = SignatureBytes();
    CheckRows(rows, [&](const Row& row) {
        Bytes bytes = row.kind == 'k' ? publicKey : row.kind == 'p' ? privateKey : signature;
        row.damage(bytes);
        EXPECT_EQ(ReadAs(row.kind, bytes), row.expected) << sign::ErrorText(ReadAs(row.kind, bytes));
    });
    // Every refusal has its own message.
    EXPECT_STRNE(sign::ErrorText(sign::UnknownVersion), sign::ErrorText(sign::BadSignatureLength));
}

TEST(SignFiles, ShortNumbersKeepTheirFullWidth)
{
    // Little-endian fields whose high bytes are zero (a value below 2^(8k-8))
    // come back at full width, zeros at the end.
    const std::vector<Bytes> rows = {{0x01, 0x00, 0x00, 0x00},
                                     {0xFF, 0x7F, 0x00, 0x00},
                                     {0x00, 0x00, 0x00, 0x80},
                                     {0x00, 0x00, 0x00, 0x00},
                                     {0x12, 0x34, 0x56, 0x78}};
    CheckRows(rows, [](const Bytes& field) {
        const sign::Mpi number = sign::FromLittleEndian(field.data(), field.size(), true);
        Bytes back(field.size(), 0xEE);
        ASSERT_TRUE(sign::ToLittleEndian(number, back.size(), back.data()));
        EXPECT_EQ(back, field);
        Bytes narrow(1);
        EXPECT_EQ(sign::ToLittleEndian(number, 1, narrow.data()), field[1] == 0 && field[2] == 0 && field[3] == 0);
    });
}
