#include "scriptapi/text_parameters.h"

#include <cmath>
#include <cstring>

#include "core/color.h"
#include "core/log.h"
#include "ui/text_layout.h"

namespace {

struct NamedValue {
    const char* name;
    i32 value;
};

const NamedValue g_alignments[] = {
    {"left", TextAlignLeft}, {"right", TextAlignRight}, {"center", TextAlignCenter}, {"justify", TextAlignJustify}};
const NamedValue g_formats[] = {
    {"standard", TextFormatStandard}, {"paragraph", TextFormatParagraph}, {"column", TextFormatColumn}};

// The value named text; false when the table has none.
template <size_t Count> bool FindNamed(const NamedValue (&table)[Count], const char* text, i32& out) {
    for (const NamedValue& row : table) {
        if (std::strcmp(row.name, text) != 0) continue;
        out = row.value;
        return true;
    }
    return false;
}

// An integer, or a float truncated; any other type leaves the field as it was.
bool NumberValue(HSQUIRRELVM vm, SQInteger& out) {
    const SQObjectType type = sq_gettype(vm, -1);
    return (type == OT_INTEGER || type == OT_FLOAT) && SQ_SUCCEEDED(sq_getinteger(vm, -1, &out));
}

template <size_t Count>
void ApplyNamed(HSQUIRRELVM vm, const NamedValue (&table)[Count], const char* what, i32& field) {
    const SQChar* text = nullptr;
    if (SQ_FAILED(sq_getstring(vm, -1, &text)) || !text) return;
    if (!FindNamed(table, text, field)) GetLog() << "[*] unknown text " << what << " command '" << text << "'.\n";
}

// Key at -2, value at -1.
void ApplyEntry(HSQUIRRELVM vm, const char* key, zTextParameters& parameters) {
    SQInteger number = 0;
    if (std::strcmp(key, "size") == 0) {
        if (NumberValue(vm, number)) parameters.size = i32(number);
    } else if (std::strcmp(key, "color") == 0) {
        if (sq_gettype(vm, -1) != OT_INTEGER || SQ_FAILED(sq_getinteger(vm, -1, &number))) return;
        const zColor colour = zColor::FromRGBA32(u32(number));
        // Stored last component first.
        const f32 components[4] = {colour.a, colour.b, colour.g, colour.r};
        for (int i = 0; i < 4; ++i)
            parameters.color[i] = i32(std::lround(components[i] * 255.0f));
    } else if (std::strcmp(key, "align") == 0) {
        ApplyNamed(vm, g_alignments, "alignment", parameters.align);
    } else if (std::strcmp(key, "format") == 0) {
        ApplyNamed(vm, g_formats, "format", parameters.format);
    } else if (std::strcmp(key, "tracking") == 0) {
        if (NumberValue(vm, number)) parameters.letterSpacing = f32(number);
    } else if (std::strcmp(key, "heading") == 0) {
        if (NumberValue(vm, number)) parameters.lineSpacing = f32(number);
    } else {
        GetLog() << "[*] unknown text attribute '" << key << "'.\n";
    }
}

} // namespace

void ApplyTextParameterTable(HSQUIRRELVM vm, SQInteger index, zTextParameters& parameters) {
    const SQInteger top = sq_gettop(vm);
    if (index < 0) index = top + index + 1;
    sq_pushnull(vm);
    while (SQ_SUCCEEDED(sq_next(vm, index))) {
        const SQChar* key = nullptr;
        if (sq_gettype(vm, -2) == OT_STRING && SQ_SUCCEEDED(sq_getstring(vm, -2, &key)) && key)
            ApplyEntry(vm, key, parameters);
        sq_pop(vm, 2);
    }
    sq_settop(vm, top);
}
