// Folder listing order shared by the POSIX and Windows platform layers.

#include "ListingOrder.h"

#include <algorithm>

#include "Text.h"

namespace platform
{
bool ListsBefore(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char ca = static_cast<unsigned char>(text::Lower(a[i]));
        unsigned char cb = static_cast<unsigned char>(text::Lower(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}
} // namespace platform
