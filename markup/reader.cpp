#include "markup/reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/log.h"
#include "io/file_road.h"
#include "markup/binary_encoding.h"
#include "markup/block_allocator.h"
#include "markup/number_token.h"
#include "markup/tag_pool.h"

namespace {

// Syntax errors, logged as "[!] In file '<file>': " head [value middle] name tail.
enum class ParseError {
    MangledDefinition,
    IncoherentType,
    TrailingValue,
    MangledString,
    EofAfterString,
    TrailingString,
    UnexpectedCharacter,
    ExpectedEncodedSize,
    ExpectedSizeDelimiter,
    ExpectedBinarySize,
    ExpectedEol,
    EncodedPastEnd,
    BinaryTooLarge,
    BinaryAllocation,
    BinaryShort,
    ExpectedClosing,
    MangledDirective,
    MangledTagInDirective,
    ArgumentNotFound,
    AppendOnlyString,
    MangledShortcut,
    UnexpectedDirectiveCharacter,
    UnknownDirective,
    NestingTooDeep,
};

struct ErrorText {
    const char* head;
    const char* middle;  // null: the message carries the tag name only
    const char* tail;
};

// In the order of ParseError.
constexpr ErrorText ErrorTexts[] = {
    {"Mangled definition, metatag '", nullptr, "'."},
    {"Incoherent type in tag '", nullptr, "' declaration."},
    {"Unexpected trailing expression following value, metatag '", nullptr, "'."},
    {"Mangled string declaration, metatag '", nullptr, "'."},
    {"Unexpected EOF after string declaration, metatag '", nullptr, "'."},
    {"Unexpected trailing expression following string object, metatag '", nullptr, "'."},
    {"Unexpected '", "' in assignation, metatag '", "'."},
    {"Expected encoded size in binary tag '", nullptr, "' declaration."},
    {"Expected size delimiter in binary tag '", nullptr, "' declaration."},
    {"Expected binary size in binary tag '", nullptr, "' declaration."},
    {"Expected EOL following binary size in binary tag '", nullptr, "' declaration."},
    {"Encoded size reaches past the end of the text in binary tag '", nullptr, "' declaration."},
    {"Binary size larger than the encoded data can hold in binary tag '", nullptr, "' declaration."},
    {"Failed to allocate binary buffer in binary tag '", nullptr, "'."},
    {"Encoded data shorter than the binary size in binary tag '", nullptr, "'."},
    {"Expected closing tag in tag '", nullptr, "'."},
    {"Mangled preprocessor directive, metatag '", nullptr, "'."},
    {"Mangled tag declaration in preprocessor directive, metatag '", nullptr, "'."},
    {"Preprocessor argument tag '", "' not found, metatag '", "'."},
    {"Preprocessor directive #append only support string, metatag '", nullptr, "'."},
    {"Mangled shortcut declaration, metatag '", nullptr, "'."},
    {"Unexpected character in preprocessor directive, metatag '", nullptr, "'."},
    {"Unknown preprocessor directive, metatag '", nullptr, "'."},
    {"Tags nested too deep, metatag '", nullptr, "'."},
};
static_assert(sizeof(ErrorTexts) / sizeof(ErrorTexts[0]) == static_cast<size_t>(ParseError::NestingTooDeep) + 1,
              "one text per error");

bool IsBlank(char c) {
    // ' ', '\t', '\r' and '\n' as bits of one word.
    return static_cast<u8>(c) <= ' ' && ((0x100002600ull >> static_cast<u8>(c)) & 1) != 0;
}

// IsWordDelimiter by table, for the reader's word scans.
struct DelimiterTable {
    bool delimiter[256];
    constexpr DelimiterTable() : delimiter() {
        for (int c = 0; c < 256; ++c) delimiter[c] = IsWordDelimiter(static_cast<char>(c));
    }
};
constexpr DelimiterTable Delimiters;

bool IsDelimiter(char c) {
    return Delimiters.delimiter[static_cast<u8>(c)];
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One file on the chain of documents being read, innermost first.
struct IncludeFrame {
    const char* path;  // as handed to the file road; may be empty
    const IncludeFrame* parent;
    u32 includeDepth;  // 0 for the outermost document
    u32 tagDepth;      // nesting of the tag that receives this document's roots
};

// Names compare after path normalisation and without letter case, as the
// disk file system finds them.
bool SameFile(const char* a, const char* b) {
    if (!a || !b || !*a || !*b) return false;
    const zString left = zString(a).GetNormalizedPath().ToLowerCase();
    const zString right = zString(b).GetNormalizedPath().ToLowerCase();
    return left == right;
}

bool LoadChained(const char* path, zMetafile& doc, const IncludeFrame* parent, u32 tagDepth);

class Parser {
public:
    Parser(const char* data, size_t size, zMetafile& doc, const IncludeFrame& frame)
        : m_pos(data), m_end(data + size), m_doc(doc), m_frame(frame) {}

    // Allocation failure while parsing is logged and fails the document.
    bool ParseDocument();

private:
    bool ParseHeaderAndRoots();
    // A tag of the pool; throws std::bad_alloc when memory runs out.
    zMetaTag* NewTag();
    // The tag's name and string value go to the pool's text
    // store when it has room, else to heap copies of their own.
    void SetName(zMetaTag* tag, const char* begin, const char* end);
    void SetStringValue(zMetaTag* tag, const char* begin, const char* end);
    inline void SkipBlanks();
    void SkipBlanksAndComments();
    // Advances over a word and returns its start.
    const char* ReadWord();
    // From the opening quote: advances past the closing one and gives the
    // text between them. False, position unchanged, when it is not closed.
    bool ReadQuoted(const char*& begin, const char*& end, bool& escaped);

    bool ParseTag(zMetaTag* tag, u32 depth);
    bool ParseValue(zMetaTag* tag);
    bool CloseValue(zMetaTag* tag, ParseError trailing);
    bool ParseNumber(zMetaTag* tag);
    bool ParseString(zMetaTag* tag);
    bool ParseBinary(zMetaTag* tag);
    bool ParseDirective(zMetaTag* tag, u32 depth);
    bool ParseInclude(zMetaTag* tag, u32 depth);
    bool ParseAppend(zMetaTag* tag);
    void IncludeFile(zMetaTag* tag, const std::string& name, u32 depth);

    // FindMetaTagByPath without logging over the document read so far, for
    // #append: each list is searched through an index of its first tag of
    // each name, so that many arguments cost no more than the tags they name.
    const zMetaTag* FindByPath(const char* path);
    zMetaTag* FindFirst(const zLinkedListId& list, std::string_view name);

    bool Fail(ParseError error, const zMetaTag* tag, const char* value = nullptr);
    const zString& FileName() const { return m_doc.GetFileName(); }

    const char* m_pos;
    const char* m_end;
    zMetafile& m_doc;
    const IncludeFrame& m_frame;
    zMetaTagPool m_pool;

    // Tags are only appended to the document while it is read: an index
    // takes the ones added since its last entry on each lookup.
    struct ListIndex {
        const zLinkedListEntry* last = nullptr;
        std::unordered_map<std::string_view, zMetaTag*> first;
    };
    std::unordered_map<const zLinkedListId*, ListIndex> m_listIndexes;
};

// Appends the quoted text between begin and end with "\\" and "\"" unescaped.
void AppendUnescaped(std::string& out, const char* begin, const char* end) {
    for (const char* c = begin; c < end; ++c) {
        if (*c == '\\' && c + 1 < end && (c[1] == '\\' || c[1] == '"')) ++c;
        out += *c;
    }
}

bool Parser::Fail(ParseError error, const zMetaTag* tag, const char* value) {
    const ErrorText& text = ErrorTexts[static_cast<size_t>(error)];
    zLog& log = GetLog();
    log << "[!] In file '" << FileName() << "': " << text.head;
    if (text.middle) log << value << text.middle;
    log << (tag ? tag->GetName() : zString()) << text.tail << "\n";
    return false;
}

void Parser::SkipBlanks() {
    // Most calls find a few blanks at most, and no comment.
    while (m_pos < m_end && IsBlank(*m_pos)) ++m_pos;
    if (m_pos < m_end && *m_pos == '/') SkipBlanksAndComments();
}

void Parser::SkipBlanksAndComments() {
    while (m_pos < m_end) {
        while (IsBlank(*m_pos)) {
            if (++m_pos == m_end) return;
        }
        const char c = *m_pos;
        if (c == '/' && m_end - m_pos >= 2 && m_pos[1] == '/') {
            m_pos += 2;
            while (m_pos < m_end && *m_pos != '\r' && *m_pos != '\n') ++m_pos;
        } else if (c == '/' && m_end - m_pos >= 2 && m_pos[1] == '*') {
            m_pos += 2;
            while (m_pos < m_end && !(*m_pos == '*' && m_end - m_pos >= 2 && m_pos[1] == '/')) ++m_pos;
            m_pos = m_pos < m_end ? m_pos + 2 : m_end;
        } else {
            return;
        }
    }
}

const char* Parser::ReadWord() {
    const char* begin = m_pos;
    const char* c = begin;
    while (c < m_end && !IsDelimiter(*c)) ++c;
    m_pos = c;
    return begin;
}

bool Parser::ReadQuoted(const char*& begin, const char*& end, bool& escaped) {
    const char* cursor = m_pos + 1;
    escaped = false;
    // The first quote at or past the cursor; searched again only once the
    // cursor has passed it, so each byte is scanned once for each character.
    const char* quote = nullptr;
    for (;;) {
        if (!quote || quote < cursor) {
            quote = static_cast<const char*>(std::memchr(cursor, '"', static_cast<size_t>(m_end - cursor)));
            if (!quote) return false;
        }
        const char* slash = static_cast<const char*>(std::memchr(cursor, '\\', static_cast<size_t>(quote - cursor)));
        if (!slash) {
            begin = m_pos + 1;
            end = quote;
            m_pos = quote + 1;
            return true;
        }
        // A backslash skips the character after it, which may be the quote.
        escaped = true;
        if (m_end - slash <= 2) return false;
        cursor = slash + 2;
    }
}

zMetaTag* Parser::NewTag() {
    zMetaTag* tag = m_pool.NewTag();
    if (!tag) throw std::bad_alloc();
    return tag;
}

void Parser::SetName(zMetaTag* tag, const char* begin, const char* end) {
    const size_t length = static_cast<size_t>(end - begin);
    u32 hash = 0;
    // An empty name stays without text, as a heap copy would.
    const char* stored = length && length <= zMetaTagPool::MaxStoredText
                             ? m_pool.StoreName(begin, static_cast<u32>(length), m_end, hash)
                             : nullptr;
    if (stored) {
        tag->id.Borrow(stored, static_cast<u32>(length), hash);
    } else {
        tag->id.SetRange(begin, end);
    }
}

void Parser::SetStringValue(zMetaTag* tag, const char* begin, const char* end) {
    const size_t length = static_cast<size_t>(end - begin);
    const char* stored =
        length <= zMetaTagPool::MaxStoredText ? m_pool.StoreValue(begin, static_cast<u32>(length)) : nullptr;
    if (stored) {
        tag->GetValue().SetBorrowedString(stored, static_cast<u32>(length), 0);
    } else {
        tag->GetValue().SetString(begin, end);
    }
}

bool Parser::ParseDocument() {
    // Tags and the texts of #include and #append throw std::bad_alloc as new does; nothing
    // above the reader sees it.
    try {
        return ParseHeaderAndRoots();
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] In file '" << FileName() << "': Failed to allocate memory.\n";
        return false;
    }
}

bool Parser::ParseHeaderAndRoots() {
    m_doc.ClearRoots();
    const std::unique_ptr<zMetaTag> header(NewTag());
    if (!ParseTag(header.get(), m_frame.tagDepth + 1)) {
        GetLog() << "[!] Invalid metafile.\n";
        return false;
    }
    if (!(header->GetName() == "ZML")) {
        GetLog() << "[!] Unknown metafile variant.\n";
        return false;
    }
    const zVariant& version = header->GetValue();
    f32 floatVersion = 0.0f;
    i32 intVersion = 0;
    if (version.GetFloat(floatVersion)) {
        if (floatVersion > 1.0f) GetLog() << "[*] Newer version ZML header found (" << floatVersion << ">1).\n";
    } else if (version.GetInt(intVersion)) {
        if (intVersion >= 2) GetLog() << "[*] Newer version ZML header found (" << intVersion << ">1).\n";
    } else {
        GetLog() << "[*] Unknown ZML header version identification method.\n";
    }

    for (;;) {
        SkipBlanks();
        if (m_pos >= m_end) return true;
        zMetaTag* root = m_doc.AddRoot(NewTag());
        if (!ParseTag(root, m_frame.tagDepth + 1)) return false;
    }
}

bool Parser::ParseTag(zMetaTag* tag, u32 depth) {
    if (!tag) {
        GetLog() << "[!] No tag to parse in file '" << FileName() << "'.\n";
        return false;
    }
    SkipBlanks();
    if (m_pos >= m_end || *m_pos != '<') return false;
    ++m_pos;
    const char* nameBegin = ReadWord();
    SetName(tag, nameBegin, m_pos);

    SkipBlanks();
    if (m_pos >= m_end) return Fail(ParseError::MangledDefinition, tag);
    if (*m_pos == '>') {
        ++m_pos;
        return true;
    }
    if (*m_pos != '=') return true;
    ++m_pos;

    for (;;) {
        SkipBlanks();
        if (m_pos >= m_end) return Fail(ParseError::MangledDefinition, tag);
        const char c = *m_pos;
        if (c == '>') {
            ++m_pos;
            return true;
        }
        if (c == '<') {
            if (!tag->IsNode()) return Fail(ParseError::IncoherentType, tag);
            if (depth >= MetafileMaxDepth) return Fail(ParseError::NestingTooDeep, tag);
            zMetaTag* child = NewTag();
            tag->GetChildren().AppendUnlinked(child);
            if (!ParseTag(child, depth + 1)) return false;
        } else if (c == '#') {
            if (!ParseDirective(tag, depth)) return false;
        } else {
            if (!tag->IsNode()) return Fail(ParseError::IncoherentType, tag);
            if (!ParseValue(tag)) return false;
            // A value read leaves the tag's closing '>' next.
            ++m_pos;
            return true;
        }
    }
}

// After a value only '>' may follow; a child or a directive there is a second
// value for the tag.
bool Parser::CloseValue(zMetaTag* tag, ParseError trailing) {
    if (m_pos < m_end && *m_pos == '>') return true;
    if (m_pos < m_end && (*m_pos == '<' || *m_pos == '#')) return Fail(ParseError::IncoherentType, tag);
    return Fail(trailing, tag);
}

bool Parser::ParseValue(zMetaTag* tag) {
    const char c = *m_pos;
    if (c == '=') return ParseBinary(tag);
    if (IsDigit(c) || c == '.' || c == '-') return ParseNumber(tag);
    if (c == '"') return ParseString(tag);
    const size_t left = static_cast<size_t>(m_end - m_pos);
    const bool isTrue = left >= 4 && std::memcmp(m_pos, "True", 4) == 0;
    const bool isFalse = !isTrue && left >= 5 && std::memcmp(m_pos, "False", 5) == 0;
    if (isTrue || isFalse) {
        m_pos += isTrue ? 4 : 5;
        tag->GetValue().SetBool(isTrue);
        SkipBlanks();
        return CloseValue(tag, ParseError::TrailingValue);
    }
    char code[8];
    // The byte's code, 0 to 255, whatever the signedness of char.
    std::snprintf(code, sizeof(code), "%d", static_cast<int>(static_cast<u8>(c)));
    return Fail(ParseError::UnexpectedCharacter, tag, code);
}

bool Parser::ParseNumber(zMetaTag* tag) {
    const bool negative = *m_pos == '-';
    if (negative) ++m_pos;
    const char* begin = m_pos;
    // Digits with at most one '.' among them, the common case, read in one
    // pass; any other token is read again below.
    const char* c = begin;
    const char* const limit = m_end;
    u64 digits = 0;
    for (; c < limit && IsDigit(*c); ++c) digits = digits * 10 + static_cast<u64>(*c - '0');
    int count = static_cast<int>(c - begin);
    int decimals = -1;
    if (c < limit && *c == '.') {
        const char* fraction = ++c;
        for (; c < limit && IsDigit(*c); ++c) digits = digits * 10 + static_cast<u64>(*c - '0');
        decimals = static_cast<int>(c - fraction);
        count += decimals;
    }
    if (c == limit || IsDelimiter(*c)) {
        m_pos = c;
        f32 value = 0.0f;
        if (decimals < 0 && count > 0 && count <= 9) {
            // Below 10^9: no range to check.
            const u32 bits = static_cast<u32>(digits);
            tag->GetValue().SetInt(static_cast<i32>(negative ? 0u - bits : bits));
            return CloseValue(tag, ParseError::TrailingValue);
        }
        if (decimals >= 0 && PlainDecimalToFloat(digits, count, decimals, value)) {
            tag->GetValue().SetFloat(negative ? -value : value);
            return CloseValue(tag, ParseError::TrailingValue);
        }
    }
    // The word, noting on the way whether it is a float.
    m_pos = begin;
    bool isFloat = false;
    for (; m_pos < m_end && !IsDelimiter(*m_pos); ++m_pos) {
        if (*m_pos == '.' || *m_pos == 'f') isFloat = true;
    }
    const char* end = m_pos;
    if (isFloat) {
        tag->GetValue().SetFloat(ParseFloatToken(begin, end, negative));
    } else {
        bool outOfRange = false;
        tag->GetValue().SetInt(ParseIntToken(begin, end, negative, outOfRange));
        if (outOfRange) {
            GetLog() << "[*] In file '" << FileName() << "': Integer out of range, clamped, metatag '"
                     << tag->GetName() << "'.\n";
        }
    }
    return CloseValue(tag, ParseError::TrailingValue);
}

bool Parser::ParseString(zMetaTag* tag) {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool escaped = false;
    if (!ReadQuoted(begin, end, escaped)) return Fail(ParseError::MangledString, tag);
    if (escaped) {
        std::string text;
        AppendUnescaped(text, begin, end);
        // Up to the first 0 byte, as a C string would keep it.
        SetStringValue(tag, text.c_str(), text.c_str() + std::strlen(text.c_str()));
    } else {
        SetStringValue(tag, begin, end);
    }
    SkipBlanks();
    if (m_pos >= m_end) return Fail(ParseError::EofAfterString, tag);
    return CloseValue(tag, ParseError::TrailingString);
}

// Reads decimal digits; false when there are none. Saturates far above any
// size a text can hold.
bool ReadSize(const char*& pos, const char* end, u64& value) {
    const char* begin = pos;
    value = 0;
    for (; pos < end && IsDigit(*pos); ++pos) {
        if (value < (1ull << 40)) value = value * 10 + static_cast<u64>(*pos - '0');
    }
    return pos != begin;
}

bool Parser::ParseBinary(zMetaTag* tag) {
    ++m_pos;  // the second '='
    u64 encodedSize = 0;
    u64 rawSize = 0;
    if (!ReadSize(m_pos, m_end, encodedSize)) return Fail(ParseError::ExpectedEncodedSize, tag);
    if (m_pos >= m_end || *m_pos != ':') return Fail(ParseError::ExpectedSizeDelimiter, tag);
    ++m_pos;
    if (!ReadSize(m_pos, m_end, rawSize)) return Fail(ParseError::ExpectedBinarySize, tag);
    bool yEnc = false;
    if (m_pos < m_end && *m_pos == '@') {
        yEnc = true;
        ++m_pos;
    }
    if (m_pos >= m_end || *m_pos != '\n') return Fail(ParseError::ExpectedEol, tag);
    ++m_pos;

    if (encodedSize > static_cast<u64>(m_end - m_pos)) return Fail(ParseError::EncodedPastEnd, tag);
    const char* encoded = m_pos;
    const size_t encodedLength = static_cast<size_t>(encodedSize);
    m_pos += encodedLength;
    if (m_pos >= m_end || *m_pos != '>') return Fail(ParseError::ExpectedClosing, tag);

    const size_t bound = yEnc ? YEncDecodedBound(encodedLength) : AsciiDecodedBound(encodedLength);
    if (rawSize > bound || rawSize > 0xFFFFFFFFull) return Fail(ParseError::BinaryTooLarge, tag);
    const size_t rawLength = static_cast<size_t>(rawSize);
    if (rawLength == 0) {
        tag->GetValue().AdoptBinary(nullptr, 0);
        return true;
    }
    void* raw = AllocateBlock(rawLength);
    if (!raw) return Fail(ParseError::BinaryAllocation, tag);
    const size_t decoded = yEnc ? YEncDecode(encoded, encodedLength, raw, rawLength)
                                : AsciiDecode(encoded, encodedLength, raw, rawLength);
    if (decoded != rawLength) {
        std::free(raw);
        return Fail(ParseError::BinaryShort, tag);
    }
    tag->GetValue().AdoptBinary(raw, static_cast<u32>(rawLength));
    return true;
}

bool Parser::ParseDirective(zMetaTag* tag, u32 depth) {
    ++m_pos;  // '#'
    const char* begin = ReadWord();
    const size_t length = static_cast<size_t>(m_pos - begin);
    if (length == 7 && std::memcmp(begin, "include", 7) == 0) return ParseInclude(tag, depth);
    if (length == 6 && std::memcmp(begin, "append", 6) == 0) return ParseAppend(tag);
    return Fail(ParseError::UnknownDirective, tag);
}

bool Parser::ParseInclude(zMetaTag* tag, u32 depth) {
    if (!tag->IsNode()) return Fail(ParseError::IncoherentType, tag);
    SkipBlanks();
    if (m_pos >= m_end || *m_pos != '(') {
        GetLog() << "[!] Mangled #include directive in file '" << FileName() << "'.\n";
        return false;
    }
    ++m_pos;
    std::string name;
    bool named = false;
    for (;;) {
        SkipBlanks();
        const char* begin = nullptr;
        const char* end = nullptr;
        bool escaped = false;
        if (m_pos < m_end && *m_pos == ')') {
            ++m_pos;
            break;
        }
        if (m_pos >= m_end || *m_pos != '"' || !ReadQuoted(begin, end, escaped)) {
            GetLog() << "[!] Unexpected character in #include directive.\n";
            return false;
        }
        // Only the last name counts.
        name.clear();
        AppendUnescaped(name, begin, end);
        named = true;
    }
    if (named) IncludeFile(tag, name, depth);
    return true;
}

void Parser::IncludeFile(zMetaTag* tag, const std::string& name, u32 depth) {
    if (m_frame.includeDepth + 1 > MetafileMaxIncludeDepth) {
        GetLog() << "[!] Too many nested #include levels for '" << name.c_str() << "' in file '" << FileName()
                 << "'.\n";
        return;
    }
    for (const IncludeFrame* frame = &m_frame; frame; frame = frame->parent) {
        if (SameFile(frame->path, name.c_str())) {
            GetLog() << "[!] Recursive #include of '" << name.c_str() << "' refused in file '" << FileName()
                     << "'.\n";
            return;
        }
    }
    zMetafile included;
    if (!LoadChained(name.c_str(), included, &m_frame, depth)) {
        GetLog() << "[!] Failed to include external ZML file '" << name.c_str() << "' from file '" << FileName()
                 << "'.\n";
        return;
    }
    zLinkedListIterator iterator;
    while (zMetaTag* root = included.GetNextRoot(iterator)) {
        if (!included.DetachRoot(root)) {
            GetLog() << "[!] Could not relink root tag from included metafile in file '" << FileName() << "'.\n";
            continue;
        }
        tag->GetChildren().Add(root, true, true);
    }
}

bool Parser::ParseAppend(zMetaTag* tag) {
    if (!tag->IsNode()) return Fail(ParseError::IncoherentType, tag);
    SkipBlanks();
    if (m_pos >= m_end || *m_pos != '(') return Fail(ParseError::MangledDirective, tag);
    ++m_pos;
    std::string result;
    for (;;) {
        SkipBlanks();
        while (m_pos < m_end && *m_pos == ',') {
            ++m_pos;
            SkipBlanks();
        }
        if (m_pos >= m_end) return Fail(ParseError::MangledDirective, tag);
        const char c = *m_pos;
        if (c == ')') {
            ++m_pos;
            break;
        }
        if (c == '<') {
            const char* begin = ++m_pos;
            int parentheses = 0;
            while (m_pos < m_end && !(*m_pos == '>' && parentheses == 0)) {
                if (*m_pos == '(') ++parentheses;
                if (*m_pos == ')' && parentheses > 0) --parentheses;
                ++m_pos;
            }
            if (m_pos >= m_end) return Fail(ParseError::MangledTagInDirective, tag);
            const std::string path(begin, m_pos);
            ++m_pos;
            const zMetaTag* source = FindByPath(path.c_str());
            if (!source) return Fail(ParseError::ArgumentNotFound, tag, path.c_str());
            const char* text = nullptr;
            if (!source->GetValue().GetString(text)) return Fail(ParseError::AppendOnlyString, tag);
            result += text;
        } else if (c == '"') {
            const char* begin = nullptr;
            const char* end = nullptr;
            bool escaped = false;
            if (!ReadQuoted(begin, end, escaped)) return Fail(ParseError::MangledShortcut, tag);
            AppendUnescaped(result, begin, end);
        } else {
            return Fail(ParseError::UnexpectedDirectiveCharacter, tag);
        }
    }
    tag->GetValue().SetString(result.c_str());
    SkipBlanks();
    return CloseValue(tag, ParseError::TrailingString);
}

zMetaTag* Parser::FindFirst(const zLinkedListId& list, std::string_view name) {
    ListIndex& index = m_listIndexes[&list];
    zLinkedListEntry* entry = index.last ? index.last->GetNext() : list.GetHead();
    for (; entry; entry = entry->GetNext()) {
        zMetaTag* tag = static_cast<zMetaTag*>(entry);
        const zString& id = tag->GetName();
        // Names compare as zString does: the empty ones alike, others by their bytes.
        const std::string_view key = id.CStr() ? std::string_view(id.CStr(), id.GetLength()) : std::string_view();
        index.first.emplace(key, tag);
        index.last = entry;
    }
    const auto found = index.first.find(name);
    return found == index.first.end() ? nullptr : found->second;
}

const zMetaTag* Parser::FindByPath(const char* path) {
    if (!path || *path == '\0') return nullptr;
    const zLinkedListId* list = &m_doc.GetRoots();
    zMetaTag* found = nullptr;
    const char* cursor = path;
    for (;;) {
        while (*cursor == ':') ++cursor;
        if (*cursor == ';') return found;
        const char* nameBegin = cursor;
        while (*cursor != '\0' && *cursor != ':' && *cursor != ';') ++cursor;
        if (!list) return nullptr;
        found = FindFirst(*list, std::string_view(nameBegin, static_cast<size_t>(cursor - nameBegin)));
        if (!found) return nullptr;
        list = found->IsNode() ? &found->GetChildren() : nullptr;
        if (*cursor == '\0') return found;
    }
}

bool LoadChained(const char* path, zMetafile& doc, const IncludeFrame* parent, u32 tagDepth) {
    if (!path) {
        GetLog() << "[!] No filename specified.\n";
        return false;
    }
    void* buffer = nullptr;
    u32 size = 0;
    // An empty file gives no data, as a missing one.
    if (!FileSystemLoadFile(path, buffer, size) || size == 0) {
        std::free(buffer);
        GetLog() << "[*] Could not access file '" << path << "'.\n";
        return false;
    }
    doc.SetFileName(path);
    const IncludeFrame frame{path, parent, parent ? parent->includeDepth + 1 : 0, tagDepth};
    Parser parser(static_cast<const char*>(buffer), size, doc, frame);
    const bool parsed = parser.ParseDocument();
    std::free(buffer);
    if (!parsed) GetLog() << "[*] Failed to load metafile '" << path << "'.\n";
    return parsed;
}

}  // namespace

bool ParseMetafile(const char* data, size_t size, zMetafile& doc) {
    const IncludeFrame frame{doc.GetFileName().CStr(), nullptr, 0, 0};
    Parser parser(data ? data : "", data ? size : 0, doc, frame);
    return parser.ParseDocument();
}

bool LoadMetafileFromFile(const char* path, zMetafile& doc) {
    return LoadChained(path, doc, nullptr, 0);
}

zMetafile* NewMetafileFromFile(const char* path) {
    zMetafile* doc = new (std::nothrow) zMetafile();
    if (!doc) {
        GetLog() << "[!] Failed to allocate file.\n";
        return nullptr;
    }
    if (!LoadMetafileFromFile(path, *doc)) {
        delete doc;
        return nullptr;
    }
    return doc;
}
