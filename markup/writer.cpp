#include "markup/writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/log.h"
#include "io/handle.h"
#include "markup/binary_encoding.h"
#include "markup/block_allocator.h"
#include "markup/number_token.h"
#include "platform/large_pages.h"

namespace {

constexpr char Header[] = "<ZML=1.0>\n";

// Collects the text and hands it to the handle in large pieces. Callers ask
// for room, write into it and advance. Without a handle the text is kept in
// chunks, after a first small one in blocks of large pages that are kept for
// the next document (read or written): a big save touches no new memory but
// the string it fills.
class TextSink {
public:
    explicit TextSink(zIOHandle* handle) : m_handle(handle) {}
    ~TextSink() {
        ReleaseChunks();
        FreeCurrent();
    }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    // The place for count more bytes; Advance past the ones written.
    char* Room(size_t count) {
        if (static_cast<size_t>(m_limit - m_cursor) < count) Grow(count);
        return m_cursor;
    }
    void Advance(char* end) { m_cursor = end; }

    void Put(char c) {
        *Room(1) = c;
        ++m_cursor;
        FlushIfFull();
    }
    void Put(const char* text, size_t length) {
        char* out = Room(length);
        if (length) std::memcpy(out, text, length);
        m_cursor = out + length;
        FlushIfFull();
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }

    void FlushIfFull() {
        if (m_handle && Used() >= FlushSize) Flush();
    }
    // False when the handle took fewer bytes than given.
    bool Flush() {
        if (m_handle && Used() != 0) {
            const u32 length = static_cast<u32>(Used());
            if (m_handle->Write(m_begin, length) != length) m_writeFailed = true;
            m_cursor = m_begin;
        }
        return !m_writeFailed;
    }

    // The text of a sink without a handle, in one piece.
    void TakeText(std::string& out) {
        size_t total = Used();
        for (const Chunk& chunk : m_chunks) total += chunk.used;
        out.clear();
        out.reserve(total);
        for (const Chunk& chunk : m_chunks) out.append(chunk.begin, chunk.used);
        out.append(m_begin, Used());
        ReleaseChunks();
    }
    bool WriteFailed() const { return m_writeFailed; }
    void MarkDataLost() { m_dataLost = true; }
    bool DataLost() const { return m_dataLost; }

private:
    static constexpr size_t FlushSize = 1 << 16;
    static constexpr size_t FirstSize = FlushSize + 4096;
    // As the tag pool's large chunks, so that either finds the other's kept blocks.
    static constexpr size_t ChunkSize = 2 * LargePageSize;

    struct Chunk {
        char* begin;
        size_t used;
        size_t largeSize;  // 0: a heap block
    };

    size_t Used() const { return static_cast<size_t>(m_cursor - m_begin); }

    void Grow(size_t count) {
        if (m_handle || !m_begin) {
            // One buffer, emptied by every flush; it grows only for a piece
            // larger than it.
            const size_t used = Used();
            size_t wanted = static_cast<size_t>(m_limit - m_begin) * 2;
            if (wanted < used + count) wanted = used + count;
            if (wanted < FirstSize) wanted = FirstSize;
            char* grown = static_cast<char*>(std::realloc(m_begin, wanted));
            if (!grown) throw std::bad_alloc();
            m_begin = grown;
            m_cursor = grown + used;
            m_limit = grown + wanted;
            return;
        }
        m_chunks.push_back({m_begin, Used(), m_largeSize});
        m_begin = m_cursor = m_limit = nullptr;
        const size_t size = (count + ChunkSize - 1) / ChunkSize * ChunkSize;
        char* block = static_cast<char*>(AllocateLargePageBlock(size));
        m_largeSize = block ? size : 0;
        if (!block) block = static_cast<char*>(std::malloc(size));
        if (!block) throw std::bad_alloc();
        m_begin = m_cursor = block;
        m_limit = block + size;
    }

    void FreeCurrent() {
        if (m_largeSize) {
            FreeLargePageBlock(m_begin, m_largeSize);
        } else {
            std::free(m_begin);
        }
        m_begin = m_cursor = m_limit = nullptr;
        m_largeSize = 0;
    }
    void ReleaseChunks() {
        for (const Chunk& chunk : m_chunks) {
            if (chunk.largeSize) {
                FreeLargePageBlock(chunk.begin, chunk.largeSize);
            } else {
                std::free(chunk.begin);
            }
        }
        m_chunks.clear();
    }

