// Key and signature files on disk: whole-file reads with a size bound,
// writes through a temporary file (owner-only for private keys), and the
// check that an authority can name a file.
#include <cstdio>
#include <cstring>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "Signing.h"
#include "frame/DataStream.h"

namespace sign
{
namespace
{
// Longest authority: "NAME.pbo.AUTHORITY.bisign" must still fit a 255-byte
// file name for ordinary archive names.
const size_t MaxAuthorityLength = 128;

bool ReservedDeviceName(const std::string& authority)
{
    // Windows refuses these names, with or without an extension.
    std::string stem = authority.substr(0, authority.find('.'));
    for (char& c : stem)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    {
        if (stem == name)
            return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '0' &&
           stem[3] <= '9';
}
} // namespace

bool UsableAsFileName(const std::string& authority)
{
    if (authority.empty() || authority.size() > MaxAuthorityLength || authority.find("..") != std::string::npos)
        return false;
    for (unsigned char c : authority)
    {
        if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c))
            return false;
    }
    // Windows drops a final dot or blank, which would change the name.
    const char last = authority.back();
    return last != '.' && last != ' ' && !ReservedDeviceName(authority);
}

Result ReadWholeFile(const std::string& path, size_t limit, Bytes& bytes)
{
    DataStream stream;
    if (!stream.OpenInput(path.c_str(), nullptr, 0))
        return CannotRead;
    if (stream.FileSize() > limit)
        return CannotRead;
    bytes.resize(static_cast<size_t>(stream.FileSize()));
    const bool read = std::fread(bytes.data(), 1, bytes.size(), stream.InputFile()) == bytes.size();
    stream.Close();
    return read ? Ok : CannotRead;
}

Result WriteFileBytes(const std::string& path, const unsigned char* data, size_t size, bool secret)
{
    if (size > UINT32_MAX)
        return CannotWrite;
    DataStream stream;
    if (!stream.CreateOutput(path.c_str(), nullptr))
        return CannotWrite;
    bool written = true;
#ifndef _WIN32
    // Owner-only before the first byte of key material goes in.
    if (secret)
        written = fchmod(fileno(stream.OutputFile()), S_IRUSR | S_IWUSR) == 0;
#else
    (void)secret;
#endif
    written = written && stream.PutBytes(data, static_cast<uint32_t>(size));
    return stream.FinishOutput(written) ? Ok : CannotWrite;
}
} // namespace sign
