// zArchive: the resource archive file, one magic word then the entries one
// after another, every integer a little-endian u32 except the flags byte.
//
//   magic "ZARC" (no alignment) or "ZARD" followed by u32 alignment A at offset
//   4, then pad and a u32 second header word;
//   per entry: pad, u32 name length N (above 511 ends the table), pad, N name bytes,
//   pad, u8 flags (bit 0: zlib), pad, u32 raw length L, [pad, u32 stored length
//   S when compressed], pad, then the data (S bytes, or L for a raw entry);
//   a written archive ends with pad, u32 0xFFFFFFFF and, when A is not 0,
//   A - (p mod A) bytes of 0xFF.
// To pad means to move forward to the next multiple of A (written as zero
// bytes). The first four file bytes are the magic's characters reversed.
//
// Every length and offset from a file or an index is checked against the
// archive's size before use: a bad entry is refused with a log line and the
// others stay usable. The entry table can also come from a separate index,
// whose format lives above io (it is ZML) and is installed with
// SetArchiveIndexFormat.
#pragma once

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "io/archive_names.h"
#include "io/handle.h"

constexpr u32 ArchiveMagicZARC = 0x5A415243; // 'Z' 'A' 'R' 'C', first character most significant
constexpr u32 ArchiveMagicZARD = 0x5A415244;
constexpr u32 ArchiveEndMarker = 0xFFFFFFFF;
// A name length above this ends the entry table.
constexpr u32 ArchiveMaxNameLength = 511;

constexpr u8 ArchiveMethodRaw = 0;
constexpr u8 ArchiveMethodZlib = 1;

struct zArchiveEntry {
    zString name; // compared exactly
    u8 method = ArchiveMethodRaw;
    u32 offset = 0;       // of the data in the archive file
    u32 length = 0;       // once inflated
    u32 storedLength = 0; // bytes in the file for zlib entries; never used for raw ones

    // Bytes the entry's data takes in the archive file.
    u32 GetStoredSize() const { return method == ArchiveMethodZlib ? storedLength : length; }
};

// Reads and writes the separate index of an archive (installed from above io).
class zArchiveIndexFormat {
  public:
    virtual ~zArchiveIndexFormat() = default;
    // Appends the index's entries to out; logs its own errors; false when the
    // index cannot be read at all.
    virtual bool Load(const char* path, zList<zArchiveEntry>& out) = 0;
    virtual bool Save(const char* path, const zList<zArchiveEntry>& entries) = 0;
};

// Null uninstalls. The format object is not owned.
void SetArchiveIndexFormat(zArchiveIndexFormat* format);
zArchiveIndexFormat* GetArchiveIndexFormat();

class zArchive {
  public:
    zArchive();
    ~zArchive();

    // Closes first. A user stream must be open and is used from its start;
    // without one the path is opened for reading through the file road. With
    // an index path the index gives the table; an index that cannot be loaded
    // is logged and the archive is scanned instead.
    bool OpenForReading(const char* path, const char* indexPath = nullptr, zIOHandle* userStream = nullptr);
    // Closes first, then writes the ZARD header with the alignment and second
    // word this object holds (0 and 0 for a new object).
    bool OpenForWriting(const char* path, zIOHandle* userStream = nullptr);
    // Ends a written archive with its marker, closes the own stream (a user
    // stream stays open) and empties the table. Alignment and second word stay.
    void Close();

    // One entry; level < 0 stores raw, 0..9 compresses with zlib (a failed
    // compression stores raw). Names above 511 bytes are refused: the reader
    // would take their length for the end of the table.
    bool AddFile(const char* name, const void* data, u32 size, i32 level);
    // Loads source whole through the file road and adds it under alias, or
    // under its own path when alias is null.
    bool AddFileFromRoad(const char* source, const char* alias, i32 level);

    // Replaces the table by the index's entries that lie inside the archive.
    bool LoadIndex(const char* indexPath);
    bool SaveIndex(const char* indexPath);

    // The first entry in file order whose name matches; valid until the table
    // changes. Found through a hash table, so the cost does not grow with the
    // entry count.
    zArchiveEntry* FindEntry(const char* name, zArchiveNameMatch match = zArchiveNameMatch::Exact) const;
    const zList<zArchiveEntry>& GetEntries() const { return m_entries; }
    u32 GetEntryCount() const { return m_entries.GetCount(); }

    // Reads up to count bytes of a raw entry from position on; takes the
    // file-system mutex, so other threads may use the road meanwhile.
    u32 ReadRaw(const zArchiveEntry& entry, u32 position, void* buffer, u32 count);
    // A new malloc'ed buffer holding the inflated data of a zlib entry (at
    // least one byte); null with a log line when reading or inflating fails.
    u8* Inflate(const zArchiveEntry& entry);

    bool IsOpen() const { return m_stream && m_stream->IsOpen(); }
    bool IsWriting() const { return m_writing; }
    bool HasAlignedHeader() const { return m_alignedHeader; }
    u32 GetAlignment() const { return m_alignment; }
    // Used by the next OpenForWriting.
    void SetAlignment(u32 alignment) { m_alignment = alignment; }
    u32 GetSecondHeaderWord() const { return m_secondHeaderWord; }
    void SetSecondHeaderWord(u32 word) { m_secondHeaderWord = word; }
    bool IsVerbose() const { return m_verbose; }
    void SetVerbose(bool verbose) { m_verbose = verbose; }
    const zString& GetPath() const { return m_path; }

  private:
    zArchive(const zArchive&) = delete;
    zArchive& operator=(const zArchive&) = delete;

    bool ReadHeader();
    void ScanEntries();
    // Logs and gives false when the entry's data lies outside the archive or
    // its length cannot come from its stored bytes.
    bool CheckEntry(const zArchiveEntry& entry) const;
    void LogEntry(const zArchiveEntry& entry) const;
    void ClearEntries();
    // Appends to the table and the name lookup; null when the node cannot be
    // allocated (the entry stays with the caller).
    zList<zArchiveEntry>::Node* AppendEntry(zArchiveEntry&& entry);
    void RebuildNames();

    // Reading: positions are tracked here, the stream is sought when needed.
    bool ReadAt(u64 position, void* buffer, u32 count);
    bool ReadU32At(u64& position, u32& value);
    u64 Pad(u64 position) const;

    // Writing: every call pads first (except the magic word).
    bool WritePad();
    bool WriteBytes(const void* data, u32 count);
    bool WritePaddedU32(u32 value);
    bool WritePaddedU8(u8 value);

    bool m_verbose;
    zList<zArchiveEntry> m_entries; // file order
    // Every entry of m_entries, unless growing it failed: lookups then walk
    // the list.
    zArchiveNameTable m_names;
    bool m_namesComplete;
    zIOHandle m_ownHandle;
    zIOHandle* m_stream; // the own handle or a user stream
    bool m_alignedHeader;
    u32 m_alignment; // A; 0 = none
    u32 m_secondHeaderWord;
    bool m_writing;
    u64 m_archiveSize; // of the archive being read
    zString m_path;
};
