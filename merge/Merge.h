// The merge of a patch archive into a target archive, shared by the patch
// program and the ostrel tool's patch command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "CommandLine.h"

// What a program may change about a merge run.
struct MergeHooks
{
    // Flavour line, per-entry lines and "no data to write"; null shows none.
    FILE* report = stdout;
    // File the archive is written to instead of the output name (the caller
    // renames it into place); null writes the output name itself.
    const char* writeTo = nullptr;
    // Polled before each entry's data is copied and once at the end, with the
    // entries and bytes copied so far; false stops the run (MergeCancelled).
    bool (*progress)(void* context, size_t done, size_t total, uint64_t bytesDone, uint64_t bytesTotal) = nullptr;
    void* context = nullptr;
};

// Exit statuses of a merge run and of the patch program; a failed open of
// either archive answers the reader's own negative code instead.
enum MergeStatus : int
{
    MergeOk = 0,
    MergeFailed = 1,      // bad command line, no memory, an output that cannot be written
    MergeOldLibrary = 2,  // the library is older than the program needs
    MergeNoData = 6,      // an entry's data cannot be loaded
    MergeCancelled = 130, // the progress hook stopped the run
};

// Opens both archives, merges them and writes the output; output receives
// the output name. Answers a MergeStatus or the reader's negative code; messages of a failure are on standard error.
int MergeArchives(const CommandLine& line, const MergeHooks& hooks, std::string& output);
