// A byte vector for key material: wiped before its memory goes back.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace sign
{
// Overwrites bytes in a way the compiler keeps.
void Wipe(void* data, size_t size);

class SecretBytes
{
public:
    SecretBytes() = default;
    explicit SecretBytes(size_t size) : bytes(size) {}
    SecretBytes(const unsigned char* data, size_t size) : bytes(data, data + size) {}
    SecretBytes(const SecretBytes& other) : bytes(other.bytes) {}
    SecretBytes(SecretBytes&& other) noexcept : bytes(std::move(other.bytes)) {}
    SecretBytes& operator=(const SecretBytes& other)
    {
        if (this != &other)
        {
            Clear();
            bytes = other.bytes;
        }
        return *this;
    }
    SecretBytes& operator=(SecretBytes&& other) noexcept
    {
        if (this != &other)
        {
            Clear();
            bytes = std::move(other.bytes);
        }
        return *this;
    }
    ~SecretBytes() { Clear(); }

    void Clear()
    {
        Wipe(bytes.data(), bytes.size());
        bytes.clear();
    }
    // Appends without letting the old block go unwiped.
    void Append(const unsigned char* data, size_t size)
    {
        if (bytes.size() + size > bytes.capacity())
        {
            std::vector<unsigned char> larger;
            larger.reserve((bytes.size() + size) * 2);
            larger.assign(bytes.begin(), bytes.end());
            Wipe(bytes.data(), bytes.size());
            bytes.swap(larger);
        }
        bytes.insert(bytes.end(), data, data + size);
    }
    unsigned char* data() { return bytes.data(); }
    const unsigned char* data() const { return bytes.data(); }
    size_t size() const { return bytes.size(); }
    bool empty() const { return bytes.empty(); }
    unsigned char& operator[](size_t i) { return bytes[i]; }
    unsigned char operator[](size_t i) const { return bytes[i]; }
    bool operator==(const SecretBytes& other) const { return bytes == other.bytes; }

private:
    std::vector<unsigned char> bytes;
};
} // namespace sign
