// Helpers of the config decoder tests: signatures and decoded texts.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "rap/DeRap.h"
#include "rap/RapFormat.h"
#include "support/TempDir.h"

namespace raptest
{
// The signature, and the signature with the inline layout's mark.
const testsupport::Bytes kSignature(rapformat::Signature, rapformat::Signature + rapformat::SignatureLength);
inline testsupport::Bytes InlineHead()
{
    testsupport::Bytes head = kSignature;
    head.insert(head.end(), rapformat::InlineMark, rapformat::InlineMark + sizeof rapformat::InlineMark);
    return head;
}

struct Decoded
{
    bool accepted = false; // SetAsRapData's answer
    RapError code = RapNoError;
    bool textNull = true;
    std::string text;
};

struct Options
{
    bool usePragma = false;
    bool showOffsets = false;
    bool spaceIndent = true;
};

// A heap copy of exactly the given bytes, so that the sanitizer sees any read
// past their end.
inline std::unique_ptr<unsigned char[]> ExactCopy(const testsupport::Bytes& bytes)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() ? bytes.size() : 1]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return copy;
}

inline Decoded Convert(DeRap& derap)
{
    Decoded result;
    const char* text = nullptr;
    result.code = derap.ConvertRapData(&text);
    result.textNull = text == nullptr;
    if (text)
        result.text = text;
    return result;
}

// Detects and converts bytes held in memory, as an archive entry would be.
inline Decoded Decode(const testsupport::Bytes& bytes, const char* name = "config.bin", Options options = {})
{
    std::unique_ptr<unsigned char[]> copy = ExactCopy(bytes);
    DeRap derap;
    derap.usePragma = options.usePragma;
    derap.showOffsets = options.showOffsets;
    derap.SetTabChar(options.spaceIndent);
    Decoded result;
    result.accepted = derap.SetAsRapData(copy.get(), static_cast<unsigned int>(bytes.size()), name);
    if (!result.accepted)
        return result;
    bool accepted = result.accepted;
    result = Convert(derap);
    result.accepted = accepted;
    return result;
}

// The text a failed conversion ends with.
inline std::string ErrorLine(RapError code)
{
    return std::string("//") + DeRap::ErrorString(code) + "\r\n";
}
} // namespace raptest
