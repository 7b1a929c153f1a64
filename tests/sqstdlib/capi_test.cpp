// The C side of the standard library: blobs made and read from C, sqstd_format, the regular
// expression API, loading files, the file objects and the error handlers.
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "script_host.h"
#include "squirrel/sqmem.h"
#include "squirrel/stdlib/sqstdaux.h"
#include "squirrel/stdlib/sqstdblob.h"
#include "squirrel/stdlib/sqstdio.h"
#include "squirrel/stdlib/sqstdmath.h"
#include "squirrel/stdlib/sqstdstring.h"
#include "tests/support/squirrel_error.h"
#include "squirrel/stdlib/sqstdsystem.h"

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

TEST(SqstdlibBlob, CreateFromCAndReadInScript) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    sq_pushstring(v, "made", -1);
    auto* bytes = static_cast<unsigned char*>(sqstd_createblob(v, 4));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(sq_gettop(v), top + 3);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(bytes[i], 0) << "a new blob is zero-filled";
    bytes[0] = 7;
    bytes[3] = 200;
    SQUserPointer again = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_getblob(v, -1, &again)));
    EXPECT_EQ(again, bytes);
    EXPECT_EQ(sqstd_getblobsize(v, -1), 4);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    ASSERT_TRUE(host.RunString("print(made.len() + \" \" + made[0] + \" \" + made[3]);")) << host.errors;
    EXPECT_EQ(host.printed, "4 7 200");
    EXPECT_EQ(sq_gettop(v), top);
}

TEST(SqstdlibBlob, ReadFromCAfterScriptWrites) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    ASSERT_TRUE(host.RunString("written <- blob(); written.writen(0x11223344, 'i');")) << host.errors;
    sq_pushroottable(v);
    sq_pushstring(v, "written", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    SQUserPointer bytes = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_getblob(v, -1, &bytes)));
    ASSERT_EQ(sqstd_getblobsize(v, -1), 4);
    unsigned int value = 0;
    memcpy(&value, bytes, 4);
    EXPECT_EQ(value, 0x11223344u);
    sq_pop(v, 2);
}

TEST(SqstdlibBlob, CreateWithNegativeSizeFailsAndLeavesTheStack) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    SQInteger top = sq_gettop(v);
    EXPECT_EQ(sqstd_createblob(v, -1), nullptr);
    EXPECT_EQ(sq_gettop(v), top);
}

TEST(SqstdlibBlob, CreateOnAnEmptyStack) {
    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    sqstd_register_bloblib(v);
    sq_pop(v, 1);
    ASSERT_EQ(sq_gettop(v), 0);
    EXPECT_NE(sqstd_createblob(v, 2), nullptr);
    EXPECT_EQ(sq_gettop(v), 1);
    sq_close(v);
}

TEST(SqstdlibBlob, GetFromNonBlobsFails) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    SQUserPointer bytes = nullptr;
    sq_pushinteger(v, 5);
    EXPECT_TRUE(SQ_FAILED(sqstd_getblob(v, -1, &bytes)));
    EXPECT_EQ(sqstd_getblobsize(v, -1), -1);
    sq_pop(v, 1);
    ASSERT_TRUE(host.RunString("other <- regexp(\"a\");")) << host.errors;
    sq_pushroottable(v);
    sq_pushstring(v, "other", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    EXPECT_TRUE(SQ_FAILED(sqstd_getblob(v, -1, &bytes)));
    EXPECT_EQ(sqstd_getblobsize(v, -1), -1);
    sq_pop(v, 2);
}

TEST(SqstdlibBlob, CreateWithoutTheLibraryFails) {
    HSQUIRRELVM v = sq_open(1024);
    EXPECT_EQ(sqstd_createblob(v, 2), nullptr);
    EXPECT_EQ(sq_gettop(v), 0);
    sq_close(v);
}

// Pushes the format and the values, runs sqstd_format and returns the text or "error: ...".
struct FormatValue {
    enum Kind { integer, real, text, none } kind;
    SQInteger i;
    SQFloat f;
    const char* s;
};

