// Compiled closures written with sq_writeclosure and read back with sq_readclosure run exactly
// as the freshly compiled ones; damaged streams fail cleanly.
#include <gtest/gtest.h>

#include "squirrel/squirrel.h"
#include "tests/support/squirrel_error.h"
#include "tests/support/squirrel_stream.h"
#include "tests/support/files.h"
#include "tests/support/script_fixtures.h"
#include "squirrel/sqmem.h"
#include "squirrel/sqopcodes.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
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

using Buffer = SquirrelByteStream;

// Compiles source, writes it to a buffer; the VM's stack is left as it was.
Buffer Compile(HSQUIRRELVM v, const std::string &source, const char *name) {
    Buffer buf;
    EXPECT_EQ(sq_compilebuffer(v, source.c_str(), (SQInteger)source.size(), name, SQTrue), SQ_OK) << name;
    EXPECT_EQ(sq_writeclosure(v, WriteBytes, &buf), SQ_OK);
    sq_pop(v, 1);
    return buf;
}

TEST(Bytecode, EveryFixtureRunsTheSameAfterARoundTrip) {
    std::vector<std::string> names = ScriptNames(SQ_SCRIPTS);
    ASSERT_FALSE(names.empty());
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        if (IsPendingScript(name)) continue;
        const std::string source = ReadWholeFile(std::string(SQ_SCRIPTS) + "/" + name + ".nut");
        ScriptExpectation expectation = ParseScriptExpectation(source);
        if (expectation.exitCode != 0) continue;  // failing scripts are the runner's business
        HSQUIRRELVM v = sq_open(1024);
        sq_setprintfunc(v, Print, Print);
        std::string file = name.substr(name.find_last_of('/') + 1) + ".nut";
        Buffer buf = Compile(v, source, file.c_str());
        ASSERT_EQ(sq_readclosure(v, ReadBytes, &buf), SQ_OK) << SquirrelLastError(v);
        EXPECT_EQ(buf.readPos, buf.bytes.size());
        Buffer again;
        ASSERT_EQ(sq_writeclosure(v, WriteBytes, &again), SQ_OK);
        EXPECT_EQ(again.bytes, buf.bytes);  // reading changes nothing the compiler wrote
        g_out.clear();
        sq_pushroottable(v);
        sq_call(v, 1, SQFalse, SQFalse);
        EXPECT_EQ(CompareLines(expectation.output, g_out, "output"), "");
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
    EXPECT_EQ(SquirrelLastError(v), "invalid bytecode stream: bad tag");
    Buffer wrongMagic = good;
    wrongMagic.bytes[2] = 'X';
    EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &wrongMagic)));
    EXPECT_EQ(SquirrelLastError(v), "invalid bytecode stream: bad magic");
    Buffer wrongVersion = good;
    wrongVersion.bytes[6] = 2;
    EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &wrongVersion)));
    EXPECT_EQ(SquirrelLastError(v), "invalid bytecode stream: unsupported version");
    sq_close(v);
}

TEST(Bytecode, WriteRefusesNonClosuresAndReportsWriteFailure) {
    HSQUIRRELVM v = sq_open(1024);
    Buffer buf;
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, WriteBytes, &buf)));
    EXPECT_EQ(SquirrelLastError(v), "the object is not a closure");
    sq_pop(v, 1);
    const char *src = "return 1;";
    ASSERT_EQ(sq_compilebuffer(v, src, (SQInteger)strlen(src), "w", SQTrue), SQ_OK);
    Buffer failing;
    failing.failAfter = 10;
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, WriteBytes, &failing)));
    EXPECT_EQ(SquirrelLastError(v), "io error, write function failure");
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

