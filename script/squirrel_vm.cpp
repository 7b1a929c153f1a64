#include "script/squirrel_vm.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.h"
#include "engine/engine.h"
#include "io/file_road.h"
#include "script/script_class.h"
#include "script/script_kind.h"
#include "script/resource_handles.h"
#include "script/script_object.h"
#include "squirrel/stdlib/sqstdblob.h"
#include "squirrel/stdlib/sqstdio.h"
#include "squirrel/stdlib/sqstdmath.h"
#include "squirrel/stdlib/sqstdstring.h"
#include "squirrel/stdlib/sqstdsystem.h"

// ---------------------------------------------------------------- holders

zSquirrelObject::zSquirrelObject(zSquirrelVM* owner, SQInteger stackIndex) : m_owner(owner) {
    sq_resetobject(&m_handle);
    if (!m_owner || !m_owner->m_vm) {
        m_owner = nullptr;
        return;
    }
    sq_getstackobj(m_owner->m_vm, stackIndex, &m_handle);
    sq_addref(m_owner->m_vm, &m_handle);
    m_owner->Link(this);
}

zSquirrelObject::~zSquirrelObject() {
    if (!m_owner) return;
    m_owner->Unlink(this);
    sq_release(m_owner->m_vm, &m_handle);
}

void zSquirrelVM::Link(zSquirrelObject* holder) {
    holder->m_previous = nullptr;
    holder->m_next = m_holders;
    if (m_holders) m_holders->m_previous = holder;
    m_holders = holder;
}

void zSquirrelVM::Unlink(zSquirrelObject* holder) {
    if (holder->m_previous) {
        holder->m_previous->m_next = holder->m_next;
    } else {
        m_holders = holder->m_next;
    }
    if (holder->m_next) holder->m_next->m_previous = holder->m_previous;
    holder->m_previous = nullptr;
    holder->m_next = nullptr;
}

// ---------------------------------------------------------------- life

zSquirrelVM::zSquirrelVM(zEngine* engine) : zScriptVM(engine) {}

zSquirrelVM::~zSquirrelVM() {
    Close();
}

zSquirrelVM* zSquirrelVM::FromHandle(HSQUIRRELVM vm) {
    return vm ? static_cast<zSquirrelVM*>(sq_getforeignptr(vm)) : nullptr;
}

bool zSquirrelVM::Open() {
    Close();
    HSQUIRRELVM vm = sq_open(InitialStackSize);
    if (!vm) return false;
    m_vm = vm;
    sq_setforeignptr(vm, this);
    sq_setcompilererrorhandler(vm, CompileErrorHandler);
    sq_setprintfunc(vm, PrintFunction, PrintFunction);
    sq_newclosure(vm, RuntimeErrorHandler, 0);
    sq_seterrorhandler(vm);

    sq_pushroottable(vm);
    sqstd_register_bloblib(vm);
    sqstd_register_iolib(vm);
    sqstd_register_systemlib(vm);
    sqstd_register_mathlib(vm);
    sqstd_register_stringlib(vm);
    sq_pop(vm, 1);

    sq_pushroottable(vm);
    for (i32 kind = 0; kind < ScriptKindCount; ++kind) {
        const char* name = g_ScriptObjectKinds[kind].rootConstant;
        if (!name) continue;
        sq_pushstring(vm, name, -1);
        sq_pushinteger(vm, kind);
        sq_newslot(vm, -3, SQFalse);
    }
    sq_pop(vm, 1);

    if (!RegisterScriptClass(vm, &g_CObjectClass)) {
        GetLog() << "[!] Failed to register script class 'CObject'.\n";
        Close();
        return false;
    }
    // Listed once per engine, however many VMs it has.
    if (m_engine) m_engine->AddCoreListener(GetScriptResourceListener());
    return true;
}

