// A readable dump of a ZML tree for tests: one line per tag, two spaces of
// indentation per level, then the name and the typed value.
#pragma once

#include <cstdio>
#include <string>

#include "markup/metafile.h"

inline std::string DumpValue(const zVariant& value) {
    char text[64];
    switch (value.GetType()) {
    case VariantNone:
        return "";
    case VariantFloat:
        std::snprintf(text, sizeof(text), " = float %.9g", static_cast<double>(value.GetRawFloat()));
        return text;
    case VariantBool: {
        bool flag = false;
        value.GetBool(flag);
        return flag ? " = bool True" : " = bool False";
    }
    case VariantInt:
        std::snprintf(text, sizeof(text), " = int %d", value.GetRawInt());
        return text;
    case VariantString: {
        const char* string = "";
        value.GetString(string);
        return std::string(" = string \"") + string + "\"";
    }
    case VariantBinary: {
        std::string dump = " = binary " + std::to_string(value.GetBinarySize()) + ":";
        const unsigned char* bytes = static_cast<const unsigned char*>(value.GetBinaryData());
        for (u32 i = 0; i < value.GetBinarySize(); ++i) {
            std::snprintf(text, sizeof(text), "%02x", bytes[i]);
            dump += text;
        }
        return dump;
    }
    default:
        return " = list";
    }
}

inline void DumpTag(const zMetaTag& tag, int depth, std::string& out) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += tag.GetName().CStr() ? tag.GetName().CStr() : "";
    out += DumpValue(tag.GetValue());
    out += "\n";
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag.GetNextChild(iterator)) DumpTag(*child, depth + 1, out);
}

inline std::string DumpTree(const zMetafile& doc) {
    std::string out;
    zLinkedListIterator iterator;
    while (const zMetaTag* root = doc.GetNextRoot(iterator)) DumpTag(*root, 0, out);
    return out;
}
