// The compiler's handling of what it leaves unfetched for an assignment or a step: only a
// whole left-hand side may be assigned, and a step on the next line is the next statement's.
#include <gtest/gtest.h>

#include "squirrel/squirrel.h"
#include "tests/support/squirrel_error.h"

#include <cstring>
#include <string>

namespace {

TEST(Compiler, AnOperatorsResultCannotBeAssigned) {
    const char *sources[] = {
        "local o; function f() { return 1 + o = 2; }",  // an outer variable: no register was taken
        "local out;function _()a%out=",
        "local o; function f() { return 1 + o += 2; }",
        "local o; function f() { return -o = 2; }",
        "local o; function f() { return typeof o <- 2; }",
        "local o; function f() { return o || o = 2; }",
        "local x = 1; return 1 + x = 2;",
        "local t = {a = 1}; return 1 + t.a = 2;",
        "local t = {}; return t && t.a <- 1;",
        "return 1 + ::g = 2;",
    };
    for (const char *src : sources) {
        HSQUIRRELVM v = sq_open(1024);
        EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, src, (SQInteger)strlen(src), "assign.nut", SQFalse))) << src;
        EXPECT_EQ(SquirrelLastError(v), "can't assign expression") << src;
        EXPECT_EQ(sq_gettop(v), 0) << src;
        sq_close(v);
    }
}

TEST(Compiler, AStepOnTheNextLineBelongsToTheNextStatement) {
    struct Case {
        const char *source;
        SQInteger result;
    } cases[] = {
        {"local x = 3; local y = x\n++x; return y * 10 + x;", 34},
        {"local o = 4; function f() { local y = o\n++o; return y * 10 + o; } return f();", 45},
        {"local o = 4; function f() { local y = 1 + o\n--o; return y * 10 + o; } return f();", 53},
        {"local t = {a = 5}; local x = 1; local y = t.a\n++x; return y * 10 + x;", 52},
        {"local t = {a = 5}; local y = t.a\n++t.a; return y * 10 + t.a;", 56},
        {"local o = 1; function f() { local y = o++; return y * 10 + o; } return f();", 12},
        {"local t = {a = 1}; local y = t.a--; return y * 10 + t.a;", 10},
    };
    for (const Case &c : cases) {
        HSQUIRRELVM v = sq_open(1024);
        ASSERT_EQ(sq_compilebuffer(v, c.source, (SQInteger)strlen(c.source), "step.nut", SQFalse), SQ_OK)
            << c.source << ": " << SquirrelLastError(v);
        sq_pushroottable(v);
        ASSERT_EQ(sq_call(v, 1, SQTrue, SQFalse), SQ_OK) << c.source << ": " << SquirrelLastError(v);
        SQInteger n = -1;
        EXPECT_EQ(sq_getinteger(v, -1, &n), SQ_OK) << c.source;
        EXPECT_EQ(n, c.result) << c.source;
        sq_close(v);
    }
}

// A lambda error is reported where the lambda is, with the line the compiler-error handler gets.
SQInteger g_errorLine = -1;
void RecordCompilerError(HSQUIRRELVM, const SQChar *, const SQChar *, SQInteger line, SQInteger) { g_errorLine = line; }

TEST(Compiler, LambdaErrorsNameTheirLine) {
    struct Case {
        const char *source;
        const char *message;
        SQInteger line;
    } cases[] = {
        {"local a = 1;\nlocal f = @ a;", "expected '('", 2},
        {"local f = @(a,\n b c) a;", "expected ')' or ','", 2},
        {"local f = @(a)\n\n;", "expression expected", 3},
        {"local t = {\n  g = @(x) x,\n  h = @(y) y +\n}", "expression expected", 4},
        {"local f = @(a, ...)\n  vargv[0] +\n  @(b = 1, ...) b;", "function with default parameters cannot have variable number of parameters", 3},
    };
    for (const Case &c : cases) {
        HSQUIRRELVM v = sq_open(1024);
        sq_setcompilererrorhandler(v, RecordCompilerError);
        g_errorLine = -1;
        EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, c.source, (SQInteger)strlen(c.source), "lambda.nut", SQTrue))) << c.source;
        EXPECT_EQ(SquirrelLastError(v), c.message) << c.source;
        EXPECT_EQ(g_errorLine, c.line) << c.source;
        EXPECT_EQ(sq_gettop(v), 0) << c.source;
        sq_close(v);
    }
}

}  // namespace