std::string Format(HSQUIRRELVM v, const char* format, std::initializer_list<FormatValue> values) {
    SQInteger top = sq_gettop(v);
    sq_pushstring(v, format, -1);
    SQInteger formatIndex = sq_gettop(v);
    for (const FormatValue& value : values) {
        switch (value.kind) {
        case FormatValue::integer:
            sq_pushinteger(v, value.i);
            break;
        case FormatValue::real:
            sq_pushfloat(v, value.f);
            break;
        case FormatValue::text:
            sq_pushstring(v, value.s, -1);
            break;
        case FormatValue::none:
            sq_pushnull(v);
            break;
        }
    }
    SQChar* output = nullptr;
    SQInteger length = -1;
    std::string result;
    if (SQ_SUCCEEDED(sqstd_format(v, formatIndex, &length, &output)))
        result.assign(output, (size_t)length);
    else
        result = "error: " + SquirrelLastError(v);
    sq_settop(v, top);
    return result;
}

FormatValue I(SQInteger i) {
    return {FormatValue::integer, i, 0, nullptr};
}
FormatValue F(SQFloat f) {
    return {FormatValue::real, 0, f, nullptr};
}
FormatValue S(const char* s) {
    return {FormatValue::text, 0, 0, s};
}
FormatValue N() {
    return {FormatValue::none, 0, 0, nullptr};
}

TEST(SqstdlibFormat, Conversions) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    EXPECT_EQ(Format(v, "%d-%s-%.1f", {I(3), S("x"), F(2.25f)}), "3-x-2.2");
    EXPECT_EQ(Format(v, "%08.3f|%-4d|%x", {F(3.5f), I(9), I(3054)}), "0003.500|9   |bee");
    EXPECT_EQ(Format(v, "%g %g", {F(0.1f), I(2)}), "0.1 2");
    EXPECT_EQ(Format(v, "%d", {F(-7.9f)}), "-7");
    EXPECT_EQ(Format(v, "plain %%", {}), "plain %");
    std::string withNul = Format(v, "a%cb", {I(0)});
    EXPECT_EQ(withNul, std::string("a\0b", 3)) << "%c of 0 keeps the byte";
    std::string wide(90, ' ');
    EXPECT_EQ(Format(v, "%99s|", {S("x")}), wide + "        x|");
}

TEST(SqstdlibFormat, Errors) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    SQInteger top = sq_gettop(v);
    EXPECT_EQ(Format(v, "%d %d", {I(1)}), "error: not enough paramters for the given format string");
    EXPECT_EQ(Format(v, "%s", {}), "error: not enough paramters for the given format string");
    EXPECT_EQ(Format(v, "%s", {I(1)}), "error: string expected for the specified format");
    EXPECT_EQ(Format(v, "%d", {N()}), "error: integer expected for the specified format");
    EXPECT_EQ(Format(v, "%e", {S("1")}), "error: float expected for the specified format");
    EXPECT_EQ(Format(v, "%q", {I(1)}), "error: invalid format");
    EXPECT_EQ(Format(v, "%100d", {I(1)}), "error: width format too long");
    EXPECT_EQ(Format(v, "%1.100d", {I(1)}), "error: precision format too long");
    EXPECT_EQ(Format(v, "%+-+-+-+-+-+-+-+-+-+-+d", {I(1)}), "error: format too long");
    EXPECT_EQ(sq_gettop(v), top);
}

TEST(SqstdlibFormat, LongOutputGrowsTheBuffer) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    std::string big(5000, 'q');
    std::string out = Format(v, "<%s><%s>", {S(big.c_str()), S(big.c_str())});
    EXPECT_EQ(out, "<" + big + "><" + big + ">");
    char largest[64];
    snprintf(largest, sizeof(largest), "%f", (double)3.0e38f);
    EXPECT_EQ(Format(v, "%f", {F(3.0e38f)}), largest);
}

TEST(SqstdlibRex, CompileErrorsNameTheFault) {
    const struct {
        const char* pattern;
        const char* error;
    } cases[] = {
        {"(a", "expected paren"},   {"a)", "unexpected character"}, {"[]", "empty class"},
        {"[b-a]", "invalid range"}, {"x{", "number expected"},      {"\\", "letter expected"},
    };
    for (const auto& c : cases) {
        const SQChar* error = nullptr;
        SQRex* rex = sqstd_rex_compile(c.pattern, &error);
        EXPECT_EQ(rex, nullptr) << c.pattern;
        ASSERT_NE(error, nullptr) << c.pattern;
        EXPECT_STREQ(error, c.error) << c.pattern;
    }
}

