#pragma once

// The test fixture with a temporary folder of its own: Put, Path, Read, Text,
// Exists and Listing reach inside it directly.

#include <gtest/gtest.h>

#include "TempDir.h"

namespace testsupport
{
class FolderTest : public ::testing::Test, public TempDir
{
};
} // namespace testsupport
