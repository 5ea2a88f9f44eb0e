// Config work the archive hands upward: decoding binarised entries to text and
// compiling a folder's configs. Declared here, supplied by the aggregate.
#pragma once

#include <memory>

class RazDLL;

namespace pbo_hooks
{
// The config compiler the folder builder checks and compiles sources with.
class ConfigCompiler
{
public:
    virtual ~ConfigCompiler() = default;
    // Compiles the file; 0 when it compiled.
    virtual int ProcessFile(const char* path) = 0;
    // Writes the last compile's binary form; 0 when it was written.
    virtual int Output(const char* binPath, bool armaLayout) = 0;
};

// The aggregate's compiler, or one of its own when there is no aggregate;
// null when memory runs out.
std::unique_ptr<ConfigCompiler> CompilerFor(RazDLL* aggregate);

// Bytes at the start of a file that tell a binarised config from config text.
const int ConfigHeadSize = 4;

// Whether the first ConfigHeadSize bytes of a file are a binarised config's
// signature (such a source is not compiled again).
bool IsBinarisedConfig(const unsigned char* head);

// The config text that n bytes of a binarised config decode to with the
// aggregate's decoder (C allocator, now the caller's), or null when the bytes
// are no config the decoder converts. The bytes are left as they were.
char* DecodeConfig(RazDLL* aggregate, const unsigned char* data, int n, const char* name);
} // namespace pbo_hooks
