#include "Patcher.h"

// A failed open ends with the library's negative code; the shell sees it
// modulo 256.
int main(int argc, char** argv)
{
    return RunPatcher(argc, argv);
}
