// Writer of a compiled class tree as a binarised config file, in the inline,
// Arma or Xbox layout. One object serves one call of Rapify::Output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../frame/DataStream.h"
#include "../frame/OwnedString.h"
#include "../rap/RapFormat.h"
#include "NameNode.h"

class Classes;
class EnumTable;

class ConfigWriter
{
public:
    // layout: one of rapformat::Layout.
    explicit ConfigWriter(int32_t layout);
    ConfigWriter(const ConfigWriter&) = delete;
    ConfigWriter& operator=(const ConfigWriter&) = delete;

    // Writes root and the enumerators to path. 0, or a compiler code:
    // RapifyUnknownPacket or RapifyUnknownArrayType for a node of a kind the
    // format cannot hold (as an entry or as an array element), and
    // RapifyCannotWrite when a count, a string index or an offset does not
    // fit the format or the file cannot be created, written, read back or
    // positioned. Trees that cannot be written are refused before the
    // file is created; the whole file is held in memory once.
    int Write(const char* path, const Classes* root, const EnumTable& enums);
    // Why the tree was refused, naming the entry, where a limit of the format
    // or the layout did it; empty otherwise.
    const std::string& Problem() const { return problem; }

    // Largest entry count, element count and string index the format holds.
    static constexpr int32_t MaxCount = rapformat::MaxCount;
    // Nesting of class bodies and arrays the writer follows.
    static constexpr int MaxDepth = 1000;

private:
    // What the check found for one class, kept by the class's number: the
    // classes (Class nodes, the root first) numbered in the order in which
    // their bodies are written, depth first in entry order.
    struct ClassSizes
    {
        uint32_t body;    // bytes of its body where bodies lie apart
        uint32_t subtree; // its body and the bodies of all classes below it
        uint32_t count;   // entries
        uint32_t classes; // classes in its subtree, itself included
    };

    // Tree check and layout sizes (ConfigSizes.cpp).
    int Prepare(const Classes* root);
    int CheckClass(const Classes* node, int depth, uint64_t& subtree);
    int CheckArray(const Classes* first, int depth, uint64_t& size);
    uint32_t BodySize(size_t number) const { return sizes[number].body; }
    uint32_t SubtreeSize(size_t number) const { return sizes[number].subtree; }

    // The file is laid out in memory (output) before it is created, so that
    // a tree found unwritable on the way leaves no file. The primitives
    // answer false once that happened (failed).
    bool PutByte(unsigned char b);
    bool PutLong(uint32_t v);
    bool PutBytes(const void* data, size_t n);
    bool PutString(const char* text);

    bool WriteName(const char* text);
    bool WriteCount(uint32_t value);
    int WriteValue(const Classes* node, const char* name);
    // number: the number of the first class among the entries.
    int WriteEntries(const Classes* first, uint32_t offset, size_t number);
    int WriteElements(const Classes* array);
    int WriteBodies(const Classes* node, size_t number);
    bool WriteEnumList(const EnumTable& enums);
    bool SignFile();

    DataStream stream;
    bool bodiesApart;
    bool xbox;
    NameTable strings;
    OwnedString fileName;
    // Offset of the next class body, and just past the subtree whose entries
    // are being written.
    uint32_t nextBody = 0;
    uint32_t subtreeEnd = 0;
    std::vector<ClassSizes> sizes;
    std::vector<unsigned char> output;
    bool failed = false;
    std::string problem;
};
