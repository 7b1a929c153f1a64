#include "io/archive.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "core/log.h"
#include "io/file_road.h"

namespace {

zArchiveIndexFormat* g_indexFormat = nullptr;

// zlib's deflate expands by at most 1032:1; anything beyond cannot inflate to L.
constexpr u64 MaxInflateRatio = 1032;
constexpr u64 InflateSlack = 64;

const char* OrEmpty(const char* text) {
    return text ? text : "";
}

} // namespace

void SetArchiveIndexFormat(zArchiveIndexFormat* format) {
    zScopedLock lock(GetFileSystemMutex());
    g_indexFormat = format;
}

zArchiveIndexFormat* GetArchiveIndexFormat() {
    zScopedLock lock(GetFileSystemMutex());
    return g_indexFormat;
}

zArchive::zArchive()
    : m_verbose(false), m_namesComplete(true), m_ownHandle(ByteOrderLittleEndian), m_stream(&m_ownHandle), m_alignedHeader(false),
      m_alignment(0), m_secondHeaderWord(0), m_writing(false), m_archiveSize(0) {}

zArchive::~zArchive() {
    Close();
}

void zArchive::ClearEntries() {
    m_entries.Clear();
    m_names.Clear();
    m_namesComplete = true;
}

zList<zArchiveEntry>::Node* zArchive::AppendEntry(zArchiveEntry&& entry) {
    zList<zArchiveEntry>::Node* node = m_entries.Add(std::move(entry));
    if (node && m_namesComplete && !m_names.Add(&node->value)) {
        GetLog() << "[*] No memory for the name table of archive '" << OrEmpty(m_path)
                 << "', entries are looked up one by one.\n";
        m_namesComplete = false;
    }
    return node;
}

void zArchive::RebuildNames() {
    m_names.Clear();
    m_namesComplete = true;
    for (zList<zArchiveEntry>::Node* node = m_entries.GetHead(); node && m_namesComplete; node = node->next) {
        m_namesComplete = m_names.Add(&node->value);
    }
}

zArchiveEntry* zArchive::FindEntry(const char* name, zArchiveNameMatch match) const {
    if (!name) return nullptr;
    // A name of length 0 is read back as a string without buffer, which both
    // paths take as "".
    if (m_namesComplete) return m_names.Find(name, match);
    for (zList<zArchiveEntry>::Node* node = m_entries.GetHead(); node; node = node->next) {
        if (zArchiveNameTable::Matches(node->value, name, match)) return &node->value;
    }
    return nullptr;
}

// ---- reading ----

u64 zArchive::Pad(u64 position) const {
    if (m_alignment == 0 || position % m_alignment == 0) return position;
    return position + (m_alignment - position % m_alignment);
}

bool zArchive::ReadAt(u64 position, void* buffer, u32 count) {
    if (position + count > m_archiveSize || position > 0x7FFFFFFF) return false;
    if (m_stream->Tell() != position && !m_stream->Seek(i32(position), SeekFromStart)) return false;
    return m_stream->Read(buffer, count) == count;
}

bool zArchive::ReadU32At(u64& position, u32& value) {
    u8 bytes[4];
    if (!ReadAt(position, bytes, 4)) return false;
    value = u32(bytes[0]) | u32(bytes[1]) << 8 | u32(bytes[2]) << 16 | u32(bytes[3]) << 24;
    position += 4;
    return true;
}

