// sq: the stand-alone Squirrel runner with the standard library (blob, io, system, math, string).
//
//   sq [options] file [args...]   runs a source or compiled file with its arguments in vargv and
//                                 exits with the script's integer return value
//   sq [options]                  reads statements from standard input (read-eval-print loop)
//
// Options: -c compiles only (to 'out.cnut', or the file named by -o), -d generates debug
// information, -v prints the version, -h prints the help. Compile errors and uncaught runtime
// errors (with the call stack and locals) go to standard error through the standard library's
// handlers.
#include "squirrel/squirrel.h"
#include "squirrel/stdlib/sqstdaux.h"
#include "squirrel/stdlib/sqstdblob.h"
#include "squirrel/stdlib/sqstdio.h"
#include "squirrel/stdlib/sqstdmath.h"
#include "squirrel/stdlib/sqstdstring.h"
#include "squirrel/stdlib/sqstdsystem.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

const char kCopyright[] = "Copyright (C) 2003-2016 Alberto Demichelis";
const char kDefaultCompiledFile[] = "out.cnut";

enum class Outcome { interactive, done, error };

void PrintFunc(HSQUIRRELVM, const SQChar* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stdout, format, arguments);
    va_end(arguments);
}

void ErrorFunc(HSQUIRRELVM, const SQChar* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stderr, format, arguments);
    va_end(arguments);
}

void PrintVersion() {
    std::printf("%s %s (%d bits)\n", SQUIRREL_VERSION, kCopyright, (int)(sizeof(SQInteger) * 8));
}

void PrintUsage() {
    std::fprintf(stderr, "usage: sq <options> <scriptpath [args]>.\n"
                         "Available options are:\n"
                         "   -c              compiles the file to bytecode(default output 'out.cnut')\n"
                         "   -o              specifies output file for the -c option\n"
                         "   -c              compiles only\n"
                         "   -d              generates debug infos\n"
                         "   -v              displays version infos\n"
                         "   -h              prints help\n");
}

// Prints the VM's last error as the runner's failure line; false when it is not a string.
bool PrintLastError(HSQUIRRELVM v) {
    const SQChar* error = nullptr;
    sq_getlasterror(v);
    bool printed = SQ_SUCCEEDED(sq_getstring(v, -1, &error));
    if (printed) std::printf("Error [%s]\n", error);
    sq_pop(v, 1);
    return printed;
}

Outcome RunArguments(HSQUIRRELVM v, int argc, char* argv[], SQInteger* retval) {
    *retval = 0;
    bool compileOnly = false;
    const char* output = nullptr;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        switch (argv[arg][1]) {
        case 'd':
            sq_enabledebuginfo(v, SQTrue);
            break;
        case 'c':
            compileOnly = true;
            break;
        case 'o':
            if (arg + 1 < argc) output = argv[++arg];
            break;
        case 'v':
            PrintVersion();
            return Outcome::done;
        case 'h':
            PrintVersion();
            PrintUsage();
            return Outcome::done;
        default:
            PrintVersion();
            std::printf("unknown prameter '-%c'\n", argv[arg][1]);
            PrintUsage();
            *retval = -1;
            return Outcome::error;
        }
    }
    if (arg >= argc) return Outcome::interactive;

    const char* filename = argv[arg++];
    if (SQ_SUCCEEDED(sqstd_loadfile(v, filename, SQTrue))) {
        if (compileOnly) {
            if (SQ_SUCCEEDED(sqstd_writeclosuretofile(v, output != nullptr ? output : kDefaultCompiledFile)))
                return Outcome::done;
        } else {
            sq_pushroottable(v);
            for (int i = arg; i < argc; ++i)
                sq_pushstring(v, argv[i], -1);
            // The error handler has already reported a runtime error.
            if (SQ_FAILED(sq_call(v, argc - arg + 1, SQTrue, SQTrue))) return Outcome::error;
            if (sq_gettype(v, -1) == OT_INTEGER) sq_getinteger(v, -1, retval);
            return Outcome::done;
        }
    }
    if (PrintLastError(v)) *retval = -2;
    return Outcome::error;
}

SQInteger Quit(HSQUIRRELVM v) {
    SQUserPointer done = nullptr;
    sq_getuserpointer(v, -1, &done);
    *static_cast<bool*>(done) = true;
    return 0;
}

// Reads one entry: up to a newline outside braces. A backslash before the newline continues the
// line. Quotes pause the brace count. False at the end of input with nothing read.
bool ReadEntry(std::string* entry) {
    entry->clear();
    int openBlocks = 0;
    bool inString = false;
    for (;;) {
        int c = std::getchar();
        if (c == EOF) return !entry->empty();
        if (c == '\n') {
            if (!entry->empty() && entry->back() == '\\') {
                entry->back() = '\n';
                continue;
            }
            if (openBlocks <= 0) return true;
            entry->push_back('\n');
            continue;
        }
        if (c == '}' && !inString) --openBlocks;
        if (c == '{' && !inString) ++openBlocks;
        if (c == '"' || c == '\'') inString = !inString;
        entry->push_back((char)c);
    }
}

void Interactive(HSQUIRRELVM v) {
    PrintVersion();
    bool done = false;
    sq_pushroottable(v);
    sq_pushstring(v, "quit", -1);
    sq_pushuserpointer(v, &done);
    sq_newclosure(v, Quit, 1);
    sq_setparamscheck(v, 1, nullptr);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);

    std::string entry;
    while (!done) {
        std::printf("\nsq>");
        std::fflush(stdout);
        if (!ReadEntry(&entry)) break;
        // "=expression" prints the value of the expression.
        bool printValue = !entry.empty() && entry[0] == '=';
        if (printValue) entry = "return (" + entry.substr(1) + ")";
        if (entry.empty()) continue;
        SQInteger top = sq_gettop(v);
        if (SQ_SUCCEEDED(
                sq_compilebuffer(v, entry.c_str(), (SQInteger)entry.size(), "interactive console", SQTrue))) {
            sq_pushroottable(v);
            if (SQ_SUCCEEDED(sq_call(v, 1, printValue ? SQTrue : SQFalse, SQTrue)) && printValue) {
                std::printf("\n");
                sq_pushroottable(v);
                sq_pushstring(v, "print", -1);
                if (SQ_SUCCEEDED(sq_get(v, -2))) {
                    sq_pushroottable(v);
                    sq_push(v, -4);
                    sq_call(v, 2, SQFalse, SQTrue);
                }
                std::printf("\n");
            }
        }
        sq_settop(v, top);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, PrintFunc, ErrorFunc);
    sq_pushroottable(v);
    sqstd_register_bloblib(v);
    sqstd_register_iolib(v);
    sqstd_register_systemlib(v);
    sqstd_register_mathlib(v);
    sqstd_register_stringlib(v);
    sq_pop(v, 1);
    sqstd_seterrorhandlers(v);

    SQInteger retval = 0;
    if (RunArguments(v, argc, argv, &retval) == Outcome::interactive) Interactive(v);
    std::fflush(stdout);
    sq_close(v);
    return (int)retval;
}
