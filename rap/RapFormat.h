// Layout of binarised ("raP") configs, shared by the decoder, the compiler's
// writer, the tools and the tests: signature, headers, entry types, counts.
#pragma once

#include <cstdint>

namespace rapformat
{
// Every layout starts with these four bytes; a file whose zero bytes were
// turned into spaces starts with a space instead of the zero.
const unsigned char Signature[4] = {0x00, 'r', 'a', 'P'};
const unsigned char SpaceSignatureByte = 0x20;
const uint32_t SignatureLength = 4;

// Inline layout: the signature, this mark, then the root as one class entry
// with its body inline.
const unsigned char InlineMark[3] = {0x04, 0x00, 0x00};
const uint32_t InlineHeaderSize = 7;

// Arma layout: the signature, a zero long, the long 8 and the offset of the
// enum list; the root body follows.
const uint32_t HeaderEight = 8;
const uint32_t ArmaHeaderSize = 16;
// Xbox layout: as Arma, with a 20-byte signature after the first four bytes.
const uint32_t XboxSignatureOffset = 4;
const uint32_t XboxSignatureSize = 20;
const uint32_t XboxHeaderSize = ArmaHeaderSize + XboxSignatureSize;
// Where the Xbox layout's zero long and long 8 lie.
const uint32_t XboxHeaderEightOffset = XboxSignatureOffset + XboxSignatureSize;

// Layouts, in the numbering the compiler and the decoder use.
enum Layout : int32_t
{
    LayoutInline = 0,
    LayoutArma = 1,
    LayoutXbox = 2
};

// Entry types, the first byte of an entry.
enum EntryType : unsigned char
{
    EntryClass = 0,
    EntryValue = 1,
    EntryArray = 2,
    EntryExtern = 3, // Arma and Xbox layouts only
    EntryDelete = 4, // Arma and Xbox layouts only
    EntryAppend = 5  // name[] += {...}: a long 1, then as an array; Arma and Xbox layouts only
};

// Value subtypes, before a value entry's name and before every array element.
enum ValueType : unsigned char
{
    ValueString = 0,
    ValueFloat = 1,
    ValueLong = 2,
    ValueArray = 3,     // array elements only
    ValueExpression = 4 // Arma and Xbox layouts only
};

// Compressed counts: one byte below CountStep, else the low seven bits with
// the top bit set, then the count divided by CountStep. The largest count
// (of entries, elements or inline string indexes) the format holds.
const uint32_t CountStep = 128;
const int32_t MaxCount = 32767;
} // namespace rapformat