bool zArchive::OpenForReading(const char* path, const char* indexPath, zIOHandle* userStream) {
    zScopedLock lock(GetFileSystemMutex());
    Close();
    if (userStream) {
        if (!userStream->IsOpen()) {
            GetLog() << "[!] Cannot open archive for reading, user stream is not open.\n";
            return false;
        }
        userStream->Rewind();
        m_stream = userStream;
    } else {
        if (!path) {
            GetLog() << "[!] No archive to open.\n";
            return false;
        }
        if (!m_ownHandle.Open(path, true, false, false)) {
            GetLog() << "[!] Failed to open archive '" << path << "'.\n";
            return false;
        }
        m_stream = &m_ownHandle;
    }
    m_path.Set(path);
    m_archiveSize = m_stream->GetSize();
    if (!ReadHeader()) {
        Close();
        return false;
    }

    if (indexPath) {
        if (LoadIndex(indexPath)) {
            if (m_verbose) {
                for (zList<zArchiveEntry>::Node* node = m_entries.GetHead(); node; node = node->next) {
                    LogEntry(node->value);
                }
            }
            return true;
        }
        GetLog() << "[*] Archive index '" << indexPath << "' cannot be used, scanning '" << OrEmpty(path)
                 << "' instead.\n";
    }
    if (m_verbose) GetLog() << "No index provided, please wait while scanning archive...\n";
    ScanEntries();
    if (m_verbose) GetLog() << "Done, index table built.\n\n";
    return true;
}

bool zArchive::ReadHeader() {
    // Fresh state: the alignment field stands at offset 4 whatever came before.
    m_alignment = 0;
    m_secondHeaderWord = 0;
    m_alignedHeader = false;
    u64 position = 0;
    u32 magic = 0;
    if (!ReadU32At(position, magic) || (magic != ArchiveMagicZARC && magic != ArchiveMagicZARD)) {
        GetLog() << "[!] Invalid archive type '" << OrEmpty(m_path) << "'.\n";
        return false;
    }
    if (magic == ArchiveMagicZARD) {
        u32 alignment = 0;
        u32 secondWord = 0;
        bool read = ReadU32At(position, alignment);
        if (read) {
            m_alignment = alignment;
            position = Pad(position);
            read = ReadU32At(position, secondWord);
        }
        if (!read) {
            GetLog() << "[!] Truncated archive header in '" << OrEmpty(m_path) << "'.\n";
            m_alignment = 0;
            return false;
        }
        m_secondHeaderWord = secondWord;
        m_alignedHeader = true;
    }
    // The entries start right after the header.
    m_stream->Seek(i32(position), SeekFromStart);
    return true;
}

void zArchive::LogEntry(const zArchiveEntry& entry) const {
    GetLog() << "New entry: '" << entry.name << "'\n";
    GetLog() << "[method = " << u32(entry.method) << ", len = " << entry.length
             << ", clen = " << entry.storedLength << ", offset = " << entry.offset << "].\n";
}

bool zArchive::CheckEntry(const zArchiveEntry& entry) const {
    if (entry.method != ArchiveMethodRaw && entry.method != ArchiveMethodZlib) {
        GetLog() << "[!] Archive entry '" << entry.name << "' has an unknown method " << u32(entry.method)
                 << ".\n";
        return false;
    }
    if (u64(entry.offset) + entry.GetStoredSize() > m_archiveSize) {
        GetLog() << "[!] Archive entry '" << entry.name << "' lies outside archive '" << OrEmpty(m_path)
                 << "'.\n";
        return false;
    }
    if (entry.method == ArchiveMethodZlib &&
        u64(entry.length) > MaxInflateRatio * entry.storedLength + InflateSlack) {
        GetLog() << "[!] Archive entry '" << entry.name << "' claims " << entry.length << " bytes from "
                 << entry.storedLength << " compressed bytes.\n";
        return false;
    }
    return true;
}