// A lambda is an ordinary function proto: written on its own it reads back as the same
// anonymous function with its source name, nested lambdas included.
TEST(Bytecode, LambdaWrittenAloneRunsTheSameAfterARoundTrip) {
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, Print, Print);
    const char *makers[] = {
        "return @(a, b) a * b + 0;",
        "return @(a, ...) vargv.len() > 0 ? a * vargv[0] : a * 6;",
        "return @(a, b) (@(x) x * b)(a);",
    };
    for (const char *maker : makers) {
        SCOPED_TRACE(maker);
        sq_settop(v, 0);
        ASSERT_EQ(sq_compilebuffer(v, maker, (SQInteger)strlen(maker), "lambda.nut", SQTrue), SQ_OK);
        sq_pushroottable(v);
        ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
        ASSERT_EQ(sq_gettype(v, -1), OT_CLOSURE);
        Buffer first;
        ASSERT_EQ(sq_writeclosure(v, WriteBytes, &first), SQ_OK) << SquirrelLastError(v);
        ASSERT_EQ(sq_readclosure(v, ReadBytes, &first), SQ_OK) << SquirrelLastError(v);
        EXPECT_EQ(first.readPos, first.bytes.size());
        Buffer second;
        ASSERT_EQ(sq_writeclosure(v, WriteBytes, &second), SQ_OK);
        EXPECT_EQ(first.bytes, second.bytes);
        sq_pushroottable(v);
        sq_pushstring(v, "lam", -1);
        sq_push(v, -3);
        ASSERT_EQ(sq_newslot(v, -3, SQFalse), SQ_OK);
        sq_settop(v, 0);
        const char *check = "return lam.getinfos().name == null && lam(2, 3) == 6 && lam.getinfos().src == \"lambda.nut\";";
        ASSERT_EQ(sq_compilebuffer(v, check, (SQInteger)strlen(check), "check.nut", SQTrue), SQ_OK);
        sq_pushroottable(v);
        ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK) << SquirrelLastError(v);
        SQBool ok = SQFalse;
        sq_getbool(v, -1, &ok);
        EXPECT_TRUE(ok);
    }
    // A lambda bound to an outer local cannot be written on its own, as any such closure.
    sq_settop(v, 0);
    const char *bound = "local k = 2; return @(a) a * k;";
    ASSERT_EQ(sq_compilebuffer(v, bound, (SQInteger)strlen(bound), "bound.nut", SQTrue), SQ_OK);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
    Buffer refused;
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, WriteBytes, &refused)));
    EXPECT_EQ(SquirrelLastError(v), "a closure with free variables bound cannot be serialized");
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
        EXPECT_EQ(SquirrelLastError(v), "invalid bytecode stream: unknown opcode");
        EXPECT_EQ(sq_gettop(v), 0);
    }
    sq_close(v);
}

// Byte operands that are flags, operators, steps or counts are not registers: reading the code
// keeps the frame the compiler gave it, so the stream writes back the same.
TEST(Bytecode, OperandsThatAreNotRegistersKeepTheFrame) {
    const char *scripts[] = {
        "local i = 5; i--; return i;",                                // INCL step -1 (0xFF)
        "local t = {n = 1}; t.n -= 2; t.n *= 3; return t.n--;",      // COMPARITH operator, PINC step
        "function f(a) { return a; } return f(1);",                   // RETURN value flag and frame size
        "function g() { return this; } return g();",
        "local a = 1, b = 2; return (a < b) && (a ^ b) != 7;",        // CMP and BITW operators, EQ flag
        "function h(a, b, c, d, e) { return e; } return h(1, 2, 3, 4, 5);",  // CALL argument count
        "function gen() { yield 1; yield; } foreach (x in gen()) {} return 0;",
    };
    HSQUIRRELVM v = sq_open(1024);
    for (const char *src : scripts) {
        SCOPED_TRACE(src);
        Buffer first = Compile(v, src, "ops.nut");
        ASSERT_EQ(sq_readclosure(v, ReadBytes, &first), SQ_OK) << SquirrelLastError(v);
        Buffer second;
        ASSERT_EQ(sq_writeclosure(v, WriteBytes, &second), SQ_OK);
        EXPECT_EQ(second.bytes, first.bytes);
        sq_pop(v, 1);
    }
    sq_close(v);
}

