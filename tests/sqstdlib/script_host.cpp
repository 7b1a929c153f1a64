#include "script_host.h"

#include <cstdarg>
#include <cstdio>

#include "squirrel/stdlib/sqstdaux.h"
#include "squirrel/stdlib/sqstdblob.h"
#include "squirrel/stdlib/sqstdio.h"
#include "squirrel/stdlib/sqstdmath.h"
#include "squirrel/stdlib/sqstdstring.h"
#include "squirrel/stdlib/sqstdsystem.h"

namespace {

void AppendFormatted(std::string* out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return;
    std::string text((size_t)length + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    out->append(text.data(), (size_t)length);
}

void PrintToHost(HSQUIRRELVM v, const SQChar* format, ...) {
    auto* host = static_cast<ScriptHost*>(sq_getforeignptr(v));
    va_list args;
    va_start(args, format);
    AppendFormatted(&host->printed, format, args);
    va_end(args);
}

void ErrorToHost(HSQUIRRELVM v, const SQChar* format, ...) {
    auto* host = static_cast<ScriptHost*>(sq_getforeignptr(v));
    va_list args;
    va_start(args, format);
    AppendFormatted(&host->errors, format, args);
    va_end(args);
}

} // namespace

ScriptHost::ScriptHost() : m_vm(sq_open(1024)) {
    sq_setforeignptr(m_vm, this);
    sq_setprintfunc(m_vm, PrintToHost, ErrorToHost);
    sq_pushroottable(m_vm);
    sqstd_register_bloblib(m_vm);
    sqstd_register_iolib(m_vm);
    sqstd_register_systemlib(m_vm);
    sqstd_register_mathlib(m_vm);
    sqstd_register_stringlib(m_vm);
    sq_pop(m_vm, 1);
    sqstd_seterrorhandlers(m_vm);
}

ScriptHost::~ScriptHost() {
    sq_close(m_vm);
}

bool ScriptHost::RunString(const std::string& code, const std::string& sourceName) {
    SQInteger top = sq_gettop(m_vm);
    bool ok = false;
    if (SQ_SUCCEEDED(
            sq_compilebuffer(m_vm, code.c_str(), (SQInteger)code.size(), sourceName.c_str(), SQTrue))) {
        sq_pushroottable(m_vm);
        ok = SQ_SUCCEEDED(sq_call(m_vm, 1, SQFalse, SQTrue));
    }
    sq_settop(m_vm, top);
    return ok;
}

bool ScriptHost::RunFile(const std::string& path) {
    SQInteger top = sq_gettop(m_vm);
    sq_pushroottable(m_vm);
    bool ok = SQ_SUCCEEDED(sqstd_dofile(m_vm, path.c_str(), SQFalse, SQTrue));
    sq_settop(m_vm, top);
    return ok;
}
