// The RSA arithmetic of signing over libgcrypt: library start-up, numbers
// to and from the files' little-endian fields, and the private and public
// operations.
#pragma once

#include <gcrypt.h>
#include <utility>

#include "Signing.h"

namespace sign
{
// Starts libgcrypt once (secure memory for key numbers); false when it cannot.
bool CryptoReady();

// One big number, released (and, when secure, wiped) when it goes.
class Mpi
{
public:
    Mpi() = default;
    explicit Mpi(gcry_mpi_t value) : value(value) {}
    ~Mpi() { gcry_mpi_release(value); }
    Mpi(const Mpi&) = delete;
    Mpi& operator=(const Mpi&) = delete;
    Mpi(Mpi&& other) noexcept : value(other.value) { other.value = nullptr; }
    Mpi& operator=(Mpi&& other) noexcept
    {
        std::swap(value, other.value);
        return *this;
    }
    gcry_mpi_t Get() const { return value; }
    explicit operator bool() const { return value != nullptr; }

private:
    gcry_mpi_t value = nullptr;
};

// A number from a little-endian field; secret ones live in secure memory.
Mpi FromLittleEndian(const unsigned char* data, size_t size, bool secret);
// A number into a little-endian field of width bytes, zero-filled at the
// high end; false when it does not fit.
bool ToLittleEndian(const Mpi& number, size_t width, unsigned char* out);
} // namespace sign