// Streams built by hand, for what the compiler never writes.
struct HandProto {
    std::vector<SQInstruction> code;
    int stackSize = 1;
    int params = 1;                                // "this", then p1, p2...
    std::vector<std::pair<unsigned, int>> outers;  // kind (0 local, 1 outer), source
    std::vector<int> defaults;                     // registers of the enclosing function
    std::vector<int> locals;                       // positions of named locals
    std::vector<HandProto> functions;
};

void PutU32(std::vector<unsigned char> &out, unsigned x) {
    for (int i = 0; i < 4; i++) out.push_back((unsigned char)(x >> (8 * i)));
}

void PutName(std::vector<unsigned char> &out, const std::string &name) {
    out.push_back(4);
    PutU32(out, (unsigned)name.size());
    out.insert(out.end(), name.begin(), name.end());
}

void PutProto(std::vector<unsigned char> &out, const HandProto &p) {
    out.push_back(0);  // source name: null
    out.push_back(0);  // name: null
    PutU32(out, 0);    // literals
    PutU32(out, (unsigned)p.params);
    for (int i = 0; i < p.params; i++) PutName(out, i == 0 ? "this" : "p" + std::to_string(i));
    PutU32(out, (unsigned)p.outers.size());
    for (const auto &o : p.outers) {
        out.push_back((unsigned char)o.first);
        PutU32(out, (unsigned)o.second);
        PutName(out, "o");
    }
    PutU32(out, (unsigned)p.locals.size());
    for (int pos : p.locals) {
        PutName(out, "l");
        PutU32(out, (unsigned)pos);
        PutU32(out, 0);
        PutU32(out, (unsigned)p.code.size());
    }
    PutU32(out, 0);  // line records
    PutU32(out, (unsigned)p.defaults.size());
    for (int d : p.defaults) PutU32(out, (unsigned)d);
    PutU32(out, (unsigned)p.code.size());
    for (const SQInstruction &i : p.code) {
        out.push_back(i.op);
        out.push_back(i._arg0);
        PutU32(out, (unsigned)i._arg1);
        out.push_back(i._arg2);
        out.push_back(i._arg3);
    }
    PutU32(out, (unsigned)p.functions.size());
    for (const HandProto &f : p.functions) PutProto(out, f);
    PutU32(out, (unsigned)p.stackSize);
    out.push_back(0);  // flags
}

Buffer HandStream(const HandProto &main) {
    Buffer b;
    b.bytes = {0xFA, 0xFA, 'S', 'Q', 'Z', 'B'};
    PutU32(b.bytes, 1);
    b.bytes.insert(b.bytes.end(), {4, 4, 1});
    PutProto(b.bytes, main);
    b.bytes.insert(b.bytes.end(), {'T', 'A', 'I', 'L'});
    return b;
}

// The main function's stack size is written last, before its flags and the tail.
int MainStackSize(const Buffer &b) {
    size_t at = b.bytes.size() - 9;
    return b.bytes[at] | b.bytes[at + 1] << 8 | b.bytes[at + 2] << 16 | b.bytes[at + 3] << 24;
}

SQInstruction I(SQOpcode op, SQInteger a0 = 0, SQInteger a1 = 0, SQInteger a2 = 0, SQInteger a3 = 0) {
    return SQInstruction(op, a0, a1, a2, a3);
}

const SQInstruction kReturnNothing = I(OP_RETURN, SQ_NO_TARGET);

struct HandCase {
    const char *what;
    HandProto main;
    int frame;          // the main function's stack size after reading; 0: the read fails
    const char *error;  // the reader's message when it fails
};

HandProto Main(std::vector<SQInstruction> code) {
    HandProto p;
    p.code = std::move(code);
    return p;
}