void zArchive::ScanEntries() {
    u64 position = m_stream->Tell();
    while (position < m_archiveSize) {
        position = Pad(position);
        if (position >= m_archiveSize) break; // trailing padding
        u32 nameLength = 0;
        if (!ReadU32At(position, nameLength)) {
            GetLog() << "[!] Truncated entry table in archive '" << OrEmpty(m_path) << "'.\n";
            return;
        }
        if (nameLength > ArchiveMaxNameLength) return; // the end marker

        char name[ArchiveMaxNameLength + 1];
        u8 flags = 0;
        u32 length = 0;
        u32 storedLength = 0;
        position = Pad(position); // the writer pads before the name too
        bool read = ReadAt(position, name, nameLength);
        position += nameLength;
        name[read ? nameLength : 0] = 0;
        if (read) {
            position = Pad(position);
            read = ReadAt(position, &flags, 1);
            position += 1;
        }
        if (read) {
            position = Pad(position);
            read = ReadU32At(position, length);
        }
        if (read && (flags & 1)) {
            position = Pad(position);
            read = ReadU32At(position, storedLength);
        } else {
            storedLength = length;
        }
        if (!read) {
            GetLog() << "[!] Truncated entry table in archive '" << OrEmpty(m_path) << "'.\n";
            return;
        }
        position = Pad(position);

        zArchiveEntry candidate;
        candidate.name.SetRange(name, name + nameLength);
        candidate.method = (flags & 1) ? ArchiveMethodZlib : ArchiveMethodRaw;
        candidate.length = length;
        candidate.storedLength = storedLength;
        candidate.offset = u32(position);
        if (position > 0xFFFFFFFFu || u64(position) + candidate.GetStoredSize() > m_archiveSize) {
            GetLog() << "[!] Archive entry '" << candidate.name << "' lies outside archive '"
                     << OrEmpty(m_path) << "'.\n";
            return; // where the next entry starts is unknown
        }
        position += candidate.GetStoredSize();
        if (!CheckEntry(candidate)) continue;

        zList<zArchiveEntry>::Node* node = AppendEntry(std::move(candidate));
        if (!node) {
            GetLog() << "[!] Could not allocate new index entry.\n";
            continue;
        }
        if (m_verbose) LogEntry(node->value);
    }
}

bool zArchive::LoadIndex(const char* indexPath) {
    zScopedLock lock(GetFileSystemMutex());
    ClearEntries();
    GetLog() << "[|] Loading archive index '" << OrEmpty(indexPath) << "'...\n";
    if (!g_indexFormat) {
        GetLog() << "[!] No archive index format installed.\n";
        return false;
    }
    zList<zArchiveEntry> loaded;
    bool ok = g_indexFormat->Load(indexPath, loaded);
    for (zList<zArchiveEntry>::Node* node = loaded.GetHead(); ok && node; node = node->next) {
        // Entries are checked against the archive they will be read from.
        if (!IsOpen() || m_writing || CheckEntry(node->value)) AppendEntry(std::move(node->value));
    }
    if (!ok) return false;
    GetLog() << "[|] Done, found " << m_entries.GetCount() << " entries.\n";
    return true;
}

bool zArchive::SaveIndex(const char* indexPath) {
    zScopedLock lock(GetFileSystemMutex());
    if (!g_indexFormat) {
        GetLog() << "[!] No archive index format installed.\n";
        return false;
    }
    return g_indexFormat->Save(indexPath, m_entries);
}

u32 zArchive::ReadRaw(const zArchiveEntry& entry, u32 position, void* buffer, u32 count) {
    zScopedLock lock(GetFileSystemMutex());
    if (!buffer || m_writing || !IsOpen() || position >= entry.length) return 0;
    if (u64(entry.offset) + entry.length > m_archiveSize) return 0;
    u32 available = entry.length - position;
    u32 wanted = count < available ? count : available;
    u64 start = u64(entry.offset) + position;
    if (start > 0x7FFFFFFF || !m_stream->Seek(i32(start), SeekFromStart)) return 0;
    return m_stream->Read(buffer, wanted);
}

