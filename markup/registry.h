// zRegistry: a ZML document used as a key store (engine settings, renderer
// and item registries). A key is a tag path such as "Video:Width;"; the final
// ';' may be left out. Lookups never log.
//
// Setting a key creates the missing tags on the way. Every ';' of a key is
// dropped when setting or removing, so "Video;Width" names one tag
// "VideoWidth", exactly as set.
#pragma once

#include "markup/metafile.h"

class zRegistry : public zMetafile {
public:
    // The float at key; the default when missing or not a float.
    f32 GetFloat(const char* key, f32 defaultValue) const;
    // The value at key converted to bool (float, bool, int); else the default.
    bool GetBool(const char* key, bool defaultValue) const;
    // The tag at key, or null.
    zMetaTag* GetKey(const char* key) const;

    // Walks the names of key, creating missing ones as pure tags (unless not
    // create, which gives null at the first missing one), and copies value into
    // the last tag when given. A last tag with children refuses a value with a
    // log line and gives null. Null also when a tag cannot be added.
    zMetaTag* SetKey(const char* key, const zVariant* value, bool create = true);
    // Deletes the tag at key; false when a name on the way is missing.
    bool RemoveKey(const char* key);
};