TEST(SqstdlibRex, SearchRangeAndSubexpressions) {
    const SQChar* error = nullptr;
    SQRex* rex = sqstd_rex_compile("(\\d+)-(x)?(\\d+)", &error);
    ASSERT_NE(rex, nullptr) << error;
    EXPECT_EQ(sqstd_rex_getsubexpcount(rex), 4);
    const char* text = "ab 12-34 56-78";
    const SQChar* begin = nullptr;
    const SQChar* end = nullptr;
    ASSERT_TRUE(sqstd_rex_search(rex, text, &begin, &end));
    EXPECT_EQ(begin - text, 3);
    EXPECT_EQ(end - text, 8);
    SQRexMatch match;
    ASSERT_TRUE(sqstd_rex_getsubexp(rex, 1, &match));
    EXPECT_EQ(std::string(match.begin, (size_t)match.len), "12");
    ASSERT_TRUE(sqstd_rex_getsubexp(rex, 2, &match));
    EXPECT_EQ(match.len, 0) << "a group that took no part";
    ASSERT_TRUE(sqstd_rex_getsubexp(rex, 3, &match));
    EXPECT_EQ(std::string(match.begin, (size_t)match.len), "34");
    EXPECT_FALSE(sqstd_rex_getsubexp(rex, 4, &match));
    EXPECT_FALSE(sqstd_rex_getsubexp(rex, -1, &match));

    // A range ends the text early: "12-3" is all the second number may take.
    ASSERT_TRUE(sqstd_rex_searchrange(rex, text + 3, text + 7, &begin, &end));
    EXPECT_EQ(end - text, 7);
    EXPECT_FALSE(sqstd_rex_searchrange(rex, text, text + 5, nullptr, nullptr));
    EXPECT_FALSE(sqstd_rex_match(rex, text));
    EXPECT_TRUE(sqstd_rex_match(rex, "1-x2"));
    sqstd_rex_free(rex);
}

TEST(SqstdlibRex, DeepNestingIsRefusedNotRecursed) {
    std::string pattern = std::string(100000, '(') + "a" + std::string(100000, ')');
    const SQChar* error = nullptr;
    EXPECT_EQ(sqstd_rex_compile(pattern.c_str(), &error), nullptr);
    EXPECT_STREQ(error, "expression too deeply nested");
}

TEST(SqstdlibRex, LongAlternationsAndLongTexts) {
    std::string pattern;
    for (int i = 0; i < 20000; ++i)
        pattern += (i ? "|" : "") + std::to_string(i) + "x";
    const SQChar* error = nullptr;
    SQRex* rex = sqstd_rex_compile(pattern.c_str(), &error);
    ASSERT_NE(rex, nullptr) << error;
    EXPECT_TRUE(sqstd_rex_match(rex, "19999x"));
    EXPECT_FALSE(sqstd_rex_match(rex, "20000x"));
    sqstd_rex_free(rex);

    rex = sqstd_rex_compile("(?:ab|a)*c", &error);
    ASSERT_NE(rex, nullptr) << error;
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += "ab";
    EXPECT_TRUE(sqstd_rex_match(rex, (text + "c").c_str()));
    sqstd_rex_free(rex);
}

TEST(SqstdlibIo, LoadFileWithEachByteOrderMark) {
    const struct {
        const char* name;
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"plain", "return \"plain\";", "plain"},
        {"utf-8", "\xEF\xBB\xBFreturn \"utf8 \xC3\xA9\";", "utf8 \xC3\xA9"},
        {"utf-16le", std::string("\xFF\xFEr\0e\0t\0u\0r\0n\0 \0\"\0\xAC\x20\"\0", 22), "\xE2\x82\xAC"},
        {"utf-16be", std::string("\xFE\xFF\0r\0e\0t\0u\0r\0n\0 \0\"\xD8\x3D\xDE\x00\0\"", 24),
         "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        ScriptHost host;
        HSQUIRRELVM v = host.vm();
        std::string path = std::string("sqstdlib_capi_bom_") + c.name + ".tmp";
        WriteBytes(path, c.bytes);
        SQInteger top = sq_gettop(v);
        sq_pushroottable(v);
        ASSERT_TRUE(SQ_SUCCEEDED(sqstd_dofile(v, path.c_str(), SQTrue, SQTrue))) << c.name << host.errors;
        const SQChar* result = nullptr;
        ASSERT_TRUE(SQ_SUCCEEDED(sq_getstring(v, -1, &result))) << c.name;
        EXPECT_STREQ(result, c.expected) << c.name;
        sq_settop(v, top);
        remove(path.c_str());
    }
}