std::vector<HandCase> HandCases() {
    std::vector<HandCase> cases;
    cases.push_back({"0xFF names register 255 where the VM always writes the target",
                     Main({I(OP_LOADINT, 0xFF, 7), kReturnNothing}), 256, nullptr});
    cases.push_back({"0xFF names register 255 where the VM always reads the operand",
                     Main({I(OP_GET, 0, 0, 0xFF), kReturnNothing}), 256, nullptr});
    cases.push_back({"0xFF is no target where the VM tests for it",
                     Main({I(OP_SET, SQ_NO_TARGET, 0, 0, 0), kReturnNothing}), 1, nullptr});
    cases.push_back({"a step of -1 is not a register", Main({I(OP_INCL, 0, 0, 0, 0xFF), kReturnNothing}), 1,
                     nullptr});
    cases.push_back({"a return's flag and frame size are not registers", Main({I(OP_RETURN, 1, 0, 200)}), 1,
                     nullptr});
    cases.push_back({"a return with no value reads no register",
                     Main({I(OP_RETURN, SQ_NO_TARGET, 0x7FFFFFFF)}), 1, nullptr});
    {
        HandProto p = Main({kReturnNothing});
        p.params = 5;
        cases.push_back({"parameters lie in the frame", p, 5, nullptr});
        p.params = 300;
        cases.push_back({"more parameters than registers", p, 0, "too many parameters"});
    }
    {
        HandProto p = Main({kReturnNothing});
        p.locals = {9};
        cases.push_back({"named locals lie in the frame", p, 10, nullptr});
    }
    {
        HandProto inner = Main({kReturnNothing});
        inner.params = 2;
        inner.defaults = {7};
        inner.outers = {{0, 12}};
        HandProto p = Main({I(OP_CLOSURE, 0, 0), kReturnNothing});
        p.functions = {inner};
        cases.push_back({"a closure's defaults and captured locals lie in the enclosing frame", p, 13, nullptr});
        p.functions[0].outers = {{1, 0}};
        cases.push_back({"a closure sharing an outer the enclosing function lacks", p, 0, "outer out of range"});
    }
    {
        HandProto p = Main({kReturnNothing});
        p.outers = {{0, 0}};
        cases.push_back({"outer variables in the main function", p, 0, "outer variables in the main function"});
    }
    cases.push_back({"a comparison the VM does not know", Main({I(OP_CMP, 0, 0, 0, CMP_3W + 1), kReturnNothing}),
                     0, "unknown comparison"});
    cases.push_back({"a jump past the last instruction", Main({I(OP_JMP, 0, 1), kReturnNothing}), 0,
                     "jump out of range"});
    cases.push_back({"a jump to the last instruction", Main({I(OP_JMP, 0, 0), kReturnNothing}), 1, nullptr});
    return cases;
}

class HandStreams : public testing::TestWithParam<HandCase> {};

TEST_P(HandStreams, ReadWithTheFrameTheCodeNeedsOrFail) {
    const HandCase &c = GetParam();
    HSQUIRRELVM v = sq_open(1024);
    Buffer in = HandStream(c.main);
    if (c.frame == 0) {
        EXPECT_TRUE(SQ_FAILED(sq_readclosure(v, ReadBytes, &in))) << c.what;
        EXPECT_EQ(SquirrelLastError(v), std::string("invalid bytecode stream: ") + c.error) << c.what;
        EXPECT_EQ(sq_gettop(v), 0);
    } else {
        ASSERT_EQ(sq_readclosure(v, ReadBytes, &in), SQ_OK) << c.what << ": " << SquirrelLastError(v);
        Buffer out;
        ASSERT_EQ(sq_writeclosure(v, WriteBytes, &out), SQ_OK) << c.what;
        EXPECT_EQ(MainStackSize(out), c.frame) << c.what;
    }
    sq_close(v);
}

