#include "io/handle.h"

#include <cstring>

#include "core/log.h"
#include "core/zstring.h"
#include "io/file_road.h"
#include "io/filesystem.h"

zIOHandle::zIOHandle(u32 byteOrder)
    : m_byteOrder(byteOrder), m_isOpen(false), m_failed(false), m_fs(nullptr), m_record(nullptr) {}

zIOHandle::~zIOHandle() {
    Close();
}

bool zIOHandle::Open(const char* path, bool read, bool write, bool append) {
    Close();
    m_failed = false;
    zScopedLock lock(GetFileSystemMutex());
    zIOBaseFS* fs = nullptr;
    m_record = FileSystemOpen(path, &fs, read, write, append);
    m_fs = m_record ? fs : nullptr;
    m_isOpen = m_record != nullptr;
    return m_isOpen;
}

bool zIOHandle::OpenOn(zIOBaseFS* fs, const char* path, bool read, bool write, bool append) {
    Close();
    m_failed = false;
    if (!fs) return false;
    zScopedLock lock(GetFileSystemMutex());
    m_record = fs->Open(path, read, write, append);
    m_fs = m_record ? fs : nullptr;
    m_isOpen = m_record != nullptr;
    return m_isOpen;
}

bool zIOHandle::Close() {
    zScopedLock lock(GetFileSystemMutex());
    if (!m_record) {
        m_isOpen = false;
        return true;
    }
    bool closed = m_fs->Close(m_record);
    if (!closed) GetLog() << "[!] File system failed to close handle.\n";
    m_record = nullptr;
    m_isOpen = false;
    return closed;
}

u32 zIOHandle::Read(void* buffer, u32 count) {
    if (!m_record || !buffer) return 0;
    return m_fs->Read(m_record, buffer, count);
}

u32 zIOHandle::Write(const void* buffer, u32 count) {
    if (!m_record || !buffer) return 0;
    return m_fs->Write(m_record, buffer, count);
}

u32 zIOHandle::GetSize() {
    return m_record ? m_fs->GetSize(m_record) : 0;
}

u32 zIOHandle::Tell() {
    return m_record ? m_fs->Tell(m_record) : 0;
}

u32 zIOHandle::Rewind() {
    return m_record ? m_fs->Rewind(m_record) : 0;
}

bool zIOHandle::Seek(i32 offset, u32 origin) {
    return m_record && m_fs->Seek(m_record, offset, origin);
}

bool zIOHandle::ReadValue(void* value, u32 size) {
    u8 bytes[4] = {0, 0, 0, 0};
    if (Read(bytes, size) != size) {
        std::memset(value, 0, size);
        m_failed = true;
        return false;
    }
    if (size > 1 && m_byteOrder != GetHostEndianness()) SwapEndian(size, bytes);
    std::memcpy(value, bytes, size);
    return true;
}

bool zIOHandle::WriteValue(const void* value, u32 size) {
    u8 bytes[4];
    std::memcpy(bytes, value, size);
    if (size > 1 && m_byteOrder != GetHostEndianness()) SwapEndian(size, bytes);
    return Write(bytes, size) == size;
}

bool zIOHandle::ReadU8(u8& value) {
    return ReadValue(&value, 1);
}
bool zIOHandle::ReadU16(u16& value) {
    return ReadValue(&value, 2);
}
bool zIOHandle::ReadU32(u32& value) {
    return ReadValue(&value, 4);
}
bool zIOHandle::ReadFloat(f32& value) {
    return ReadValue(&value, 4);
}

u8 zIOHandle::ReadU8() {
    u8 value;
    ReadU8(value);
    return value;
}

u16 zIOHandle::ReadU16() {
    u16 value;
    ReadU16(value);
    return value;
}

u32 zIOHandle::ReadU32() {
    u32 value;
    ReadU32(value);
    return value;
}

f32 zIOHandle::ReadFloat() {
    f32 value;
    ReadFloat(value);
    return value;
}

bool zIOHandle::WriteU8(u8 value) {
    return WriteValue(&value, 1);
}
bool zIOHandle::WriteU16(u16 value) {
    return WriteValue(&value, 2);
}
bool zIOHandle::WriteU32(u32 value) {
    return WriteValue(&value, 4);
}
bool zIOHandle::WriteFloat(f32 value) {
    return WriteValue(&value, 4);
}

u32 zIOHandle::ReadString(zString& out) {
    constexpr u32 BufferSize = 1024;
    char buffer[BufferSize];
    u32 consumed = 0;
    u32 length = 0;
    while (length < BufferSize - 1) {
        char c = 0;
        if (Read(&c, 1) != 1) break;
        ++consumed;
        if (c == 0) break;
        buffer[length++] = c;
    }
    if (length == BufferSize - 1) GetLog() << "[*] String truncated.\n";
    buffer[length] = 0;
    out.Set(buffer);
    return consumed;
}
