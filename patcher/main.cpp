// Entry point of the patch program.

#include "Patcher.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

// A failed open ends with the library's negative code; the shell sees it
// modulo 256.
int main(int argc, char** argv)
{
#if defined(_WIN32)
    // The texts go out byte for byte as on every other system: no "\n" to
    // "\r\n" translation ("\r\n" texts would end in "\r\r\n").
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return RunPatcher(argc, argv);
}
