// The merge list: which entries of the patch and the target the merged
// archive holds, in output order, and what happens to each.

#include "MergeList.h"

#include <new>
#include <string>
#include <unordered_set>

#include "frame/Text.h"

namespace
{
// Entry names folded to ASCII lower case, for lookups without letter case.
class NameSet
{
public:
    explicit NameSet(const Ostrel& archive)
    {
        for (pbo_entry* entry = archive.firstEntry; entry; entry = entry->next)
            names.insert(Fold(entry->name));
    }
    bool Contains(const char* name) const { return names.count(Fold(name)) != 0; }

private:
    static std::string Fold(const char* name) { return text::LowerAscii(name ? name : ""); }

    std::unordered_set<std::string> names;
};
} // namespace

bool MergeList::Append(pbo_entry* entry, MergeAction action)
{
    MergeNode* node = new (std::nothrow) MergeNode;
    if (!node)
        return false;
    node->entry = entry;
    node->action = action;
    nodes.Append(node);
    return true;
}

bool MergeList::Build(const Ostrel& patch, const Ostrel& target)
{
    try
    {
        const NameSet targetNames(target);
        const NameSet patchNames(patch);
        for (pbo_entry* entry = patch.firstEntry; entry; entry = entry->next)
        {
            MergeAction action = Add;
            if (targetNames.Contains(entry->name))
                action = entry->dataSize != 0 ? Replace : Delete;
            if (!Append(entry, action))
                return false;
        }
        for (pbo_entry* entry = target.firstEntry; entry; entry = entry->next)
        {
            if (!patchNames.Contains(entry->name) && !Append(entry, Keep))
                return false;
        }
        return true;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}
