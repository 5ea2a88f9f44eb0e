// The input buffer and output file of every format class: loading, bounded
// reads, and outputs written under a temporary name and renamed into place.

#include "DataStream.h"

#include <cstdlib>
#include <cstring>

#include "ByteOrder.h"
#include "OwnedString.h"
#include "Platform.h"
#include "Text.h"

void DataStream::ResolveName(OwnedString& resolved, const char* name, const char* extension)
{
    if (extension && *extension)
    {
        const char* dot = std::strrchr(name, '.');
        if (!dot || !text::EqualNoCase(dot + 1, extension))
        {
            OwnedString::FormatString(resolved, "%s.%s", name, extension);
            return;
        }
    }
    resolved.Copy(name);
}

DataStream::DataStream() = default;

DataStream::~DataStream()
{
    Close();
}

void DataStream::CloseInputFile()
{
    if (inputFile)
        std::fclose(inputFile);
    inputFile = nullptr;
}

bool DataStream::CloseOutput()
{
    return FinishOutput(true);
}

bool DataStream::FinishOutput(bool complete)
{
    if (!outputFile)
        return true;
    bool ok = std::fclose(outputFile) == 0 && complete;
    outputFile = nullptr;
    digesting = false;
    if (ok)
        ok = platform::ReplaceFile(temporaryName.Get(), outputName.Get()) == 0;
    if (!ok)
        platform::DeleteFile(temporaryName.Get());
    temporaryName.Reset();
    outputName.Reset();
    return ok;
}

void DataStream::Close()
{
    CloseInputFile();
    CloseOutput();
    if (!borrowed)
        std::free(buffer);
    buffer = nullptr;
    borrowed = false;
    length = 0;
    position = 0;
    fileSize = 0;
}

bool DataStream::OpenInput(const char* name, const char* extension, int mode)
{
    Close();
    if (!name)
        return false;
    OwnedString resolved;
    ResolveName(resolved, name, extension);
    if (resolved.Empty())
        return false;
    FILE* file = platform::OpenFile(resolved.Get(), "rb");
    if (!file)
        return false;
    int64_t size = -1;
    if (platform::SeekEnd(file))
        size = platform::TellOf(file);
    if (size <= 0 || !platform::SeekTo(file, 0))
    {
        std::fclose(file);
        return false;
    }
    if (mode == 0)
    {
        inputFile = file;
        fileSize = static_cast<uint64_t>(size);
        length = static_cast<uint32_t>(size > 0xFFFFFFFFLL ? 0xFFFFFFFFLL : size);
        return true;
    }
    // Whole-file modes keep the data in one 32-bit addressed block.
    if ((mode != 1 && mode != 2) || size >= 0xFFFFFFFFLL)
    {
        std::fclose(file);
        return false;
    }
    size_t bytes = static_cast<size_t>(size);
    buffer = static_cast<unsigned char*>(std::malloc(bytes + (mode == 2 ? 1 : 0)));
    bool ok = buffer && std::fread(buffer, 1, bytes, file) == bytes;
    std::fclose(file);
    if (!ok)
    {
        Close();
        return false;
    }
    length = static_cast<uint32_t>(bytes);
    if (mode == 2)
    {
        buffer[bytes] = 0;
        ++length;
    }
    fileSize = static_cast<uint64_t>(size);
    return true;
}

void DataStream::OpenMemory(const unsigned char* data, uint32_t size)
{
    Close();
    buffer = const_cast<unsigned char*>(data);
    length = size;
    position = 0;
    borrowed = true;
}

bool DataStream::CreateOutput(const char* name, const char* extension, const char* mode)
{
    if (!name)
        return false;
    OwnedString resolved;
    ResolveName(resolved, name, extension);
    if (resolved.Empty())
        return false;
    FinishOutput(false);
    std::string temporary;
    FILE* file = platform::CreateTemporaryBeside(resolved.Get(), mode, temporary);
    if (!file)
        return false;
    if (!temporaryName.Copy(temporary.c_str()))
    {
        std::fclose(file);
        platform::DeleteFile(temporary.c_str());
        return false;
    }
    outputFile = file;
    outputName.Assign(resolved.Release());
    return true;
}

void DataStream::DigestOutput()
{
    outputSha.Reset();
    digesting = true;
}

bool DataStream::OutputDigest(unsigned char digest[Sha1::DigestSize]) const
{
    if (!digesting)
        return false;
    // The running digest goes on: a copy is finished.
    Sha1 copy = outputSha;
    copy.Final(digest);
    return true;
}

bool DataStream::Read(void* destination, uint32_t size, uint32_t count)
{
    uint64_t total = static_cast<uint64_t>(size) * count;
    if (total > static_cast<uint64_t>(length - position))
        return false;
    if (total)
        std::memcpy(destination, buffer + position, static_cast<size_t>(total));
    position += static_cast<uint32_t>(total);
    return true;
}

unsigned DataStream::ReadU16()
{
    if (length - position < 2)
        return 0;
    unsigned v = byteorder::LoadU16(buffer + position);
    position += 2;
    return v;
}

const unsigned char* DataStream::Take(uint32_t n)
{
    if (n > length - position)
        return nullptr;
    const unsigned char* p = buffer + position;
    position += n;
    return p;
}

int DataStream::Take(void* destination, uint32_t n)
{
    const unsigned char* p = Take(n);
    if (!p)
        return 0;
    if (n)
        std::memcpy(destination, p, n);
    return 1;
}

long DataStream::Tell() const
{
    return inputFile ? static_cast<long>(platform::TellOf(inputFile)) : -1;
}

bool DataStream::PutByte(unsigned char b)
{
    return PutBytes(&b, 1);
}

bool DataStream::PutU32(uint32_t v)
{
    unsigned char bytes[4];
    byteorder::StoreU32(bytes, v);
    return PutBytes(bytes, 4);
}

bool DataStream::PutString(const char* text)
{
    bool ok = true;
    if (text && *text)
        ok = PutBytes(text, static_cast<uint32_t>(std::strlen(text)));
    return PutByte(0) && ok;
}

bool DataStream::PutBytes(const void* data, uint32_t n)
{
    if (!outputFile)
        return false;
    if (digesting)
        outputSha.Update(data, n);
    return n == 0 || std::fwrite(data, 1, n, outputFile) == n;
}