void zSquirrelVM::Close() {
    if (m_vm) {
        HSQUIRRELVM vm = m_vm;
        // Cleared first: release hooks run inside sq_close and may call back.
        m_vm = nullptr;
        while (zSquirrelObject* holder = m_holders) {
            Unlink(holder);
            holder->m_owner = nullptr;
        }
        sq_close(vm);
    }
    m_killed = 0;
    m_pendingArguments = 0;
    m_callPrepared = false;
}

// ---------------------------------------------------------------- handlers

void zSquirrelVM::CompileErrorHandler(HSQUIRRELVM vm, const SQChar* description, const SQChar* source,
                                      SQInteger line, SQInteger /*column*/) {
    zSquirrelVM* self = FromHandle(vm);
    if (!self) return;
    self->m_errorSource = source ? source : "";
    self->m_errorLine = line;
    self->Kill(0, description, false);
}

void zSquirrelVM::PrintFunction(HSQUIRRELVM /*vm*/, const SQChar* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        text.resize((size_t)length + 1);
        vsnprintf(&text[0], text.size(), format, args);
        text.resize((size_t)length);
    }
    va_end(args);
    GetLog() << "[S] " << text.c_str() << "\n";
}

SQInteger zSquirrelVM::RuntimeErrorHandler(HSQUIRRELVM vm) {
    zString report;
    zString message;
    SQInteger top = sq_gettop(vm);
    for (SQInteger index = 2; index <= top; ++index) {
        const SQChar* text = nullptr;
        if (sq_gettype(vm, index) == OT_STRING) {
            sq_getstring(vm, index, &text);
        } else if (index == 2) {
            // A thrown integer, table, null ...: the report still names it.
            message.Format("Unknown error (%s)", ScriptTypeName(sq_gettype(vm, index)));
            text = message.CStr();
        }
        if (!text) continue;
        if (index == 2 && text != message.CStr()) message = text;
        GetLog() << "[|] Exception: " << text << "\n";
        report.Append("Exception: ");
        report.Append(text);
        report.Append("\n");
    }
    DumpCallStack(vm, "CS", &report);
    if (zSquirrelVM* self = FromHandle(vm)) {
        self->KillFrom(vm, 1, message.CStr(), true);
        if (self->m_engine && self->m_engine->scriptErrorHook) self->m_engine->scriptErrorHook(report.CStr());
    }
    return 0;
}

void zSquirrelVM::Kill(u32 code, const char* reason, bool withStackInfo) {
    KillFrom(m_vm, code, reason, withStackInfo);
}

void zSquirrelVM::KillFrom(HSQUIRRELVM source, u32 code, const char* reason, bool withStackInfo) {
    if (m_killed) return;
    if (withStackInfo) {
        // Level 1 is the raiser; outside any script frame there is none and
        // the record stays unfilled.
        SQStackInfos info;
        if (source && SQ_SUCCEEDED(sq_stackinfos(source, 1, &info)) && info.funcname) {
            m_errorSource = info.source ? info.source : "";
            m_errorLine = (i32)info.line;
        } else {
            m_errorSource.Clear();
            m_errorLine = 0;
        }
    }
    zScriptVM::Kill(code, reason, withStackInfo);
}

void DumpCallStack(HSQUIRRELVM vm, const char* title, zString* out) {
    zString header;
    header.Format("Call stack (%s):", title ? title : "Requested");
    GetLog() << "[|] \n";
    GetLog() << "[|] " << header << "\n";
    // The lines for out gather here and join it once: a stack that overflowed
    // has a level per frame, and appending each to out would copy it again.
    std::string dump = header.CStr();
    dump += "\n";
    SQStackInfos info;
    for (SQInteger level = 1; vm && SQ_SUCCEEDED(sq_stackinfos(vm, level, &info)); ++level) {
        zString line;
        if (!info.funcname) {
            line.Format("  %d: NOINFO", (int)level);
        } else if (info.line == -1) {
            line.Format("  %d: %s() C/C++", (int)level, info.funcname);
        } else {
            line.Format("  %d: %s() %s(%d)", (int)level, info.funcname, info.source ? info.source : "",
                        (int)info.line);
        }
        GetLog() << "[|] " << line << "\n";
        if (out) {
            dump += line.CStr();
            dump += "\n";
        }
    }
    GetLog() << "[|] \n";
    if (out) out->AppendString(zString(dump.c_str()));
}

