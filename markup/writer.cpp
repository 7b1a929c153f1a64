#include "markup/writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "io/handle.h"
#include "markup/binary_encoding.h"
#include "markup/block_allocator.h"
#include "markup/number_token.h"

namespace {

constexpr char Header[] = "<ZML=1.0>\n";

// Collects the text and hands it to the handle in large pieces.
class TextSink {
public:
    explicit TextSink(zIOHandle* handle) : m_handle(handle) {}

    void Put(char c) {
        m_text += c;
        FlushIfFull();
    }
    void Put(const char* text, size_t length) {
        m_text.append(text, length);
        FlushIfFull();
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }
    void Put(const zString& text) {
        if (text.CStr()) Put(text.CStr(), text.GetLength());
    }
    void Tabs(u32 count) { m_text.append(count, '\t'); }

    // False when the handle took fewer bytes than given.
    bool Flush() {
        if (m_handle && !m_text.empty()) {
            const u32 length = static_cast<u32>(m_text.size());
            if (m_handle->Write(m_text.data(), length) != length) m_writeFailed = true;
            m_text.clear();
        }
        return !m_writeFailed;
    }

    std::string& Text() { return m_text; }
    bool WriteFailed() const { return m_writeFailed; }
    void MarkDataLost() { m_dataLost = true; }
    bool DataLost() const { return m_dataLost; }

private:
    static constexpr size_t FlushSize = 1 << 16;

    void FlushIfFull() {
        if (m_handle && m_text.size() >= FlushSize) Flush();
    }

    zIOHandle* m_handle;  // null: everything stays in the text
    std::string m_text;
    bool m_writeFailed = false;
    bool m_dataLost = false;
};

void PutFloat(TextSink& sink, const zMetaTag& tag, f32 value) {
    if (!std::isfinite(value)) {
        GetLog() << "[*] Tag '" << tag.GetName() << "' holds a float that is not finite, written as 0.\n";
        value = 0.0f;
    }
    char text[128];
    sink.Put(text, FormatFloatToken(value, text));
}

void PutString(TextSink& sink, const zString& value) {
    sink.Put('"');
    const char* text = value.CStr() ? value.CStr() : "";
    for (const char* c = text; *c; ++c) {
        const bool escape = *c == '"' || (*c == '\\' && (c[1] == '\\' || c[1] == '"' || c[1] == '\0'));
        if (escape) sink.Put('\\');
        sink.Put(*c);
    }
    sink.Put('"');
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
        if (IsWordDelimiter(*c)) return false;
    }
    return true;
}

bool PutTag(TextSink& sink, const zMetafile& doc, const zMetaTag* tag, u32 depth) {
    if (!tag) return false;
    if (!IsReadableName(tag->GetName())) {
        GetLog() << "[!] Tag name '" << tag->GetName() << "' cannot be read back as ZML; tag not written.\n";
        sink.MarkDataLost();
        return true;
    }
    sink.Tabs(depth);
    sink.Put('<');
    sink.Put(tag->GetName());
    const zVariant& value = tag->GetValue();
    if (!value.IsNone() && tag->GetChildCount() > 0) {
        GetLog() << "[*] Tag '" << tag->GetName() << "' holds a value; its children are not written.\n";
    }
    switch (value.GetType()) {
    case VariantNone: {
        if (tag->GetChildCount() == 0) {
            sink.Put(">\n");
            return true;
        }
        sink.Put("=\n");
        zLinkedListIterator iterator;
        while (const zMetaTag* child = tag->GetNextChild(iterator)) {
            if (!PutTag(sink, doc, child, depth + 1)) return false;
        }
        sink.Tabs(depth);
        sink.Put(">\n");
        return true;
    }
    case VariantFloat:
        sink.Put('=');
        PutFloat(sink, *tag, value.GetRawFloat());
        sink.Put(">\n");
        return true;
    case VariantBool: {
        bool flag = false;
        value.GetBool(flag);
        sink.Put(flag ? "=True>\n" : "=False>\n");
        return true;
    }
    case VariantInt: {
        char text[16];
        const int length = std::snprintf(text, sizeof(text), "=%d", static_cast<int>(value.GetRawInt()));
        sink.Put(text, static_cast<size_t>(length));
        sink.Put(">\n");
        return true;
    }
    case VariantString:
        sink.Put('=');
        PutString(sink, value.GetStringValue());
        sink.Put(">\n");
        return true;
    case VariantBinary:
        return PutBinary(sink, doc, *tag);
    default:
        GetLog() << "[!] No method to output tag '" << tag->GetName() << "' type.\n";
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
    out.swap(sink.Text());
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
