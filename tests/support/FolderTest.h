// The test fixture with a temporary folder of its own: Put, Path, Read, Text,
// Exists and Listing reach inside it directly.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

namespace testsupport
{
class FolderTest : public ::testing::Test, public TempDir
{
protected:
    // No temporary file or working folder (a name starting with '.') is left
    // at the top of the folder.
    void ExpectNoLeftovers(const std::string& context = "") const
    {
        for (const std::string& name : Listing())
            EXPECT_NE(name[0], '.') << context << ": " << name;
    }
};
} // namespace testsupport
