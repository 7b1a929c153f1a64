#include "squirrel/stdlib/sqstdio.h"

#include <cstdio>
#include <string>

#include "squirrel/stdlib/registration.h"
#include "squirrel/stdlib/stream.h"

#define SQSTD_FILE_TYPE_TAG (SQSTD_STREAM_TYPE_TAG | 0x00000001)

extern "C" {

SQFILE sqstd_fopen(const SQChar* filename, const SQChar* mode) {
    return fopen(filename, mode);
}

SQInteger sqstd_fread(SQUserPointer buffer, SQInteger size, SQInteger count, SQFILE file) {
    if (size <= 0 || count <= 0) return 0;
    return (SQInteger)fread(buffer, (size_t)size, (size_t)count, (FILE*)file);
}

SQInteger sqstd_fwrite(const SQUserPointer buffer, SQInteger size, SQInteger count, SQFILE file) {
    if (size <= 0 || count <= 0) return 0;
    return (SQInteger)fwrite(buffer, (size_t)size, (size_t)count, (FILE*)file);
}

SQInteger sqstd_fseek(SQFILE file, SQInteger offset, SQInteger origin) {
    int whence;
    switch (origin) {
    case SQ_SEEK_CUR:
        whence = SEEK_CUR;
        break;
    case SQ_SEEK_END:
        whence = SEEK_END;
        break;
    case SQ_SEEK_SET:
        whence = SEEK_SET;
        break;
    default:
        return -1;
    }
    return fseek((FILE*)file, offset, whence);
}

SQInteger sqstd_ftell(SQFILE file) {
    return (SQInteger)ftell((FILE*)file);
}
SQInteger sqstd_fflush(SQFILE file) {
    return fflush((FILE*)file);
}
SQInteger sqstd_fclose(SQFILE file) {
    return fclose((FILE*)file);
}
SQInteger sqstd_feof(SQFILE file) {
    return feof((FILE*)file);
}

} // extern "C"

namespace {

// A C stream seen as an SQStream. C forbids a read right after a write (and the reverse) without
// a positioning call in between, so the stream inserts one when the direction changes.
class SQFile : public SQStream {
  public:
    SQFile(SQFILE handle, bool owns) : m_handle(handle), m_owns(owns) {}
    ~SQFile() override { Close(); }
    SQFile(const SQFile&) = delete;
    SQFile& operator=(const SQFile&) = delete;

    void Close() {
        if (m_handle != nullptr && m_owns) {
            sqstd_fclose(m_handle);
            m_handle = nullptr;
            m_owns = false;
        }
    }

    SQInteger Read(void* buffer, SQInteger size) override {
        SwitchTo(Direction::reading);
        return sqstd_fread(buffer, 1, size, m_handle);
    }
    SQInteger Write(void* buffer, SQInteger size) override {
        SwitchTo(Direction::writing);
        return sqstd_fwrite(buffer, 1, size, m_handle);
    }
    SQInteger Flush() override { return sqstd_fflush(m_handle); }
    SQInteger Tell() override { return sqstd_ftell(m_handle); }
    SQInteger Len() override {
        SQInteger previous = Tell();
        if (previous < 0 || Seek(0, SQ_SEEK_END) != 0) return -1;
        SQInteger size = Tell();
        Seek(previous, SQ_SEEK_SET);
        return size;
    }
    SQInteger Seek(SQInteger offset, SQInteger origin) override {
        m_last = Direction::none;
        return sqstd_fseek(m_handle, offset, origin);
    }
    bool IsValid() override { return m_handle != nullptr; }
    bool EOS() override { return Tell() == Len(); }
    SQFILE Handle() { return m_handle; }

  private:
    enum class Direction { none, reading, writing };

    void SwitchTo(Direction next) {
        if (m_last != Direction::none && m_last != next) fseek((FILE*)m_handle, 0, SEEK_CUR);
        m_last = next;
    }