// ---------------------------------------------------------------- scripts

bool zSquirrelVM::Include(const char* path) {
    if (!path) return true;
    zString found(path);
    if (!FileSystemExistsInSearchPaths(found)) {
        GetLog() << "[!] Failed to locate script '" << path << "'.\n";
        return false;
    }
    if (!m_vm) return false;
    void* buffer = nullptr;
    u32 size = FileSystemLoadFile(found, buffer);
    if (!buffer || size == 0) {
        free(buffer);
        return false;
    }
    SQInteger top = sq_gettop(m_vm);
    bool ran = false;
    if (SQ_SUCCEEDED(
            sq_compilebuffer(m_vm, static_cast<const SQChar*>(buffer), (SQInteger)size, path, SQTrue))) {
        sq_pushroottable(m_vm);
        ran = SQ_SUCCEEDED(sq_call(m_vm, 1, SQFalse, SQTrue));
    }
    // A hook run by the call may have closed the VM.
    if (m_vm) sq_settop(m_vm, top);
    free(buffer);
    return ran;
}

// ---------------------------------------------------------------- slots

bool zSquirrelVM::PushTarget(zScriptObject* object) {
    if (!object) {
        sq_pushroottable(m_vm);
        return true;
    }
    auto* holder = dynamic_cast<zSquirrelObject*>(object);
    if (!holder || holder->m_owner != this) return false;
    sq_pushobject(m_vm, holder->m_handle);
    return true;
}

void zSquirrelVM::ReadValue(zScriptValue& out) {
    switch (sq_gettype(m_vm, -1)) {
    case OT_FLOAT: {
        SQFloat value = 0;
        sq_getfloat(m_vm, -1, &value);
        out.SetFloat(value);
        break;
    }
    case OT_BOOL: {
        SQBool value = SQFalse;
        sq_getbool(m_vm, -1, &value);
        out.SetBool(value != SQFalse);
        break;
    }
    case OT_INTEGER: {
        SQInteger value = 0;
        sq_getinteger(m_vm, -1, &value);
        out.SetInt(value);
        break;
    }
    case OT_STRING: {
        const SQChar* value = nullptr;
        sq_getstring(m_vm, -1, &value);
        out.SetString(value);
        break;
    }
    default: {
        auto* holder = new (std::nothrow) zSquirrelObject(this, -1);
        if (holder) {
            out.SetObject(holder, true);
        } else {
            out.Clear();
        }
        break;
    }
    }
}

std::unique_ptr<zScriptObject> zSquirrelVM::GetMember(const char* name, zScriptObject* object) {
    if (!m_vm || !name) return nullptr;
    SQInteger top = sq_gettop(m_vm);
    std::unique_ptr<zScriptObject> member;
    if (PushTarget(object)) {
        sq_pushstring(m_vm, name, -1);
        if (SQ_SUCCEEDED(sq_get(m_vm, -2))) member.reset(new (std::nothrow) zSquirrelObject(this, -1));
    }
    sq_settop(m_vm, top);
    return member;
}

std::unique_ptr<zScriptObject> zSquirrelVM::TakeTop() {
    std::unique_ptr<zScriptObject> holder(new (std::nothrow) zSquirrelObject(this, -1));
    sq_pop(m_vm, 1);
    return holder;
}

std::unique_ptr<zScriptObject> zSquirrelVM::NewTable() {
    if (!m_vm) return nullptr;
    sq_newtable(m_vm);
    return TakeTop();
}

std::unique_ptr<zScriptObject> zSquirrelVM::NewArray() {
    if (!m_vm) return nullptr;
    sq_newarray(m_vm, 0);
    return TakeTop();
}

