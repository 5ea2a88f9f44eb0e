// libgcrypt start-up and the conversions between its numbers and the
// little-endian fields of key and signature files.
#include "Crypto.h"

#include <utility>

namespace sign
{
void Wipe(void* data, size_t size)
{
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        p[i] = 0;
}

bool CryptoReady()
{
    static const bool ready = [] {
        if (!gcry_check_version(GCRYPT_VERSION))
            return false;
        // A pool of locked memory for the secret numbers; where the system
        // refuses to lock it, libgcrypt keeps working without the lock.
        if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P))
        {
            gcry_control(GCRYCTL_SUSPEND_SECMEM_WARN);
            gcry_control(GCRYCTL_INIT_SECMEM, 1 << 16, 0);
            gcry_control(GCRYCTL_RESUME_SECMEM_WARN);
            gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        }
        return true;
    }();
    return ready;
}

Mpi FromLittleEndian(const unsigned char* data, size_t size, bool secret)
{
    if (!CryptoReady() || size == 0)
        return Mpi();
    // libgcrypt keeps a number read from secure memory in secure memory.
    unsigned char* bigEndian = static_cast<unsigned char*>(secret ? gcry_malloc_secure(size) : gcry_malloc(size));
    if (!bigEndian)
        return Mpi();
    for (size_t i = 0; i < size; ++i)
        bigEndian[i] = data[size - 1 - i];
    gcry_mpi_t value = nullptr;
    if (gcry_mpi_scan(&value, GCRYMPI_FMT_USG, bigEndian, size, nullptr) != 0)
        value = nullptr;
    Wipe(bigEndian, size);
    gcry_free(bigEndian);
    return Mpi(value);
}

bool ToLittleEndian(const Mpi& number, size_t width, unsigned char* out)
{
    if (!number || gcry_mpi_get_nbits(number.Get()) > width * 8)
        return false;
    size_t written = 0;
    // Most significant byte first, as short as the number: reversed into
    // the low end of the field, zeros above it.
    SecretBytes bigEndian(width);
    if (width && gcry_mpi_print(GCRYMPI_FMT_USG, bigEndian.data(), width, &written, number.Get()) != 0)
        return false;
    for (size_t i = 0; i < width; ++i)
        out[i] = i < written ? bigEndian[written - 1 - i] : 0;
    return true;
}
} // namespace sign
