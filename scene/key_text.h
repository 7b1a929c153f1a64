// Numbers in the text forms of animation keys: "time:value" knots, the
// ':'-separated fields of extended knots and "time:x,y,z,w" quaternion keys.
// Parsed independently of the locale; a field is read up to its separator,
// leading blanks and an optional '-' first, and ends at the first character
// that cannot continue a decimal float.
#pragma once

#include "core/types.h"

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
