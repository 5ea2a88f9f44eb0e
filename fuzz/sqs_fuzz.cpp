// Script checking of arbitrary bytes written to a script file, stopping at
// the first error and going on after every one: every input ends with a code
// of the message table.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "sqs/DeSqs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/ostrel_sqs_fuzz_" + std::to_string(getpid()) + ".sqs";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    DeSqs checker;
    for (int pass = 0; pass < 2; ++pass)
    {
        if (pass == 1)
            checker.ReportEveryError(
                [](void*, long line, int, const char* message) {
                    if (line < 1 || !message)
                        std::abort();
                },
                nullptr);
        if (checker.Open(path.c_str(), nullptr) != 0)
            break;
        int code = checker.Process();
        if (!checker.ErrorString(code))
            std::abort();
        checker.Close();
    }
    std::remove(path.c_str());
    return 0;
}