bool zSquirrelVM::SetGlobal(const char* name, const zScriptValue& value, zScriptObject* object) {
    if (!m_vm || !name) return false;
    SQInteger top = sq_gettop(m_vm);
    bool pushed = false;
    if (PushTarget(object)) {
        SQObjectType targetType = sq_gettype(m_vm, -1);
        sq_pushstring(m_vm, name, -1);
        pushed = PushScriptVariant(m_vm, value);
        if (pushed) {
            if (targetType == OT_TABLE || targetType == OT_CLASS) {
                sq_newslot(m_vm, -3, SQFalse);
            } else {
                sq_set(m_vm, -3);
            }
        }
    }
    sq_settop(m_vm, top);
    return pushed;
}

bool zSquirrelVM::GetValue(const char* name, zScriptValue& out, zScriptObject* object) {
    if (!m_vm || !name) return false;
    SQInteger top = sq_gettop(m_vm);
    bool found = false;
    if (PushTarget(object)) {
        sq_pushstring(m_vm, name, -1);
        if (SQ_SUCCEEDED(sq_get(m_vm, -2))) {
            ReadValue(out);
            found = true;
        }
    }
    sq_settop(m_vm, top);
    return found;
}

bool zSquirrelVM::ArrayAppend(const zScriptValue& value, zScriptObject* array) {
    if (!m_vm || !array) return false;
    SQInteger top = sq_gettop(m_vm);
    bool appended = false;
    if (PushTarget(array) && PushScriptVariant(m_vm, value)) {
        appended = SQ_SUCCEEDED(sq_arrayappend(m_vm, -2));
    }
    sq_settop(m_vm, top);
    return appended;
}

// ---------------------------------------------------------------- calls

void zSquirrelVM::AbandonCall() {
    if (m_callPrepared && m_vm) sq_settop(m_vm, m_callTop);
    m_callPrepared = false;
    m_pendingArguments = 0;
}

bool zSquirrelVM::PrepareCall(const char* name, zScriptObject* closure, zScriptObject* thisObject) {
    if (!m_vm || m_killed) return false;
    // A call prepared and never made is dropped here.
    AbandonCall();
    SQInteger top = sq_gettop(m_vm);
    bool found = false;
    if (closure) {
        found = PushTarget(closure);
    } else if (name && PushTarget(thisObject)) {
        sq_pushstring(m_vm, name, -1);
        if (SQ_SUCCEEDED(sq_get(m_vm, -2))) {
            sq_remove(m_vm, -2);
            found = true;
        }
    }
    if (!found || !PushTarget(thisObject)) {
        sq_settop(m_vm, top);
        return false;
    }
    m_callTop = top;
    m_callPrepared = true;
    m_pendingArguments = 1;
    return true;
}

bool zSquirrelVM::PushArgument(const zScriptValue& value) {
    if (!m_vm || !m_callPrepared) return false;
    if (!PushScriptVariant(m_vm, value)) {
        AbandonCall();
        return false;
    }
    ++m_pendingArguments;
    return true;
}

bool zSquirrelVM::Call(zScriptValue* out) {
    if (!m_vm || !m_callPrepared || m_killed) {
        AbandonCall();
        return false;
    }
    // Taken now: the script may prepare calls of its own through natives.
    SQInteger top = m_callTop;
    u32 arguments = m_pendingArguments;
    m_callPrepared = false;
    m_pendingArguments = 0;
    HSQUIRRELVM vm = m_vm;
    bool called = SQ_SUCCEEDED(sq_call(vm, (SQInteger)arguments, SQTrue, SQTrue));
    if (called && out && m_vm) ReadValue(*out);
    if (m_vm) sq_settop(m_vm, top);
    return called;
}

u32 zSquirrelVM::InvalidateScriptObjects(void* object) {
    if (!m_vm) return 0;
    return InvalidateScriptRecords(object);
}
