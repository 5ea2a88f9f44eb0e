// Helpers of the binary output tests: compile a text, write it, read the
// file back; the expected bytes of a tree in each layout.
#pragma once

#include <cstring>
#include <string>

#include "frame/Sha1.h"
#include "rapify/Rapify.h"
#include "support/RapBytes.h"
#include "support/TempDir.h"

namespace outtest
{
using testsupport::Bytes;

struct Written
{
    int compile = -1;
    int output = -1;
    bool exists = false;
    Bytes bytes;
};

// Writes the tree the compiler holds to a fresh file and reads it back.
inline Written WriteTree(Rapify& compiler, bool forceBinary)
{
    testsupport::TempDir dir;
    std::string path = dir.Path("out.bin");
    Written w;
    w.compile = 0;
    w.output = compiler.Output(path.c_str(), forceBinary);
    w.exists = testsupport::FileExists(path);
    if (w.exists)
        w.bytes = testsupport::ReadFile(path);
    return w;
}

inline Written CompileWrite(const std::string& text, bool forceBinary = false, const char* source = "config.cpp")
{
    Rapify compiler;
    int code = compiler.ProcessBuffer(text.c_str(), source, nullptr, nullptr);
    if (code)
    {
        Written w;
        w.compile = code;
        return w;
    }
    return WriteTree(compiler, forceBinary);
}

// HMAC-SHA1 of the bytes from 24 on with the Xbox key.
inline Bytes XboxSignature(const Bytes& file)
{
    static const unsigned char key[16] = {0x3b, 0x9e, 0x51, 0xc0, 0x7a, 0x2d, 0x84, 0xf6,
                                          0xe1, 0x05, 0x8c, 0x3d, 0xa9, 0x72, 0x4b, 0x1e};
    Bytes digest(Sha1::DigestSize);
    if (file.size() < 24)
        return digest;
    HmacSha1 mac(key, sizeof key);
    mac.Update(file.data() + 24, file.size() - 24);
    mac.Final(digest.data());
    return digest;
}

} // namespace outtest
