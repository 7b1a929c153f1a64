#include "squirrel/stdlib/sqstdstring.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "squirrel/stdlib/registration.h"
#include "squirrel/stdlib/rex.h"

namespace {

bool IsSpace(char c) {
    return isspace((unsigned char)c) != 0;
}

SQInteger StringFormat(HSQUIRRELVM v) {
    SQChar* dest = nullptr;
    SQInteger length = 0;
    if (SQ_FAILED(sqstd_format(v, 2, &length, &dest))) return SQ_ERROR;
    sq_pushstring(v, dest, length);
    return 1;
}

enum StripSides { kLeft = 1, kRight = 2 };

SQInteger Strip(HSQUIRRELVM v, int sides) {
    const SQChar* text = nullptr;
    sq_getstring(v, 2, &text);
    SQInteger begin = 0;
    SQInteger end = sq_getsize(v, 2);
    if (sides & kLeft)
        while (begin < end && IsSpace(text[begin]))
            ++begin;
    if (sides & kRight)
        while (end > begin && IsSpace(text[end - 1]))
            --end;
    sq_pushstring(v, text + begin, end - begin);
    return 1;
}

SQInteger StringStrip(HSQUIRRELVM v) {
    return Strip(v, kLeft | kRight);
}
SQInteger StringLstrip(HSQUIRRELVM v) {
    return Strip(v, kLeft);
}
SQInteger StringRstrip(HSQUIRRELVM v) {
    return Strip(v, kRight);
}

// Splits at every byte of `separators`; empty tokens are left out.
SQInteger StringSplit(HSQUIRRELVM v) {
    const SQChar* text = nullptr;
    const SQChar* separators = nullptr;
    sq_getstring(v, 2, &text);
    sq_getstring(v, 3, &separators);
    if (*separators == '\0') return sq_throwerror(v, "empty separators string");
    sq_newarray(v, 0);
    const SQChar* p = text;
    while (*p != '\0') {
        p += strspn(p, separators);
        size_t tokenLength = strcspn(p, separators);
        if (tokenLength == 0) break;
        sq_pushstring(v, p, (SQInteger)tokenLength);
        sq_arrayappend(v, -2);
        p += tokenLength;
    }
    return 1;
}

// Printable bytes stay, except \ " ' which get a backslash; NUL becomes \0; any other byte
// becomes \xHH.
SQInteger StringEscape(HSQUIRRELVM v) {
    const SQChar* text = nullptr;
    sq_getstring(v, 2, &text);
    SQInteger size = sq_getsize(v, 2);
    std::string out;
    bool escaped = false;
    for (SQInteger i = 0; i < size; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == 0 || c == '\\' || c == '"' || c == '\'') {
            out += '\\';
            out += c == 0 ? '0' : (char)c;
            escaped = true;
        } else if (c < 0x80 && isprint(c)) {
            out += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02x", c);
            out += hex;
            escaped = true;
        }
    }
    if (escaped)
        sq_pushstring(v, out.data(), (SQInteger)out.size());
    else
        sq_push(v, 2);
    return 1;
}

SQInteger StringStartswith(HSQUIRRELVM v) {
    const SQChar* text = nullptr;
    const SQChar* prefix = nullptr;
    sq_getstring(v, 2, &text);
    sq_getstring(v, 3, &prefix);
    SQInteger length = sq_getsize(v, 2);
    SQInteger prefixLength = sq_getsize(v, 3);
    sq_pushbool(v, prefixLength <= length && memcmp(text, prefix, (size_t)prefixLength) == 0);
    return 1;
}

SQInteger StringEndswith(HSQUIRRELVM v) {
    const SQChar* text = nullptr;
    const SQChar* suffix = nullptr;
    sq_getstring(v, 2, &text);
    sq_getstring(v, 3, &suffix);
    SQInteger length = sq_getsize(v, 2);
    SQInteger suffixLength = sq_getsize(v, 3);
    sq_pushbool(v, suffixLength <= length &&
                       memcmp(text + length - suffixLength, suffix, (size_t)suffixLength) == 0);
    return 1;
}

const SQRegFunction kStringFunctions[] = {
    {"format", StringFormat, -2, ".s"},
    {"strip", StringStrip, 2, ".s"},
    {"lstrip", StringLstrip, 2, ".s"},
    {"rstrip", StringRstrip, 2, ".s"},
    {"split", StringSplit, 3, ".ss"},
    {"escape", StringEscape, 2, ".s"},
    {"startswith", StringStartswith, 3, ".ss"},
    {"endswith", StringEndswith, 3, ".ss"},
    {nullptr, nullptr, 0, nullptr},
};

// Tags regexp instances so that a method borrowed onto another object is refused.
const int kRegexpTypeTagAnchor = 0;
#define SQSTD_REGEXP_TYPE_TAG ((SQUserPointer)&kRegexpTypeTagAnchor)

SQRex* GetRegexp(HSQUIRRELVM v, SQRESULT* result) {
    SQUserPointer up = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &up, SQSTD_REGEXP_TYPE_TAG))) {
        *result = sq_throwerror(v, "invalid type tag");
        return nullptr;
    }
    if (up == nullptr) {
        *result = sq_throwerror(v, "the regexp is invalid");
        return nullptr;
    }
    return static_cast<SQRex*>(up);
}

#define SETUP_REX(v)                                                                                         \
    SQRESULT setupResult = SQ_OK;                                                                            \
    SQRex* self = GetRegexp(v, &setupResult);                                                                \
    if (self == nullptr) return setupResult

