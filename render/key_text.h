// The stored forms of animation keys. Text: "time:value" knots, the
// ':'-separated fields of extended knots and "time:x,y,z,w" quaternion keys,
// parsed independently of the locale; a field is read up to its separator,
// leading blanks and an optional '-' first, and ends at the first character
// that cannot continue a decimal float. Binary: a tag with "Count" (int) and
// "Data" (binary) children holding little-endian records.
#pragma once

#include "core/types.h"

class zMetaTag;

// The "Count" and "Data" of a binary key tag.
struct zKeyBlock {
    i32 count;
    const unsigned char* data;
    u32 size;
};

// False when either child is missing or of another type: the tag is ignored.
bool FindKeyBlock(const zMetaTag* tag, zKeyBlock& block);

// A block holding fewer whole records than its Count (a negative Count reads
// nothing and is not reported): "[*] <name> data is short: read of count
// key(s) read.\n".
void WarnShortKeyBlock(const char* tagName, u32 read, i32 count);

f32 ParseKeyFloat(const char* begin, const char* end);
i32 ParseKeyInt(const char* begin, const char* end);

// Walks the fields of a text split at one separator character.
class KeyTextFields {
  public:
    KeyTextFields(const char* text, char separator) : m_at(text), m_separator(separator) {}

    // The next field, or missing when the text has no field left.
    f32 NextFloat(f32 missing);
    i32 NextInt(i32 missing);

  private:
    // The next field's bounds; false when none is left.
    bool NextField(const char*& begin, const char*& end);

    const char* m_at; // null once the last field was taken
    char m_separator;
};