    SQFILE m_handle;
    bool m_owns;
    Direction m_last = Direction::none;
};

SQInteger FileReleaseHook(SQUserPointer p, SQInteger /*size*/) {
    delete static_cast<SQFile*>(p);
    return 1;
}

SQInteger FileConstructor(HSQUIRRELVM v) {
    SQFILE handle = nullptr;
    bool owns = true;
    if (sq_gettype(v, 2) == OT_STRING && sq_gettype(v, 3) == OT_STRING) {
        const SQChar* filename = nullptr;
        const SQChar* mode = nullptr;
        sq_getstring(v, 2, &filename);
        sq_getstring(v, 3, &mode);
        handle = sqstd_fopen(filename, mode);
        if (handle == nullptr) return sq_throwerror(v, "cannot open file");
    } else if (sq_gettype(v, 2) == OT_USERPOINTER) {
        owns = sq_gettype(v, 3) != OT_NULL;
        sq_getuserpointer(v, 2, &handle);
    } else {
        return sq_throwerror(v, "wrong parameter");
    }
    SQFile* file = new SQFile(handle, owns);
    if (SQ_FAILED(sqstd::SetInstanceObject(v, (SQUserPointer)SQSTD_FILE_TYPE_TAG, file, FileReleaseHook))) {
        delete file;
        return SQ_ERROR;
    }
    return 0;
}

SQInteger FileClose(HSQUIRRELVM v) {
    SQUserPointer up = nullptr;
    if (SQ_SUCCEEDED(sq_getinstanceup(v, 1, &up, (SQUserPointer)SQSTD_FILE_TYPE_TAG)) && up != nullptr)
        static_cast<SQFile*>(up)->Close();
    return 0;
}

SQInteger FileTypeof(HSQUIRRELVM v) {
    sq_pushstring(v, "file", -1);
    return 1;
}

const SQRegFunction kFileMethods[] = {
    {"constructor", FileConstructor, 3, "x"},
    {"_typeof", FileTypeof, 1, "x"},
    {"close", FileClose, 1, "x"},
    {nullptr, nullptr, 0, nullptr},
};

SQInteger GlobalLoadfile(HSQUIRRELVM v) {
    const SQChar* filename = nullptr;
    SQBool printerror = SQFalse;
    sq_getstring(v, 2, &filename);
    if (sq_gettop(v) >= 3) sq_getbool(v, 3, &printerror);
    if (SQ_SUCCEEDED(sqstd_loadfile(v, filename, printerror))) return 1;
    return SQ_ERROR;
}

SQInteger GlobalWriteclosuretofile(HSQUIRRELVM v) {
    const SQChar* filename = nullptr;
    sq_getstring(v, 2, &filename);
    if (SQ_SUCCEEDED(sqstd_writeclosuretofile(v, filename))) return 1;
    return SQ_ERROR;
}

SQInteger GlobalDofile(HSQUIRRELVM v) {
    const SQChar* filename = nullptr;
    SQBool printerror = SQFalse;
    sq_getstring(v, 2, &filename);
    if (sq_gettop(v) >= 3) sq_getbool(v, 3, &printerror);
    sq_push(v, 1);
    if (SQ_SUCCEEDED(sqstd_dofile(v, filename, SQTrue, printerror))) return 1;
    return SQ_ERROR;
}

const SQRegFunction kIoGlobals[] = {
    {"loadfile", GlobalLoadfile, -2, ".sb"},
    {"dofile", GlobalDofile, -2, ".sb"},
    {"writeclosuretofile", GlobalWriteclosuretofile, 3, ".sc"},
    {nullptr, nullptr, 0, nullptr},
};

SQInteger ReadFromFile(SQUserPointer file, SQUserPointer buffer, SQInteger size) {
    SQInteger got = sqstd_fread(buffer, 1, size, file);
    return got != 0 ? got : -1;
}

SQInteger WriteToFile(SQUserPointer file, SQUserPointer buffer, SQInteger size) {
    return sqstd_fwrite(buffer, 1, size, file);
}

void AppendUtf8(std::string& out, unsigned int codepoint) {
    if (codepoint < 0x80) {
        out += (char)codepoint;
    } else if (codepoint < 0x800) {
        out += (char)(0xC0 | (codepoint >> 6));
        out += (char)(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        out += (char)(0xE0 | (codepoint >> 12));
        out += (char)(0x80 | ((codepoint >> 6) & 0x3F));
        out += (char)(0x80 | (codepoint & 0x3F));
    } else {
        out += (char)(0xF0 | (codepoint >> 18));
        out += (char)(0x80 | ((codepoint >> 12) & 0x3F));
        out += (char)(0x80 | ((codepoint >> 6) & 0x3F));
        out += (char)(0x80 | (codepoint & 0x3F));
    }
}

// The compiler reads chars, so UTF-16 text becomes UTF-8; a lone surrogate becomes U+FFFD and
// an odd trailing byte is dropped.
std::string Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian) {
    std::string out;
    size_t count = (bytes.size() - start) / 2;
    auto unit = [&](size_t i) -> unsigned int {
        unsigned char a = (unsigned char)bytes[start + 2 * i];
        unsigned char b = (unsigned char)bytes[start + 2 * i + 1];
        return bigEndian ? (unsigned int)(a << 8 | b) : (unsigned int)(b << 8 | a);
    };
    for (size_t i = 0; i < count; ++i) {
        unsigned int u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < count) {
            unsigned int low = unit(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

bool ReadWholeFile(SQFILE file, std::string* bytes) {
    char buffer[65536];
    for (;;) {
        size_t got = fread(buffer, 1, sizeof(buffer), (FILE*)file);
        bytes->append(buffer, got);
        if (got < sizeof(buffer)) return ferror((FILE*)file) == 0;
    }
}

} // namespace

extern "C" {

SQRESULT sqstd_createfile(HSQUIRRELVM v, SQFILE file, SQBool own) {
    SQInteger top = sq_gettop(v);
    sq_pushregistrytable(v);
    sq_pushstring(v, "std_file", -1);
    if (SQ_SUCCEEDED(sq_get(v, -2))) {
        sq_remove(v, -2);
        sq_pushroottable(v);
        sq_pushuserpointer(v, file);
        if (own)
            sq_pushinteger(v, 1);
        else
            sq_pushnull(v);
        if (SQ_SUCCEEDED(sq_call(v, 3, SQTrue, SQFalse))) {
            sq_remove(v, -2);
            return SQ_OK;
        }
    }
    sq_settop(v, top);
    return SQ_ERROR;
}

SQRESULT sqstd_getfile(HSQUIRRELVM v, SQInteger idx, SQFILE* file) {
    SQUserPointer up = nullptr;
    if (SQ_SUCCEEDED(sq_getinstanceup(v, idx, &up, (SQUserPointer)SQSTD_FILE_TYPE_TAG)) && up != nullptr) {
        *file = static_cast<SQFile*>(up)->Handle();
        return SQ_OK;
    }
    return sq_throwerror(v, "not a file");
}

SQRESULT sqstd_loadfile(HSQUIRRELVM v, const SQChar* filename, SQBool printerror) try {
    SQFILE file = sqstd_fopen(filename, "rb");
    if (file == nullptr) return sq_throwerror(v, "cannot open the file");
    unsigned char head[2] = {0, 0};
    SQInteger headSize = sqstd_fread(head, 1, 2, file);
    if (headSize == 2 && (head[0] | head[1] << 8) == SQ_BYTECODE_STREAM_TAG) {
        sqstd_fseek(file, 0, SQ_SEEK_SET);
        SQRESULT result = sq_readclosure(v, ReadFromFile, file);
        sqstd_fclose(file);
        return result;
    }
    sqstd_fseek(file, 0, SQ_SEEK_SET);
    std::string bytes;
    bool readOk = ReadWholeFile(file, &bytes);
    sqstd_fclose(file);
    if (!readOk) return sq_throwerror(v, "io error");

    std::string text;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        text = Utf16ToUtf8(bytes, 2, false);
    } else if (bytes.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        text = Utf16ToUtf8(bytes, 2, true);
    } else if (bytes.size() >= 2 && b[0] == 0xEF && b[1] == 0xBB) {
        if (bytes.size() < 3) return sq_throwerror(v, "io error");
        if (b[2] != 0xBF) return sq_throwerror(v, "Unrecognized encoding");
        text = bytes.substr(3);
    } else {
        text = bytes;
    }
    return sq_compilebuffer(v, text.c_str(), (SQInteger)text.size(), filename, printerror);
} SQSTD_CATCH(v, SQ_ERROR)

SQRESULT sqstd_dofile(HSQUIRRELVM v, const SQChar* filename, SQBool retval, SQBool printerror) {
    if (SQ_FAILED(sqstd_loadfile(v, filename, printerror))) return SQ_ERROR;
    sq_push(v, -2);
    if (SQ_SUCCEEDED(sq_call(v, 1, retval, SQTrue))) {
        sq_remove(v, retval ? -2 : -1);
        return 1;
    }
    sq_pop(v, 1);
    return SQ_ERROR;
}

SQRESULT sqstd_writeclosuretofile(HSQUIRRELVM v, const SQChar* filename) {
    SQFILE file = sqstd_fopen(filename, "wb+");
    if (file == nullptr) return sq_throwerror(v, "cannot open the file");
    SQRESULT result = sq_writeclosure(v, WriteToFile, file);
    if (sqstd_fclose(file) != 0 && SQ_SUCCEEDED(result)) return sq_throwerror(v, "io error");
    return SQ_SUCCEEDED(result) ? SQ_OK : SQ_ERROR;
}

SQRESULT sqstd_register_iolib(HSQUIRRELVM v) {
    SQInteger top = sq_gettop(v);
    if (SQ_FAILED(sqstd::DeclareStream(v, "file", (SQUserPointer)SQSTD_FILE_TYPE_TAG, "std_file",
                                       kFileMethods, kIoGlobals)))
        return SQ_ERROR;
    const struct {
        const SQChar* name;
        FILE* handle;
    } standardFiles[] = {{"stdout", stdout}, {"stdin", stdin}, {"stderr", stderr}};
    for (const auto& standard : standardFiles) {
        sq_pushstring(v, standard.name, -1);
        if (SQ_FAILED(sqstd_createfile(v, standard.handle, SQFalse))) {
            sq_settop(v, top);
            return SQ_ERROR;
        }
        sq_newslot(v, -3, SQFalse);
    }
    sq_settop(v, top);
    return SQ_OK;
}

} // extern "C"
