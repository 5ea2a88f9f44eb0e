// Binarised config bytes built field by field for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"

namespace testsupport
{
// Binarised config data built field by field.
class RapBytes
{
public:
    RapBytes& Byte(uint8_t b);
    RapBytes& Raw(const Bytes& b);
    RapBytes& Long(int32_t v);
    RapBytes& Float(float v);
    RapBytes& Str(const std::string& s); // characters and a zero byte
    RapBytes& Count(int v);              // compressed count (1 or 2 bytes)
    void PatchLong(size_t at, int32_t v);
    size_t Size() const { return bytes.size(); }
    const Bytes& Get() const { return bytes; }

private:
    Bytes bytes;
};

// A config tree, written by the functions below in the three layouts the way
// the compiler lays them out.
struct RapValue
{
    int subtype = 2; // 0 string, 1 float, 2 integer, 3 array, 4 expression
    std::string text;
    int32_t integer = 0;
    float real = 0;
    std::vector<RapValue> elements;

    static RapValue String(const std::string& s);
    static RapValue Float(float f);
    static RapValue Int(int32_t i);
    static RapValue Array(std::vector<RapValue> elements);
    static RapValue Expression(const std::string& s);
};

struct RapClass;

struct RapEntry
{
    int type = 1; // 0 class, 1 value, 2 array, 3 declaration, 4 delete
    std::string name;
    RapValue value;                 // value entries; the elements of arrays
    std::shared_ptr<RapClass> body; // class entries
};

struct RapClass
{
    std::string inherit;
    std::vector<RapEntry> entries;

    RapClass& Class(const std::string& name, const RapClass& body);
    RapClass& Value(const std::string& name, const RapValue& value);
    RapClass& Array(const std::string& name, std::vector<RapValue> elements);
    RapClass& Declare(const std::string& name);
    RapClass& Delete(const std::string& name);
};

struct RapEnum
{
    std::string name;
    int32_t value;
};

Bytes ArmaBytes(const RapClass& root, const std::vector<RapEnum>& enums = {});
Bytes XboxBytes(const RapClass& root, const std::vector<RapEnum>& enums, const Bytes& signature);
// Strings are indexed, matched without regard to letter case; more than
// 32768 distinct strings throw std::length_error.
Bytes InlineBytes(const std::string& rootName, const RapClass& root, const std::vector<RapEnum>& enums = {});
// An inline config whose root r holds one array a: the word is defined with
// the first element and reused by its index (one byte) by every later one.
Bytes InlineReusedString(const std::string& word, int uses);

// The documented files of a root holding the one value a = 1 and no
// enumerators: Arma layout (34 bytes), inline layout with the root named
// config.cpp (35 bytes).
extern const Bytes kArmaA1;
extern const Bytes kInlineA1;
} // namespace testsupport