u8* zArchive::Inflate(const zArchiveEntry& entry) {
    zScopedLock lock(GetFileSystemMutex());
    if (!IsOpen() || !CheckEntry(entry)) return nullptr;
    u8* source = static_cast<u8*>(std::malloc(size_t(entry.storedLength) + 16));
    if (!source) {
        GetLog() << "[!] Failed to allocated compressed memory support.\n";
        return nullptr;
    }
    if (!ReadAt(entry.offset, source, entry.storedLength)) {
        GetLog() << "[!] Failed to load compressed source.\n";
        std::free(source);
        return nullptr;
    }
    u8* buffer = static_cast<u8*>(std::malloc(entry.length ? entry.length : 1));
    if (!buffer) {
        GetLog() << "[!] Failed to allocate stream buffer (size = " << entry.length << ").\n";
        std::free(source);
        return nullptr;
    }
    uLongf inflatedLength = entry.length;
    int result = uncompress(buffer, &inflatedLength, source, entry.storedLength);
    std::free(source);
    if (result != Z_OK || inflatedLength != entry.length) {
        GetLog() << "[!] Failed to inflate '" << entry.name << "' from archive '" << OrEmpty(m_path)
                 << "'.\n";
        GetLog() << "[!] Failed to allocate stream buffer (size = " << entry.length << ").\n";
        std::free(buffer);
        return nullptr;
    }
    return buffer;
}

// ---- writing ----

bool zArchive::WriteBytes(const void* data, u32 count) {
    return count == 0 || m_stream->Write(data, count) == count;
}

bool zArchive::WritePad() {
    if (m_alignment == 0) return true;
    u32 remainder = m_stream->Tell() % m_alignment;
    if (remainder == 0) return true;
    static const u8 zeros[256] = {};
    for (u32 left = m_alignment - remainder; left > 0;) {
        u32 chunk = left < sizeof(zeros) ? left : u32(sizeof(zeros));
        if (!WriteBytes(zeros, chunk)) return false;
        left -= chunk;
    }
    return true;
}

bool zArchive::WritePaddedU32(u32 value) {
    u8 bytes[4] = {u8(value), u8(value >> 8), u8(value >> 16), u8(value >> 24)};
    return WritePad() && WriteBytes(bytes, 4);
}

bool zArchive::WritePaddedU8(u8 value) {
    return WritePad() && WriteBytes(&value, 1);
}

bool zArchive::OpenForWriting(const char* path, zIOHandle* userStream) {
    zScopedLock lock(GetFileSystemMutex());
    Close();
    if (userStream) {
        if (!userStream->IsOpen()) {
            GetLog() << "[!] Cannot open archive for writing, user stream is not open.\n";
            return false;
        }
        m_stream = userStream;
    } else {
        if (!path || !m_ownHandle.Open(path, false, true, false)) {
            GetLog() << "[!] Failed to open '" << OrEmpty(path) << "' as output archive.\n";
            return false;
        }
        m_stream = &m_ownHandle;
    }
    m_path.Set(path);
    // The alignment field stands right after the magic word.
    u8 header[8] = {u8(ArchiveMagicZARD),       u8(ArchiveMagicZARD >> 8), u8(ArchiveMagicZARD >> 16),
                    u8(ArchiveMagicZARD >> 24), u8(m_alignment),           u8(m_alignment >> 8),
                    u8(m_alignment >> 16),      u8(m_alignment >> 24)};
    if (!WriteBytes(header, 8) || !WritePaddedU32(m_secondHeaderWord)) {
        GetLog() << "[!] Failed to write the header of archive '" << OrEmpty(path) << "'.\n";
        m_ownHandle.Close();
        m_stream = &m_ownHandle;
        return false;
    }
    m_alignedHeader = true;
    m_writing = true;
    return true;
}

