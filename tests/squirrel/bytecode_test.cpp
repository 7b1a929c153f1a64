// Compiled closures written with sq_writeclosure and read back with sq_readclosure run exactly
// as the freshly compiled ones; damaged streams fail cleanly.
#include <gtest/gtest.h>

#include "squirrel/squirrel.h"
#include "squirrel/sqopcodes.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string g_out;

void Print(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[4096];
    va_list vl;
    va_start(vl, fmt);
    vsnprintf(buf, sizeof(buf), fmt, vl);
    va_end(vl);
    g_out += buf;
}

struct Buffer {
    std::vector<unsigned char> bytes;
    size_t readPos = 0;
    SQInteger failAfter = -1;  // write failure after this many bytes
};

SQInteger WriteBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    Buffer *b = (Buffer *)up;
    if (b->failAfter >= 0 && (SQInteger)b->bytes.size() + size > b->failAfter) return -1;
    b->bytes.insert(b->bytes.end(), (unsigned char *)data, (unsigned char *)data + size);
    return size;
}

SQInteger ReadBytes(SQUserPointer up, SQUserPointer data, SQInteger size) {
    Buffer *b = (Buffer *)up;
    if (b->readPos + (size_t)size > b->bytes.size()) return -1;
    std::memcpy(data, b->bytes.data() + b->readPos, (size_t)size);
    b->readPos += (size_t)size;
    return size;
}

std::string ReadFile(const std::string &path, bool *found = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (found) *found = (bool)in;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string LastError(HSQUIRRELVM v) {
    sq_getlasterror(v);
    const SQChar *s = nullptr;
    std::string text = SQ_SUCCEEDED(sq_getstring(v, -1, &s)) ? s : "<none>";
    sq_pop(v, 1);
    return text;
}

// Compiles source, writes it to a buffer; the VM's stack is left as it was.
Buffer Compile(HSQUIRRELVM v, const std::string &source, const char *name) {
    Buffer buf;
    EXPECT_EQ(sq_compilebuffer(v, source.c_str(), (SQInteger)source.size(), name, SQTrue), SQ_OK) << name;
    EXPECT_EQ(sq_writeclosure(v, WriteBytes, &buf), SQ_OK);
    sq_pop(v, 1);
    return buf;
}

TEST(Bytecode, EveryFixtureRunsTheSameAfterARoundTrip) {
    std::vector<std::string> names;
    if (DIR *dir = opendir(SQ_SCRIPTS)) {
        while (dirent *e = readdir(dir)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".nut") == 0) names.push_back(n.substr(0, n.size() - 4));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    ASSERT_FALSE(names.empty());
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        const std::string base = std::string(SQ_SCRIPTS) + "/" + name;
        bool hasCode = false;
        ReadFile(base + ".code", &hasCode);
        if (hasCode) continue;  // failing scripts are the runner's business
        HSQUIRRELVM v = sq_open(1024);
        sq_setprintfunc(v, Print, Print);
        std::string file = name + ".nut";
        Buffer buf = Compile(v, ReadFile(base + ".nut"), file.c_str());
        ASSERT_EQ(sq_readclosure(v, ReadBytes, &buf), SQ_OK) << LastError(v);
        EXPECT_EQ(buf.readPos, buf.bytes.size());
        g_out.clear();
        sq_pushroottable(v);
        sq_call(v, 1, SQFalse, SQFalse);
        EXPECT_EQ(g_out, ReadFile(base + ".out"));
        sq_close(v);
    }
}

TEST(Bytecode, StreamIsVersionedLittleEndianAndKeepsDebugRecords) {
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, Print, Print);
    Buffer buf = Compile(v, "function f(a, b = 3) { local c = a * b; return c; }\nreturn f(2) + 0.5;", "unit.nut");
    ASSERT_GE(buf.bytes.size(), 18u);
    EXPECT_EQ(buf.bytes[0], 0xFA);  // the compiled-file tag
    EXPECT_EQ(buf.bytes[1], 0xFA);
    EXPECT_EQ(std::string(buf.bytes.begin() + 2, buf.bytes.begin() + 6), "SQZB");
    EXPECT_EQ(buf.bytes[6], 1);  // version 1, little-endian
    EXPECT_EQ(buf.bytes[7] | buf.bytes[8] | buf.bytes[9], 0);
    EXPECT_EQ(buf.bytes[10], 4);  // SQInteger
    EXPECT_EQ(buf.bytes[11], 4);  // SQFloat
    EXPECT_EQ(buf.bytes[12], 1);  // SQChar
    EXPECT_EQ(std::string(buf.bytes.end() - 4, buf.bytes.end()), "TAIL");
    ASSERT_EQ(sq_readclosure(v, ReadBytes, &buf), SQ_OK);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
    SQFloat f = 0;
    sq_getfloat(v, -1, &f);
    EXPECT_EQ(f, 6.5f);
    sq_pop(v, 2);
    // Names and source survive: a failing read closure reports them.
    Buffer again = Compile(v, "function named() { return getstackinfos(1).func + \"@\" + getstackinfos(1).src; }\nreturn named();", "src.nut");
    ASSERT_EQ(sq_readclosure(v, ReadBytes, &again), SQ_OK);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
    const SQChar *s = nullptr;
    sq_getstring(v, -1, &s);
    EXPECT_STREQ(s, "named@src.nut");
    sq_close(v);
}

