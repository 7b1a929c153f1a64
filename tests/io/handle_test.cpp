#include <cstring>
#include <string>

#include "io/disk_fs.h"
#include "io/handle.h"
#include "io/memory_fs.h"
#include "io_fixture.h"
#include "tests/support/memory_files.h"
#include "tests/support/log_capture.h"

namespace {

using HandleTest = IoTest;

} // namespace

TEST_F(HandleTest, TypedReadsSwapOnlyForForeignByteOrder) {
    PutMemoryFile("v.bin", std::string("\x01\x02\x03\x04\x05\x06\x00\x00\x80\x3f", 10));
    struct Case {
        u32 byteOrder;
        u16 expected16;
        u32 expected32;
        u8 floatBytes[4];
    } cases[] = {
        {ByteOrderLittleEndian, 0x0201, 0x06050403, {0x00, 0x00, 0x80, 0x3f}},
        {ByteOrderBigEndian, 0x0102, 0x03040506, {0x3f, 0x80, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        zIOHandle handle(c.byteOrder);
        ASSERT_TRUE(handle.Open("v.bin", true));
        EXPECT_EQ(handle.ReadU16(), c.expected16);
        EXPECT_EQ(handle.ReadU32(), c.expected32);
        f32 value = handle.ReadFloat();
        u8 bytes[4];
        std::memcpy(bytes, &value, 4);
        EXPECT_EQ(std::memcmp(bytes, c.floatBytes, 4), 0);
        EXPECT_FALSE(handle.HasFailed());
    }
}

TEST_F(HandleTest, TypedWritesUseHandleByteOrder) {
    zIOHandle little;
    ASSERT_TRUE(little.Open("le.bin", false, true));
    EXPECT_TRUE(little.WriteU16(0x0102));
    EXPECT_TRUE(little.WriteU32(0x03040506));
    EXPECT_TRUE(little.WriteU8(7));
    little.Close();
    EXPECT_EQ(ReadHostFile("le.bin"), std::string("\x02\x01\x06\x05\x04\x03\x07", 7));

    zIOHandle big(ByteOrderBigEndian);
    ASSERT_TRUE(big.Open("be.bin", false, true));
    big.WriteU32(0x03040506);
    big.Close();
    EXPECT_EQ(ReadHostFile("be.bin"), std::string("\x03\x04\x05\x06", 4));
}

TEST_F(HandleTest, ShortTypedReadGivesZeroAndSetsFailure) {
    PutMemoryFile("short.bin", std::string("\xAA\xBB\xCC", 3));
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("short.bin", true));
    u32 value = 0x12345678;
    EXPECT_FALSE(handle.ReadU32(value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(handle.HasFailed());
    handle.ClearFailure();
    handle.Rewind();
    EXPECT_EQ(handle.ReadU16(), 0xBBAA);
    EXPECT_EQ(handle.ReadU8(), 0xCC);
    EXPECT_FALSE(handle.HasFailed());
    EXPECT_EQ(handle.ReadU8(), 0);
    EXPECT_TRUE(handle.HasFailed());
    EXPECT_EQ(handle.ReadFloat(), 0.0f);
}

TEST_F(HandleTest, ReadStringStopsAtZeroOrTruncates) {
    PutMemoryFile("s.bin", std::string("abc\0def", 7));
    PutMemoryFile("long.bin", std::string(2000, 'x'));
    zIOHandle handle;
    zString text;
    ASSERT_TRUE(handle.Open("s.bin", true));
    EXPECT_EQ(handle.ReadString(text), 4u);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(handle.ReadString(text), 3u); // ends at the end of the file
    EXPECT_EQ(text, "def");

    LogCapture log;
    ASSERT_TRUE(handle.Open("long.bin", true));
    EXPECT_EQ(handle.ReadString(text), 1023u);
    EXPECT_EQ(text.GetLength(), 1023u);
    EXPECT_EQ(log.Text(), "[*] String truncated.\n");
}

TEST_F(HandleTest, ClosingTwiceReturnsTrueSilently) {
    WriteHostFile("a.txt", "x");
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("a.txt", true));
    EXPECT_TRUE(handle.IsOpen());
    LogCapture log;
    EXPECT_TRUE(handle.Close());
    EXPECT_TRUE(handle.Close());
    EXPECT_FALSE(handle.IsOpen());
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(handle.Read(nullptr, 1), 0u);
    EXPECT_EQ(handle.GetSize(), 0u);
    EXPECT_FALSE(handle.Seek(0, SeekFromStart));
}

TEST_F(HandleTest, FailedCloseIsLogged) {
    // A record closed behind the handle's back makes the slot fail.
    PutMemoryFile("m.bin", "x");
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("m.bin", true));
    GetMemoryFileSystem()->CloseAll();
    LogCapture log;
    EXPECT_FALSE(handle.Close());
    EXPECT_EQ(log.Text(), "[!] Trying to close a memory handle that was not opened on this file system.\n"
                          "[!] File system failed to close handle.\n");
    EXPECT_FALSE(handle.IsOpen());
}

TEST_F(HandleTest, SizeSeekTellRewind) {
    WriteHostFile("a.bin", "0123456789");
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("a.bin", true));
    EXPECT_EQ(handle.Size(), 10u);
    EXPECT_TRUE(handle.Seek(-3, SeekFromEnd));
    EXPECT_EQ(handle.Tell(), 7u);
    EXPECT_TRUE(handle.Seek(1, SeekFromCurrent));
    EXPECT_EQ(handle.ReadU8(), '8');
    EXPECT_EQ(handle.Rewind(), 0u);
    EXPECT_EQ(handle.ReadU8(), '0');
}

TEST(HostByteOrder, FirstQueryLogsOnce) {
    ResetHostEndianness();
    LogCapture log;
    EXPECT_EQ(GetHostEndianness(), ByteOrderLittleEndian);
    EXPECT_EQ(GetHostEndianness(), ByteOrderLittleEndian);
    EXPECT_EQ(log.Text(), "Host memory configuration: Using little endian.\n");
}

TEST_F(HandleTest, OpenClosesThePreviousFileAndRecordsItsFileSystem) {
    WriteHostFile("a.txt", "a");
    WriteHostFile("b.txt", "b");
    PutMemoryFile("c.txt", "c");
    zIODiskFS* disk = GetDiskFileSystem();
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("a.txt", true));
    EXPECT_EQ(handle.GetFileSystem(), disk);
    EXPECT_EQ(disk->GetOpenHandleCount(), 1u);
    ASSERT_TRUE(handle.Open("b.txt", true));
    EXPECT_EQ(disk->GetOpenHandleCount(), 1u);
    EXPECT_EQ(handle.ReadU8(), 'b');
    ASSERT_TRUE(handle.Open("c.txt", true));
    EXPECT_EQ(handle.GetFileSystem(), GetMemoryFileSystem());
    EXPECT_EQ(disk->GetOpenHandleCount(), 0u);
    EXPECT_FALSE(handle.Open("missing.txt", true));
    EXPECT_FALSE(handle.IsOpen());
    EXPECT_EQ(GetMemoryFileSystem()->GetOpenHandleCount(), 0u);
}
