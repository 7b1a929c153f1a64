// zIOHandle, the open file every reader and writer of the engine works with.
//
// A handle is opened through the file road (io/file_road.h) and remembers the
// file system it came from. Reads, writes, seeks and tells go straight to that
// file system without the file-system mutex; Close takes it.
//
// Typed reads never leave garbage: a read that delivers fewer bytes than the
// value needs gives 0 and sets the handle's failure flag, which stays set until
// ClearFailure or the next Open. Readers of outside data check it once after a
// run of reads.
#pragma once

#include "core/endian.h"
#include "core/types.h"

// Seek origins.
constexpr u32 SeekFromStart = 0;
constexpr u32 SeekFromCurrent = 1;
constexpr u32 SeekFromEnd = 2;

class zIOBaseFS;
class zString;
struct zIORecord;

class zIOHandle {
  public:
    // byteOrder: the order of the data read and written (2 = little endian).
    explicit zIOHandle(u32 byteOrder = ByteOrderLittleEndian);
    ~zIOHandle();

    // Closes first, then opens through FileSystemOpen.
    bool Open(const char* path, bool read, bool write = false, bool append = false);
    // Opens on the given file system only, without the file road.
    bool OpenOn(zIOBaseFS* fs, const char* path, bool read, bool write = false, bool append = false);
    // True at once when not open; logs "[!] File system failed to close handle.\n" on failure.
    bool Close();

    bool IsOpen() const { return m_isOpen; }
    zIOBaseFS* GetFileSystem() const { return m_fs; }
    u32 GetByteOrder() const { return m_byteOrder; }

    u32 Read(void* buffer, u32 count);
    u32 Write(const void* buffer, u32 count);
    u32 GetSize();
    u32 Size() { return GetSize(); }
    u32 Tell();
    u32 Rewind();
    bool Seek(i32 offset, u32 origin);

    // Typed values in the handle's byte order. The value forms give 0 on a
    // short read; the bool forms say whether the value was read whole.
    u8 ReadU8();
    u16 ReadU16();
    u32 ReadU32();
    f32 ReadFloat();
    bool ReadU8(u8& value);
    bool ReadU16(u16& value);
    bool ReadU32(u32& value);
    bool ReadFloat(f32& value);
    // True when every byte was written.
    bool WriteU8(u8 value);
    bool WriteU16(u16 value);
    bool WriteU32(u32 value);
    bool WriteFloat(f32 value);

    // Reads bytes up to and including a 0 byte, a failed read or 1023 bytes
    // ("[*] String truncated.\n"); returns the bytes consumed.
    u32 ReadString(zString& out);

    // Set by a short typed read; cleared by Open and ClearFailure.
    bool HasFailed() const { return m_failed; }
    void ClearFailure() { m_failed = false; }

  private:
    zIOHandle(const zIOHandle&) = delete;
    zIOHandle& operator=(const zIOHandle&) = delete;

    bool ReadValue(void* value, u32 size);
    bool WriteValue(const void* value, u32 size);

    u32 m_byteOrder;
    bool m_isOpen;
    bool m_failed;
    zIOBaseFS* m_fs;
    zIORecord* m_record; // null when closed
};