bool zArchive::AddFile(const char* name, const void* data, u32 size, i32 level) {
    zScopedLock lock(GetFileSystemMutex());
    if (!m_writing) {
        GetLog() << "[!] Cannot write '" << OrEmpty(name) << "' (r/w mode error).\n";
        return false;
    }
    if (!name || (size && !data)) {
        GetLog() << "[!] Invalid argument.\n";
        return false;
    }
    if (FindEntry(name)) {
        GetLog() << "[!] An entry with alias '" << name << "' already exists.\n";
        return false;
    }
    u32 nameLength = u32(std::strlen(name));
    if (nameLength > ArchiveMaxNameLength) {
        GetLog() << "[!] Entry name '" << name << "' is longer than " << ArchiveMaxNameLength << " bytes.\n";
        return false;
    }
    zArchiveEntry added;
    added.name.Set(name);
    zList<zArchiveEntry>::Node* node = AppendEntry(std::move(added));
    if (!node) {
        GetLog() << "[!] Failed to allocate new index entry.\n";
        return false;
    }
    zArchiveEntry* entry = &node->value;
    u32 start = m_stream->Tell();
    bool written = WritePaddedU32(nameLength) && WritePad() && WriteBytes(name, nameLength);
    if (m_verbose) GetLog() << "[H] Adding '" << name << "' to archive...\n";

    bool compressed = false;
    if (written && level >= 0) {
        uLong capacity = uLong(size) + size / 1000 + 13;
        if (capacity < compressBound(size)) capacity = compressBound(size);
        u8* packed = static_cast<u8*>(std::malloc(capacity));
        uLongf packedLength = capacity;
        if (packed &&
            compress2(packed, &packedLength, static_cast<const Bytef*>(data), size, level) == Z_OK) {
            compressed = true;
            entry->method = ArchiveMethodZlib;
            entry->length = size;
            entry->storedLength = u32(packedLength);
            written = WritePaddedU8(ArchiveMethodZlib) && WritePaddedU32(size) &&
                      WritePaddedU32(u32(packedLength)) && WritePad();
            entry->offset = m_stream->Tell();
            written = written && WriteBytes(packed, u32(packedLength));
            if (written && m_verbose) {
                // An empty file has nothing to shrink.
                u64 percent = size ? u64(packedLength) * 100 / size : 100;
                GetLog() << "Was " << size / 1000 << " KB, is now " << u32(packedLength / 1000) << " KB ("
                         << percent << "%).\n";
            }
        } else if (m_verbose) {
            GetLog() << "No compression achieved for '" << name << "', adding uncompressed.\n";
        }
        std::free(packed);
    }
    if (written && !compressed) {
        entry->method = ArchiveMethodRaw;
        entry->length = size;
        entry->storedLength = 0;
        written = WritePaddedU8(ArchiveMethodRaw) && WritePaddedU32(size) && WritePad();
        entry->offset = m_stream->Tell();
        written = written && WriteBytes(data, size);
    }
    if (!written) {
        GetLog() << "[!] Failed to write '" << name << "' to archive '" << OrEmpty(m_path) << "'.\n";
        m_entries.Take(node);
        RebuildNames();
        // The next entry overwrites the partial one.
        m_stream->Seek(i32(start), SeekFromStart);
        return false;
    }
    return true;
}

bool zArchive::AddFileFromRoad(const char* source, const char* alias, i32 level) {
    zScopedLock lock(GetFileSystemMutex());
    void* buffer = nullptr;
    u32 size = 0;
    if (!FileSystemLoadFile(source, buffer, size)) return false;
    bool added = AddFile(alias ? alias : source, buffer, size, level);
    std::free(buffer);
    return added;
}

void zArchive::Close() {
    zScopedLock lock(GetFileSystemMutex());
    if (m_writing) {
        bool written = WritePaddedU32(ArchiveEndMarker);
        if (written && m_alignment) {
            u32 count = m_alignment - m_stream->Tell() % m_alignment;
            u8 fill[256];
            std::memset(fill, 0xFF, sizeof(fill));
            for (u32 left = count; left > 0 && written;) {
                u32 chunk = left < sizeof(fill) ? left : u32(sizeof(fill));
                written = WriteBytes(fill, chunk);
                left -= chunk;
            }
        }
        if (!written) GetLog() << "[!] Failed to write the end of archive '" << OrEmpty(m_path) << "'.\n";
    }
    m_ownHandle.Close();
    ClearEntries();
    if (m_writing) GetLog() << "Archive complete, closing.\n";
    m_stream = &m_ownHandle;
    m_writing = false;
    m_archiveSize = 0;
}