TEST(SqstdlibIo, LoadFileLeavesTheClosure) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    const char* path = "sqstdlib_capi_loadfile.tmp";
    WriteBytes(path, "return 5;");
    SQInteger top = sq_gettop(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_loadfile(v, path, SQTrue)));
    EXPECT_EQ(sq_gettop(v), top + 1);
    EXPECT_EQ(sq_gettype(v, -1), OT_CLOSURE);
    sq_settop(v, top);
    remove(path);
    EXPECT_TRUE(SQ_FAILED(sqstd_loadfile(v, path, SQTrue)));
    EXPECT_EQ(SquirrelLastError(v), "cannot open the file");
    EXPECT_EQ(sq_gettop(v), top);
}

TEST(SqstdlibIo, DofileErrorsReachTheCaller) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    const char* path = "sqstdlib_capi_dofile_error.tmp";
    WriteBytes(path, "throw \"thrown inside\";");
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    EXPECT_TRUE(SQ_FAILED(sqstd_dofile(v, path, SQTrue, SQTrue)));
    EXPECT_EQ(SquirrelLastError(v), "thrown inside");
    EXPECT_EQ(sq_gettop(v), top + 1) << "only the pushed `this` is left";
    sq_settop(v, top);
    EXPECT_NE(host.errors.find("AN ERROR HAS OCCURED [thrown inside]"), std::string::npos) << host.errors;
    remove(path);
}

TEST(SqstdlibIo, CompileErrorsGoToTheCompilerHandlerWhenAsked) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    const char* path = "sqstdlib_capi_compile_error.tmp";
    WriteBytes(path, "local x = ;");
    SQInteger top = sq_gettop(v);
    EXPECT_TRUE(SQ_FAILED(sqstd_loadfile(v, path, SQFalse)));
    EXPECT_EQ(host.errors, "");
    EXPECT_TRUE(SQ_FAILED(sqstd_loadfile(v, path, SQTrue)));
    EXPECT_EQ(host.errors.rfind(std::string(path) + " line = (1) column = (", 0), 0u) << host.errors;
    EXPECT_EQ(sq_gettop(v), top);
    remove(path);
}

TEST(SqstdlibIo, FileObjectsOverCFiles) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    FILE* temp = tmpfile();
    ASSERT_NE(temp, nullptr);
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    sq_pushstring(v, "shared", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_createfile(v, temp, SQFalse)));
    SQFILE handle = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_getfile(v, -1, &handle)));
    EXPECT_EQ(handle, temp);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    ASSERT_TRUE(host.RunString("shared.writen(0x44434241, 'i'); shared.close(); print(shared.len());"))
        << host.errors;
    EXPECT_EQ(host.printed, "4") << "close does not close a file the object does not own";
    ASSERT_TRUE(host.RunString("shared = null;"));
    char text[5] = {};
    rewind(temp);
    EXPECT_EQ(fread(text, 1, 4, temp), 4u);
    EXPECT_STREQ(text, "ABCD");
    fclose(temp);
    sq_pushinteger(v, 3);
    EXPECT_TRUE(SQ_FAILED(sqstd_getfile(v, -1, &handle)));
    sq_settop(v, top);
}

// Disabled: the language's sq_writeclosure/sq_readclosure are not written yet.
TEST(SqstdlibIo, WriteClosureToFileRoundTrip) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    const char* path = "sqstdlib_capi_closure.tmp";
    const char* code = "return \"round trip\";";
    SQInteger top = sq_gettop(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, code, (SQInteger)strlen(code), "closure", SQTrue)));
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_writeclosuretofile(v, path))) << SquirrelLastError(v);
    sq_settop(v, top);
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sqstd_dofile(v, path, SQTrue, SQTrue))) << SquirrelLastError(v);
    const SQChar* result = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getstring(v, -1, &result)));
    EXPECT_STREQ(result, "round trip");
    sq_settop(v, top);
    remove(path);
}

TEST(SqstdlibRegistration, NeedsATableOnTop) {
    HSQUIRRELVM v = sq_open(1024);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sqstd_register_bloblib(v)));
    EXPECT_EQ(SquirrelLastError(v), "table expected");
    EXPECT_TRUE(SQ_FAILED(sqstd_register_iolib(v)));
    EXPECT_EQ(sq_gettop(v), 1);
    sq_close(v);
}