TEST(Bytecode, DamagedStreamsFailWithoutPushing) {
    HSQUIRRELVM v = sq_open(1024);
    Buffer good = Compile(v, "local t = [1, 2, 3]; local s = 0; foreach (x in t) s += x; return s;", "d.nut");
    // Every truncation fails.
    for (size_t len = 0; len < good.bytes.size(); len++) {
        Buffer cut;
        cut.bytes.assign(good.bytes.begin(), good.bytes.begin() + (long)len);
        EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &cut))) << len;
        EXPECT_EQ(sq_gettop(v), 0);
    }
    // Flipping any single byte either fails or yields a closure (not run: a changed jump may loop forever).
    for (size_t i = 0; i < good.bytes.size(); i++) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            Buffer bad = good;
            bad.bytes[i] ^= flip;
            if (SQ_SUCCEEDED(sq_readclosure(v, ReadBytes, &bad))) sq_pop(v, 1);
            EXPECT_EQ(sq_gettop(v), 0) << i;
        }
    }
    Buffer wrongTag = good;
    wrongTag.bytes[1] = 0xFB;
    EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &wrongTag)));
    EXPECT_EQ(LastError(v), "invalid bytecode stream: bad tag");
    Buffer wrongMagic = good;
    wrongMagic.bytes[2] = 'X';
    EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &wrongMagic)));
    EXPECT_EQ(LastError(v), "invalid bytecode stream: bad magic");
    Buffer wrongVersion = good;
    wrongVersion.bytes[6] = 2;
    EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &wrongVersion)));
    EXPECT_EQ(LastError(v), "invalid bytecode stream: unsupported version");
    sq_close(v);
}

TEST(Bytecode, WriteRefusesNonClosuresAndReportsWriteFailure) {
    HSQUIRRELVM v = sq_open(1024);
    Buffer buf;
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, WriteBytes, &buf)));
    EXPECT_EQ(LastError(v), "the object is not a closure");
    sq_pop(v, 1);
    const char *src = "return 1;";
    ASSERT_EQ(sq_compilebuffer(v, src, (SQInteger)strlen(src), "w", SQTrue), SQ_OK);
    Buffer failing;
    failing.failAfter = 10;
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, WriteBytes, &failing)));
    EXPECT_EQ(LastError(v), "io error, write function failure");
    EXPECT_EQ(sq_gettop(v), 1);
    sq_close(v);
}

TEST(Bytecode, FusedCodeIsWrittenAsWrittenByTheCompiler) {
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, Print, Print);
    const char *src =
        "function f(n) { local s = 0; for (local i = 0; i < n; i++) s += i - 1; return s > 3 ? s + 1 : 0; }\n"
        "return f(10);";
    Buffer first = Compile(v, src, "fused.nut");
    ASSERT_EQ(sq_readclosure(v, ReadBytes, &first), SQ_OK);
    Buffer second;
    ASSERT_EQ(sq_writeclosure(v, WriteBytes, &second), SQ_OK);
    EXPECT_EQ(first.bytes, second.bytes);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
    SQInteger n = 0;
    sq_getinteger(v, -1, &n);
    EXPECT_EQ(n, 36);
    sq_close(v);
}

TEST(Bytecode, StreamWithAFusedOpcodeIsRefused) {
    HSQUIRRELVM v = sq_open(1024);
    Buffer buf = Compile(v, "return;", "r.nut");
    // The function's last instruction: RETURN with no value.
    const unsigned char ret[] = {OP_RETURN, SQ_NO_TARGET, 0, 0, 0, 0};
    auto at = std::find_end(buf.bytes.begin(), buf.bytes.end(), std::begin(ret), std::end(ret));
    ASSERT_NE(at, buf.bytes.end());
    for (unsigned op : {(unsigned)OP_MOVERET, (unsigned)OP_ADDI, (unsigned)OP_COUNT}) {
        Buffer bad = buf;
        bad.bytes[(size_t)(at - buf.bytes.begin())] = (unsigned char)op;
        EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &bad))) << op;
        EXPECT_EQ(LastError(v), "invalid bytecode stream: unknown opcode");
        EXPECT_EQ(sq_gettop(v), 0);
    }
    sq_close(v);
}

}  // namespace
