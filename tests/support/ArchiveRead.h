// Reads archives back for the tests with the library's reader: the entry
// names, sizes and data of a file, or of an archive the test holds open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"
#include "pbo/Ostrel.h"

namespace testsupport
{
// What an archive holds, in header order.
struct ArchiveContents
{
    int opened = -1;                // OpenPbo's answer; nothing else is filled unless 0
    int type = -1;                  // the flavour detected
    std::string product;            // the product name, empty when none
    std::vector<std::string> names; // entry names
    std::vector<uint32_t> sizes;    // original sizes as the headers give them
    std::vector<Bytes> data;        // entry data, loaded raw or unpacked
};

ArchiveContents ReadBack(const std::string& archive, bool raw = false);

// The names of an open archive's entries, in header order.
std::vector<std::string> EntryNames(Ostrel& pbo);
// An entry's data loaded (it stays loaded) as text, or "<error N>" when the
// load answers the negative code N.
std::string Loaded(Ostrel& pbo, pbo_entry* entry, bool raw = false);
} // namespace testsupport