TEST(SqstdlibRegistration, IntoAnyTableWithoutChangingTheStack) {
    HSQUIRRELVM v = sq_open(1024);
    sq_newtable(v);
    EXPECT_TRUE(SQ_SUCCEEDED(sqstd_register_bloblib(v)));
    EXPECT_TRUE(SQ_SUCCEEDED(sqstd_register_iolib(v)));
    EXPECT_TRUE(SQ_SUCCEEDED(sqstd_register_systemlib(v)));
    EXPECT_TRUE(SQ_SUCCEEDED(sqstd_register_mathlib(v)));
    EXPECT_TRUE(SQ_SUCCEEDED(sqstd_register_stringlib(v)));
    EXPECT_EQ(sq_gettop(v), 1);
    for (const char* name :
         {"blob", "file", "stdout", "dofile", "getenv", "sqrt", "PI", "format", "regexp", "swap2"}) {
        sq_pushstring(v, name, -1);
        EXPECT_TRUE(SQ_SUCCEEDED(sq_rawget(v, -2))) << name;
        sq_settop(v, 1);
    }
    sq_close(v);
}

TEST(SqstdlibErrorHandlers, RuntimeErrorPrintsTheCallStackAndLocals) {
    ScriptHost host;
    ASSERT_FALSE(host.RunString("function fail(depth) { local note = \"deep\"; throw \"boom\"; }\nfail(3);",
                                "handlers.nut"));
    const std::string& text = host.errors;
    EXPECT_EQ(text.rfind("\nAN ERROR HAS OCCURED [boom]\n\nCALLSTACK\n", 0), 0u) << text;
    EXPECT_NE(text.find("*FUNCTION [fail()] handlers.nut line [1]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("*FUNCTION [main()] handlers.nut line [2]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nLOCALS\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[note] \"deep\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[depth] 3\n"), std::string::npos) << text;
    EXPECT_EQ(host.printed, "");
}

TEST(SqstdlibErrorHandlers, NonStringErrorsAreUnknown) {
    ScriptHost host;
    ASSERT_FALSE(host.RunString("throw 42;"));
    EXPECT_EQ(host.errors.rfind("\nAN ERROR HAS OCCURED [unknown]\n", 0), 0u) << host.errors;
}

TEST(SqstdlibErrorHandlers, CompileErrorNamesSourceLineAndColumn) {
    ScriptHost host;
    ASSERT_FALSE(host.RunString("local a = 1;\nlocal b = ;", "broken.nut"));
    EXPECT_EQ(host.errors.rfind("broken.nut line = (2) column = (", 0), 0u) << host.errors;
    EXPECT_NE(host.errors.find(") : error "), std::string::npos) << host.errors;
}

} // namespace

// The library's natives over blobs, streams, strings and regular expressions fail with the
// Squirrel error "out of memory" when the VM's allocator fails after 0, 1, 2, ... successes, and
// leave nothing behind; the script then runs through.
TEST(SqstdlibOutOfMemory, NativesFailWithASquirrelError) {
    ScriptHost host;
    HSQUIRRELVM v = host.vm();
    const char* source =
        "local b = blob(16); b.writen(0x12345678, 'i'); b.seek(0); local n = b.readn('i');"
        "local r = regexp(\"([a-z]+)=([0-9]+)\"); local m = r.capture(\"key=42\");"
        "local parts = split(\"a,b,c\", \",\");"
        "return format(\"%x %s %d %s\", n, \"key=42\".slice(m[1].begin, m[1].end), parts.len(), strip(\"  s \"));";
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, source, (SQInteger)strlen(source), "oom.nut", SQTrue)));
    const SQInteger top = sq_gettop(v);
    std::string result;
    SQInteger failures = 0;
    for (SQInteger successes = 0;; successes++) {
        sq_push(v, -1);
        sq_pushroottable(v);
        sq_vm_failallocationsafter(successes);
        const SQRESULT called = sq_call(v, 1, SQTrue, SQFalse);
        sq_vm_failallocationsafter(-1);
        if (SQ_SUCCEEDED(called)) {
            const SQChar* s = nullptr;
            sq_getstring(v, -1, &s);
            result = s ? s : "(not a string)";
            sq_pop(v, 2);
            break;
        }
        sq_pop(v, 1);
        failures++;
        ASSERT_EQ(SquirrelLastError(v), "out of memory") << "after " << successes;
        ASSERT_EQ(sq_gettop(v), top) << "after " << successes;
        ASSERT_LT(successes, 100000);
    }
    EXPECT_GT(failures, 0);
    EXPECT_EQ(result, "12345678 key 3 s");
    sq_pop(v, 1);
}