INSTANTIATE_TEST_SUITE_P(Bytecode, HandStreams, testing::ValuesIn(HandCases()));

// A list or string claiming far more items than the stream holds fails at the stream's end
// without first allocating room for them all.
TEST(Bytecode, HugeCountsFailWithoutAllocatingForThem) {
    const unsigned kClaimed = 0xFFFFFF;  // under the reader's limit on any count
    std::vector<Buffer> streams;
    Buffer header = HandStream(Main({kReturnNothing}));
    header.bytes.resize(13);  // tag, magic, version and number sizes
    for (int list = 0; list < 8; list++) {  // literals, parameters, ... nested functions
        Buffer b = header;
        b.bytes.insert(b.bytes.end(), {0, 0});  // no source name, no name
        for (int before = 0; before < list; before++) PutU32(b.bytes, 0);
        PutU32(b.bytes, kClaimed);
        streams.push_back(b);
    }
    Buffer name = header;
    name.bytes.push_back(4);  // a source name of kClaimed bytes
    PutU32(name.bytes, kClaimed);
    name.bytes.insert(name.bytes.end(), 100, 'x');
    streams.push_back(name);
    HSQUIRRELVM v = sq_open(1024);
    for (size_t i = 0; i < streams.size(); i++) {
        sq_vm_resetlargestallocation();
        SQRESULT read = sq_readclosure(v, ReadBytes, &streams[i]);
        const size_t largestAllocation = sq_vm_largestallocation();
        EXPECT_TRUE(SQ_FAILED(read)) << i;
        EXPECT_EQ(SquirrelLastError(v), "invalid bytecode stream: unexpected end") << i;
        EXPECT_LT(largestAllocation, 1u << 20) << i;
        EXPECT_EQ(sq_gettop(v), 0);
    }
    sq_close(v);
}

// Code that stores to register 255 runs in a frame that holds it, on a stack that starts small.
TEST(Bytecode, TargetRegister255RunsInItsFrame) {
    HSQUIRRELVM v = sq_open(32);
    Buffer in = HandStream(Main({I(OP_LOADINT, 0xFF, 40), I(OP_LOADINT, 0, 2), I(OP_ADD, 0, 0, 0xFF),
                                 I(OP_RETURN, 1, 0)}));
    ASSERT_EQ(sq_readclosure(v, ReadBytes, &in), SQ_OK) << SquirrelLastError(v);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK) << SquirrelLastError(v);
    SQInteger n = 0;
    sq_getinteger(v, -1, &n);
    EXPECT_EQ(n, 42);
    sq_close(v);
}

// Code that drops more exception traps than it set only drops its own: the caller's trap still
// catches what the loaded code throws afterwards.
TEST(Bytecode, DroppingTrapsNeverSetDropsNoOtherFrames) {
    HSQUIRRELVM v = sq_open(1024);
    Buffer in = HandStream(Main({I(OP_POPTRAP, 0, 3), I(OP_LOADINT, 1, 7), I(OP_THROW, 1), kReturnNothing}));
    ASSERT_EQ(sq_readclosure(v, ReadBytes, &in), SQ_OK) << SquirrelLastError(v);
    sq_pushroottable(v);
    sq_pushstring(v, "f", -1);
    sq_push(v, -3);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 2);
    const char *src = "local r = \"none\"; try { f(); } catch (e) { r = e; } return r;";
    ASSERT_EQ(sq_compilebuffer(v, src, (SQInteger)strlen(src), "caller.nut", SQTrue), SQ_OK);
    sq_pushroottable(v);
    ASSERT_EQ(sq_call(v, 1, SQTrue, SQFalse), SQ_OK) << SquirrelLastError(v);
    SQInteger n = 0;
    EXPECT_EQ(sq_getinteger(v, -1, &n), SQ_OK);
    EXPECT_EQ(n, 7);
    sq_close(v);
}

}  // namespace