    zIOHandle* m_handle;  // null: everything stays in the text
    char* m_begin = nullptr;
    char* m_cursor = nullptr;
    char* m_limit = nullptr;
    size_t m_largeSize = 0;  // of the current block; 0 for a heap block
    std::vector<Chunk> m_chunks;  // the full ones, oldest first
    bool m_writeFailed = false;
    bool m_dataLost = false;
};

// IsWordDelimiter by table, for the name check.
struct DelimiterTable {
    bool delimiter[256];
    constexpr DelimiterTable() : delimiter() {
        for (int c = 0; c < 256; ++c) delimiter[c] = IsWordDelimiter(static_cast<char>(c));
    }
};
constexpr DelimiterTable Delimiters;

// Writes the decimal digits of value backwards, ending at end; returns their start.
char* PutDigitsBackwards(char* end, u32 value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

void PutFloat(TextSink& sink, const zMetaTag& tag, f32 value) {
    if (!std::isfinite(value)) {
        GetLog() << "[*] Tag '" << tag.GetName() << "' holds a float that is not finite, written as 0.\n";
        value = 0.0f;
    }
    char text[128];
    const u32 length = FormatFloatToken(value, text);
    char* out = sink.Room(length);
    std::memcpy(out, text, length);
    sink.Advance(out + length);
}

void PutString(TextSink& sink, const zString& value) {
    const char* text = value.CStr() ? value.CStr() : "";
    const size_t length = std::strlen(text);
    // Every character escaped at most once, and the two quotes.
    char* out = sink.Room(2 * length + 2);
    *out++ = '"';
    for (const char* c = text; *c; ++c) {
        const char ch = *c;
        if (ch == '"' || (ch == '\\' && (c[1] == '\\' || c[1] == '"' || c[1] == '\0'))) *out++ = '\\';
        *out++ = ch;
    }
    *out++ = '"';
    sink.Advance(out);
}

bool PutBinary(TextSink& sink, const zMetafile& doc, const zMetaTag& tag) {
    const zVariant& value = tag.GetValue();
    const void* data = value.GetBinaryData();
    const u32 rawSize = value.GetBinarySize();
    const u32 method = doc.GetBinaryMethod();
    const bool known = method == BinaryMethodAscii || method == BinaryMethodYEnc;
    const auto encode = [&](char* out, size_t capacity) {
        return method == BinaryMethodAscii ? AsciiEncode(data, rawSize, out, capacity)
                                           : YEncEncode(data, rawSize, out, capacity);
    };

    const size_t encodedSize = known ? encode(nullptr, 0) : 0;
    if (known && encodedSize == 0) {
        sink.Put(">\n");
        return true;
    }
    char* encoded = known ? static_cast<char*>(AllocateBlock(encodedSize)) : nullptr;
    if (!encoded) {
        GetLog() << "[!] Tag '" << tag.GetName() << "' failed to allocate internal binary buffer.\n";
        sink.Put(">\n");
        sink.MarkDataLost();
        return true;
    }
    const size_t produced = encode(encoded, encodedSize);
    if (produced != encodedSize) {
        GetLog() << "[*] Internal ASCII encoding inconsistency detected while processing tag '" << tag.GetName()
                 << "'.\n";
    }
    char header[64];
    const int headerLength = std::snprintf(header, sizeof(header), "==%llu:%u%s\n",
                                           static_cast<unsigned long long>(produced), rawSize,
                                           method == BinaryMethodYEnc ? "@" : "");
    sink.Put(header, static_cast<size_t>(headerLength));
    sink.Put(encoded, produced);
    sink.Put(">\n");
    std::free(encoded);
    return true;
}

// The reader ends a name at the first word delimiter.
bool IsReadableName(const zString& name) {
    for (const char* c = name.CStr(); c && *c; ++c) {
        if (Delimiters.delimiter[static_cast<u8>(*c)]) return false;
    }
    return true;
}

// depth TABs, then text.
void PutIndented(TextSink& sink, u32 depth, const char* text, size_t length) {
    char* out = sink.Room(depth + length);
    std::memset(out, '\t', depth);
    std::memcpy(out + depth, text, length);
    sink.Advance(out + depth + length);
}

bool PutTag(TextSink& sink, const zMetafile& doc, const zMetaTag* tag, u32 depth) {
    if (!tag) return false;
    const zString& name = tag->GetName();
    if (!IsReadableName(name)) {
        GetLog() << "[!] Tag name '" << name << "' cannot be read back as ZML; tag not written.\n";
        sink.MarkDataLost();
        return true;
    }
    {
        const char* text = name.CStr() ? name.CStr() : "";
        const size_t length = name.CStr() ? name.GetLength() : 0;
        char* out = sink.Room(depth + 1 + length);
        std::memset(out, '\t', depth);
        out += depth;
        *out++ = '<';
        if (length) std::memcpy(out, text, length);
        sink.Advance(out + length);
    }
    const zVariant& value = tag->GetValue();
    if (!value.IsNone() && tag->GetChildCount() > 0) {
        GetLog() << "[*] Tag '" << name << "' holds a value; its children are not written.\n";
    }
    switch (value.GetType()) {
    case VariantNone: {
        if (tag->GetChildCount() == 0) {
            sink.Put(">\n", 2);
            return true;
        }
        sink.Put("=\n", 2);
        zLinkedListIterator iterator;
        while (const zMetaTag* child = tag->GetNextChild(iterator)) {
            if (!PutTag(sink, doc, child, depth + 1)) return false;
        }
        PutIndented(sink, depth, ">\n", 2);
        sink.FlushIfFull();
        return true;
    }
    case VariantFloat:
        sink.Put('=');
        PutFloat(sink, *tag, value.GetRawFloat());
        sink.Put(">\n", 2);
        return true;
    case VariantBool: {
        bool flag = false;
        value.GetBool(flag);
        sink.Put(flag ? "=True>\n" : "=False>\n");
        return true;
    }
    case VariantInt: {
        const i32 number = value.GetRawInt();
        const u32 magnitude = number < 0 ? 0u - static_cast<u32>(number) : static_cast<u32>(number);
        char text[16];
        char* const end = text + sizeof(text);
        char* begin = PutDigitsBackwards(end - 2, magnitude);
        if (number < 0) *--begin = '-';
        *--begin = '=';
        end[-2] = '>';
        end[-1] = '\n';
        sink.Put(begin, static_cast<size_t>(end - begin));
        return true;
    }
    case VariantString:
        sink.Put('=');
        PutString(sink, value.GetStringValue());
        sink.Put(">\n", 2);
        return true;
    case VariantBinary:
        return PutBinary(sink, doc, *tag);
    default:
        GetLog() << "[!] No method to output tag '" << name << "' type.\n";
        return false;
    }
}

}  // namespace

bool WriteTag(zIOHandle& handle, const zMetafile& doc, const zMetaTag* tag, u32 depth) {
    TextSink sink(&handle);
    const bool written = PutTag(sink, doc, tag, depth);
    return sink.Flush() && written && !sink.DataLost();
}

bool SerializeMetafile(const zMetafile& doc, std::string& out) {
    TextSink sink(nullptr);
    sink.Put(Header);
    bool written = true;
    zLinkedListIterator iterator;
    while (const zMetaTag* root = doc.GetNextRoot(iterator)) {
        if (!PutTag(sink, doc, root, 0)) {
            written = false;
            break;
        }
    }
    sink.TakeText(out);
    return written && !sink.DataLost();
}

bool SaveMetafile(const char* path, const zMetafile& doc) {
    if (!path) return false;
    zIOHandle handle(ByteOrderLittleEndian);
    if (!handle.Open(path, false, true, false)) {
        GetLog() << "[!] Failed to open ML output '" << path << "'.\n";
        return false;
    }
    TextSink sink(&handle);
    sink.Put(Header);
    bool written = true;
    zLinkedListIterator iterator;
    while (const zMetaTag* root = doc.GetNextRoot(iterator)) {
        if (!PutTag(sink, doc, root, 0)) {
            written = false;
            break;
        }
    }
    if (!sink.Flush()) GetLog() << "[!] Failed to write ML output '" << path << "'.\n";
    handle.Close();
    return written && !sink.WriteFailed() && !sink.DataLost();
}
