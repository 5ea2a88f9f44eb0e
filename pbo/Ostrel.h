// The archive class: reading, unpacking, writing, extracting and building PBO
// archives of every flavour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../frame/DataStream.h"
#include "../frame/Export.h"
#include "../frame/OwnedString.h"
#include "../frame/Platform.h"
#include "../frame/Progress.h"
#include "PboEntry.h"
#include "PboFormat.h"

class RazDLL;
namespace pbo_hooks
{
class ConfigCompiler;
}
struct BuildPlaces;

// PBO archive reader and writer.
class OSTREL_API Ostrel
{
public:
    Ostrel();
    ~Ostrel();
    Ostrel(const Ostrel&) = delete;
    Ostrel& operator=(const Ostrel&) = delete;

    void SetParent(RazDLL* aggregate) { parent = aggregate; }
    RazDLL* GetParent() const { return parent; }

    // Reading.
    int OpenPbo(const char* name, ProgressCallback callback);
    bool ClosePbo();
    int GetEntryCount() const { return entryCount; }
    int StrangeValues() const { return strangeValues; }
    PboFlags GetPboType() const { return info.flavour; }
    const char* GetProductType() const;
    const char* GetProductName() const;
    const unsigned char* GetPrefixKey() const { return info.keyStore; }
    const char* GetAsciiSig() const;
    pbo_entry* FindEntry(const char* name) const;
    pbo_entry* GetNextEntry(pbo_entry* entry) const { return entry ? entry->next : nullptr; }
    const char* GetEntryFilename(pbo_entry* entry) const { return entry ? entry->name : nullptr; }
    PboHeaderEntry* GetHeaderEntry(pbo_entry* entry) const { return entry; }
    const unsigned char* GetDataPtr(pbo_entry* entry) const { return entry ? entry->data : nullptr; }
    int IsCompressed(pbo_entry* entry) const { return entry && entry->compressed ? 1 : 0; }
    int WasEncrypted(pbo_entry* entry) const { return entry && entry->converted ? 1 : 0; }
    int GetBinData(pbo_entry* entry, bool raw);
    int GetAscData(pbo_entry* entry, bool terminate);
    void FreeData(pbo_entry* entry);
    // For an archive open for reading: 0 when it ends with a zero byte and
    // the SHA-1 of every byte before them; 1 when no such checksum is stored
    // (no 21 residual bytes starting with a zero, or all zeros); 2 when the
    // stored checksum does not match; a negative code (kept) when the file
    // cannot be read.
    int VerifyChecksum();
    // The prefix a "$PBOPREFIX$" file sets: its first line without the line
    // end and the blanks around it, copied with its zero into prefix; false
    // when the file cannot be read or the prefix needs more than size bytes.
    static bool ReadPrefixFile(const char* path, char* prefix, size_t size);
    const char* strError() const;
    int GetErrorCode() const { return errorCode; }

    // Writing.
    bool CreatePbo(const char* name, PboFlags flags, const char* prefix, ProgressCallback callback, const char* unused);
    bool WriteEntry(PboHeaderEntry* entry);
    bool WriteData(const unsigned char* data, int size);

    // Extraction.
    int ExtractPbo(const char* archivePath, ProgressCallback callback);

    // Building an archive named after a folder from the files below it.
    // extra: null, or the name the caller will move the finished archive to;
    // a file there is not packed, like the archive being written. A link
    // that leads out of the folder is passed over, with a progress line
    // (LinkOutsideFormat); a name holding a backslash is refused (-10) with a
    // progress line naming it (BackslashNameFormat).
    int MakePbo(const char* folder, PboFlags flags, const char* prefix, ProgressCallback callback, const char* extra);

    pbo_entry* firstEntry = nullptr;

    // Progress texts of a build, each with one "%s": the entry name of a link
    // passed over, and the path of a file whose name cannot be stored.
    static const char LinkOutsideFormat[];
    static const char BackslashNameFormat[];

private:
    void Init();
    int ReadHeaders();
    void DeleteEntries();

    // CreatePbo with the prefix derived from name and the bytes written to
    // file (null: to name with ".pbo" added).
    bool StartArchive(const char* name, const char* file, PboFlags flags, const char* prefix,
                      ProgressCallback progress);
    int WriteHeaderBlock(bool txt);
    int WriteDataBlock(const char* folder);
    bool CopyFileData(FILE* file, uint32_t size, unsigned char* block);
    bool WriteEliteHeader(const char* prefix);
    bool WriteResistanceHeader();
    bool WriteProductHeader(const char* type, const char* name);
    bool WriteLabel(const char* text);
    bool WriteEndingEntry();
    bool WriteEndingData();

    bool RemoveFolders(const char* folder);
    int Extract(const char* folder);
    int MakeFile(const char* folder, pbo_entry* entry);

    int BuildEntries(const char* folder, PboFlags flags, const char* prefix, const char* extra);
    int RecurseScanEntries(PboFlags flags, const char* folder, const char* subPath);
    int CheckSource(PboFlags flags, const char* path, const char* name);
    int RecurseBuildEntries(PboFlags flags, const char* folder, const char* subPath);
    int AddEntry(PboFlags flags, const char* folder, const char* subPath, const platform::FindRecord* record);
    int WriteArchive(const char* folder, PboFlags flags, const char* prefix, const char* extra);

    friend class OstrelTestAccess;

    DataStream stream;
    PboInfo info;
    RazDLL* parent = nullptr;
    int32_t strangeValues = 0;
    int32_t dataStart = 0;
    int32_t entryCount = 0;
    uint8_t headerWritten = 0;
    int32_t errorCode = 0;
    int32_t configSeen = 0;
    OwnedString prefixOverride;
    // The compiler a build checks configs with: the aggregate's, or one of
    // the build's own for an archive object without a parent.
    pbo_hooks::ConfigCompiler* compiler = nullptr;
    // Last entry appended by a build in progress.
    pbo_entry* buildTail = nullptr;
    // The folder a build in progress packs and the archives it must not.
    const BuildPlaces* places = nullptr;
    ProgressCallback callback = &SilentProgress::Callback;
    // Text of GetAsciiSig: two hexadecimal digits a key byte.
    mutable char asciiSig[2 * sizeof(PboInfo::keyStore) + 1] = {};
};
