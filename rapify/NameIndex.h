// A hash index of owned objects by their name, for lookups that neither copy
// nor allocate: open addressing over a power-of-two table.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// T has a std::string member name.
template <class T>
class NameIndex
{
public:
    T* Find(std::string_view name) const
    {
        const size_t at = Slot(name, Hash(name));
        return at == Missing ? nullptr : slots[at].item.get();
    }
    // Takes item; one of the same name is destroyed.
    void Put(std::unique_ptr<T> item)
    {
        Erase(item->name);
        if ((live + deleted + 1) * 2 > slots.size())
            Grow();
        Place(std::move(item));
    }
    bool Erase(std::string_view name)
    {
        const size_t at = Slot(name, Hash(name));
        if (at == Missing)
            return false;
        slots[at].item.reset();
        slots[at].deleted = true;
        --live;
        ++deleted;
        return true;
    }

private:
    struct Entry
    {
        uint64_t hash = 0;
        std::unique_ptr<T> item;
        bool deleted = false; // an item stood here: lookups go on past it
    };
    static constexpr size_t Missing = ~size_t{0};

    // Eight bytes a step, loads of fixed size (the last one overlaps): names
    // are short, and a byte-wise hash chains one multiplication per letter.
    static uint64_t Mix(uint64_t h, uint64_t word)
    {
        h = (h ^ word) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 31);
    }
    template <class W>
    static W Load(const char* p)
    {
        W w;
        std::memcpy(&w, p, sizeof w);
        return w;
    }
    static uint64_t Hash(std::string_view s)
    {
        const char* p = s.data();
        const size_t n = s.size();
        uint64_t h = (n + 1) * 0x9E3779B97F4A7C15ull;
        if (n >= 8)
        {
            for (size_t i = 0; i + 8 < n; i += 8)
                h = Mix(h, Load<uint64_t>(p + i));
            return Mix(h, Load<uint64_t>(p + n - 8));
        }
        if (n >= 4)
            return Mix(h, (uint64_t{Load<uint32_t>(p)} << 32) | Load<uint32_t>(p + n - 4));
        if (n > 0)
            return Mix(h, uint64_t{static_cast<unsigned char>(p[0])} |
                              uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
                              uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
        return h;
    }
    size_t Slot(std::string_view name, uint64_t hash) const
    {
        if (slots.empty())
            return Missing;
        for (size_t i = hash & mask;; i = (i + 1) & mask)
        {
            const Entry& e = slots[i];
            if (!e.item)
            {
                if (!e.deleted)
                    return Missing;
                continue;
            }
            if (e.hash == hash && e.item->name.size() == name.size() &&
                std::memcmp(e.item->name.data(), name.data(), name.size()) == 0)
                return i;
        }
    }
    void Place(std::unique_ptr<T> item)
    {
        const uint64_t hash = Hash(item->name);
        size_t i = hash & mask;
        while (slots[i].item)
            i = (i + 1) & mask;
        if (slots[i].deleted)
        {
            slots[i].deleted = false;
            --deleted;
        }
        slots[i].hash = hash;
        slots[i].item = std::move(item);
        ++live;
    }
    // At most half the slots hold an item or a mark, so a lookup always
    // meets an empty one.
    void Grow()
    {
        size_t size = 16;
        while (size < (live + 1) * 4)
            size *= 2;
        std::vector<Entry> old(size);
        old.swap(slots);
        mask = size - 1;
        live = 0;
        deleted = 0;
        for (Entry& e : old)
        {
            if (e.item)
                Place(std::move(e.item));
        }
    }

    std::vector<Entry> slots;
    size_t mask = 0;
    size_t live = 0;
    size_t deleted = 0;
};
