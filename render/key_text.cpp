#include "render/key_text.h"

#include "core/log.h"
#include "markup/meta_tag.h"
#include "markup/number_token.h"

namespace {

// Skips blanks and a leading '-'.
const char* NumberStart(const char* begin, const char* end, bool& negative) {
    while (begin < end && (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n'))
        ++begin;
    negative = begin < end && *begin == '-';
    return negative ? begin + 1 : begin;
}

} // namespace

f32 ParseKeyFloat(const char* begin, const char* end) {
    bool negative = false;
    begin = NumberStart(begin, end, negative);
    return ParseFloatToken(begin, end, negative);
}

i32 ParseKeyInt(const char* begin, const char* end) {
    bool negative = false;
    bool outOfRange = false;
    begin = NumberStart(begin, end, negative);
    return ParseIntToken(begin, end, negative, outOfRange);
}

bool KeyTextFields::NextField(const char*& begin, const char*& end) {
    if (!m_at) return false;
    begin = m_at;
    end = begin;
    while (*end != '\0' && *end != m_separator)
        ++end;
    m_at = *end == m_separator ? end + 1 : nullptr;
    return true;
}

f32 KeyTextFields::NextFloat(f32 missing) {
    const char* begin;
    const char* end;
    return NextField(begin, end) ? ParseKeyFloat(begin, end) : missing;
}

i32 KeyTextFields::NextInt(i32 missing) {
    const char* begin;
    const char* end;
    return NextField(begin, end) ? ParseKeyInt(begin, end) : missing;
}

bool FindKeyBlock(const zMetaTag* tag, zKeyBlock& block) {
    const zMetaTag* countTag = tag->GetTypedTag("Count;", VariantInt);
    const zMetaTag* dataTag = tag->GetTypedTag("Data;", VariantBinary);
    if (!countTag || !dataTag) return false;
    block.count = countTag->GetRawInt();
    block.data = static_cast<const unsigned char*>(dataTag->GetValue().GetBinaryData());
    block.size = dataTag->GetValue().GetBinarySize();
    return true;
}

void WarnShortKeyBlock(const char* tagName, u32 read, i32 count) {
    if (count > 0 && read < u32(count))
        GetLog() << "[*] <" << tagName << "> data is short: " << read << " of " << count << " key(s) read.\n";
}
