// World file reader: the "4WVR" layout kept as a memory image, and the "OPRW"
// layout with its cell blocks decoded and its texture, model and object
// tables, plus a cross-check of their references.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../frame/Export.h"
#include "../frame/Progress.h"
#include "RtmFieldText.h"
#include "WrpInput.h"

// One object placed in an OPRW world (56 bytes in the file).
struct OPRWObject
{
    int32_t id;
    uint32_t modelIndex; // index into the model name table
    unsigned char rest[48];
};

class OSTREL_API DeWrp
{
public:
    // Peak records of 12 bytes each, in file order, carried as stored.
    class OSTREL_API Peaks
    {
    public:
        Peaks() = default;
        ~Peaks() { Close(); }
        int Read(WrpInput& input);
        void Close();
        const unsigned char* GetPeak(unsigned long index) const;

        uint32_t count = 0;

    private:
        std::vector<unsigned char> records;
    };

    // Model file names, each NUL-terminated, in one block.
    class OSTREL_API Models
    {
    public:
        Models() = default;
        ~Models() { Close(); }
        int Read(WrpInput& input);
        void Close();
        const char* GetName(unsigned long index) const;

        uint32_t count = 0;

    private:
        std::vector<char> names;
        std::vector<size_t> starts; // offset of every name in names
    };

    class OSTREL_API Objects
    {
    public:
        Objects() = default;
        ~Objects() { Close(); }
        int Read(WrpInput& input);
        void Close();
        OPRWObject* GetObject(unsigned long index);

        uint32_t count = 0;

    private:
        std::vector<OPRWObject> records;
    };

    // Texture names with their colour bytes, and the grid of texture indexes
    // (one 16-bit index per cell, row after row of X cells).
    class OSTREL_API Textures
    {
    public:
        Textures() = default;
        ~Textures() { Close(); }
        int Read(WrpInput& input);
        int ReadIndexes(WrpInput& input, uint64_t cells, bool plain);
        void Close();
        const char* GetName(int index) const;
        unsigned char GetColor(int index) const;
        // Grid cell index, or 0 past the grid.
        uint16_t GetIndex(uint64_t cell) const;
        uint64_t IndexCount() const { return indexBytes.Size() / 2; }

        uint32_t count = 0;

    private:
        struct Entry
        {
            size_t nameStart; // offset in nameBytes
            unsigned char color;
        };
        WrpBytes indexBytes;
        std::vector<char> nameBytes;
        std::vector<Entry> entries;
    };

    DeWrp() = default;
    ~DeWrp();
    DeWrp(const DeWrp&) = delete;
    DeWrp& operator=(const DeWrp&) = delete;

    // Loads a ".wrp" file (a name without extension gets ".wrp") and reads it.
    int Open(const char* name, ProgressCallback callback);
    // Reads the caller's bytes; they are needed only during the call.
    int Open(const unsigned char* data, unsigned long size, ProgressCallback callback);
    void Close();
    static const char* ErrorString(unsigned char code);

    const char* GetID() const { return id; }
    int GetVersion() const { return version; }
    // X cells, Y cells and the two further sizes: four 32-bit values.
    const uint32_t* GetMapSize() const { return mapSize; }
    int GetModelCount() const;
    const char* GetModelName(int index);
    int GetTextureCount() const;
    const char* GetTextureName(int index);
    int ValidModels();

    // Decoded OPRW cell blocks (null when not loaded): flags and extended
    // flags of 4 bytes per cell, one sound byte per cell, 4-byte elevations.
    const unsigned char* GetCellFlags() const { return Block(cellFlags); }
    const unsigned char* GetCellsExtFlag() const { return Block(cellsExtFlag); }
    const unsigned char* GetCellEnvSounds() const { return Block(cellEnvSounds); }
    const unsigned char* GetElevation() const { return Block(elevation); }

    // Decodes a block of n bytes at the cursor into target, which is replaced
    // by a fresh block before decoding (and so freed by Close whatever the
    // outcome). Ok, or PrematureEof, OutOfMemory, ExcessBits, BadReference,
    // BadChecksum (wrp::Code).
    static int ExtractBlock(WrpInput& input, WrpBytes& target, uint64_t n, bool plain);

    Peaks peaks;
    Textures textures;
    Models models;
    Objects objects;

private:
    int OpenFile(const char* name, WrpBytes& bytes);
    int Process(ProgressCallback callback);
    int ReadHeader();
    int LoadVersion1();
    int ReadCells();
    static const unsigned char* Block(const WrpBytes& b) { return b.Data(); }

    int v1ObjectCount = 0;
    int v1TextureCount = 0;
    const unsigned char* v1Grid1 = nullptr;
    const unsigned char* v1Grid2 = nullptr;
    const unsigned char* v1TextureNames = nullptr;
    const unsigned char* v1Objects = nullptr;
    WrpBytes v1File;
    char id[8] = {};
    int version = 0;
    uint32_t mapSize[4] = {};
    WrpBytes cellFlags;
    WrpBytes cellsExtFlag;
    WrpBytes cellEnvSounds;
    WrpBytes elevation;
    ProgressCallback callback = nullptr;
    WrpInput input;
    FieldText v1Names;
    WrpBytes* loaded = nullptr; // the file bytes while Open by name runs
};