SQInteger RegexpReleaseHook(SQUserPointer p, SQInteger /*size*/) {
    sqstd_rex_free(static_cast<SQRex*>(p));
    return 1;
}

void PushMatch(HSQUIRRELVM v, const SQChar* text, const SQChar* begin, const SQChar* end) {
    sq_newtable(v);
    sq_pushstring(v, "begin", -1);
    sq_pushinteger(v, (SQInteger)(begin - text));
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "end", -1);
    sq_pushinteger(v, (SQInteger)(end - text));
    sq_newslot(v, -3, SQFalse);
}

// Reads the text and the optional start of a search; false when the error is raised.
bool GetSearchText(HSQUIRRELVM v, const SQChar** text, SQInteger* start, SQRESULT* result) {
    sq_getstring(v, 2, text);
    *start = 0;
    if (sq_gettop(v) > 2) sq_getinteger(v, 3, start);
    if (*start < 0 || *start > sq_getsize(v, 2)) {
        *result = sq_throwerror(v, "invalid starting position");
        return false;
    }
    return true;
}

SQInteger RegexpMatch(HSQUIRRELVM v) {
    SETUP_REX(v);
    const SQChar* text = nullptr;
    sq_getstring(v, 2, &text);
    SQBool matched = sqstd_rex_match(self, text);
    if (sqstd::RexMatchError(self) != nullptr) return sq_throwerror(v, sqstd::RexMatchError(self));
    sq_pushbool(v, matched);
    return 1;
}

// Searches the text argument from its start index. SearchFound with the
// match in begin and end; otherwise what the native returns: 0 when nothing
// matched, or the error.
const SQInteger SearchFound = 1;
SQInteger SearchArguments(HSQUIRRELVM v, SQRex* self, const SQChar** text, const SQChar** begin,
                          const SQChar** end) {
    SQInteger start = 0;
    SQRESULT result = SQ_OK;
    if (!GetSearchText(v, text, &start, &result)) return result;
    SQBool found = sqstd_rex_search(self, *text + start, begin, end);
    if (sqstd::RexMatchError(self) != nullptr) return sq_throwerror(v, sqstd::RexMatchError(self));
    return found ? SearchFound : 0;
}

SQInteger RegexpSearch(HSQUIRRELVM v) {
    SETUP_REX(v);
    const SQChar* text = nullptr;
    const SQChar* begin = nullptr;
    const SQChar* end = nullptr;
    SQInteger outcome = SearchArguments(v, self, &text, &begin, &end);
    if (outcome != SearchFound) return outcome;
    PushMatch(v, text, begin, end);
    return 1;
}

SQInteger RegexpCapture(HSQUIRRELVM v) {
    SETUP_REX(v);
    const SQChar* text = nullptr;
    const SQChar* begin = nullptr;
    const SQChar* end = nullptr;
    SQInteger outcome = SearchArguments(v, self, &text, &begin, &end);
    if (outcome != SearchFound) return outcome;
    SQInteger count = sqstd_rex_getsubexpcount(self);
    sq_newarray(v, 0);
    for (SQInteger i = 0; i < count; ++i) {
        SQRexMatch match;
        sqstd_rex_getsubexp(self, i, &match);
        // A group that took part with no text, or none at all, reads as 0..0.
        if (match.len > 0)
            PushMatch(v, text, match.begin, match.begin + match.len);
        else
            PushMatch(v, text, text, text);
        sq_arrayappend(v, -2);
    }
    return 1;
}

SQInteger RegexpSubexpcount(HSQUIRRELVM v) {
    SETUP_REX(v);
    sq_pushinteger(v, sqstd_rex_getsubexpcount(self));
    return 1;
}

SQInteger RegexpConstructor(HSQUIRRELVM v) {
    const SQChar* pattern = nullptr;
    const SQChar* error = nullptr;
    sq_getstring(v, 2, &pattern);
    SQRex* rex = sqstd_rex_compile(pattern, &error);
    if (rex == nullptr) return sq_throwerror(v, error);
    if (SQ_FAILED(sqstd::SetInstanceObject(v, SQSTD_REGEXP_TYPE_TAG, rex, RegexpReleaseHook))) {
        sqstd_rex_free(rex);
        return SQ_ERROR;
    }
    return 0;
}

SQInteger RegexpTypeof(HSQUIRRELVM v) {
    sq_pushstring(v, "regexp", -1);
    return 1;
}

const SQRegFunction kRegexpMethods[] = {
    {"constructor", RegexpConstructor, 2, ".s"},
    {"search", RegexpSearch, -2, "xsn"},
    {"match", RegexpMatch, 2, "xs"},
    {"capture", RegexpCapture, -2, "xsn"},
    {"subexpcount", RegexpSubexpcount, 1, "x"},
    {"_typeof", RegexpTypeof, 1, "x"},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

extern "C" SQRESULT sqstd_register_stringlib(HSQUIRRELVM v) {
    sq_pushstring(v, "regexp", -1);
    sq_newclass(v, SQFalse);
    sq_settypetag(v, -1, SQSTD_REGEXP_TYPE_TAG);
    sqstd::RegisterFunctions(v, kRegexpMethods);
    sq_newslot(v, -3, SQFalse);
    sqstd::RegisterFunctions(v, kStringFunctions);
    return SQ_OK;
}
