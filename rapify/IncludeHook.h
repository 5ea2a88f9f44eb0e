// Reading an #include from an aggregate's open archive instead of the disk.
// Declared here, supplied by the aggregate.
#pragma once

class RazDLL;

namespace rapify_hooks
{
// The text of the entry named name in the aggregate's open archive, loaded as
// text and cut at its first zero byte (C allocator, now the caller's); null
// when the archive has no such entry or it cannot be loaded.
char* ReadArchiveText(RazDLL* aggregate, const char* name);
} // namespace rapify_hooks
