#include "core/endian.h"

#include <atomic>
#include <cstring>

#include "core/log.h"

namespace {

// 0 until the first query.
std::atomic<u32> g_hostByteOrder{0};

u32 DetectByteOrder() {
    const u32 probe = 1;
    u8 firstByte = 0;
    std::memcpy(&firstByte, &probe, 1);
    return firstByte == 1 ? ByteOrderLittleEndian : ByteOrderBigEndian;
}

}  // namespace

u32 GetHostEndianness() {
    u32 cached = g_hostByteOrder.load(std::memory_order_acquire);
    if (cached != 0) return cached;
    u32 detected = DetectByteOrder();
    u32 expected = 0;
    if (g_hostByteOrder.compare_exchange_strong(expected, detected)) {
        GetLog() << (detected == ByteOrderLittleEndian ? "Host memory configuration: Using little endian.\n"
                                                       : "Host memory configuration: Using big endian.\n");
        return detected;
    }
    return expected;
}

void SwapEndian(u32 size, void* bytes) {
    if (!bytes) return;
    u8* data = static_cast<u8*>(bytes);
    if (size == 2) {
        u8 first = data[0];
        data[0] = data[1];
        data[1] = first;
    } else if (size == 4) {
        u8 b0 = data[0], b1 = data[1];
        data[0] = data[3];
        data[1] = data[2];
        data[2] = b1;
        data[3] = b0;
    }
}

void ResetHostEndianness() { g_hostByteOrder.store(0, std::memory_order_release); }
