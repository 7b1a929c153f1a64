// zSquirrelVM: the script VM over our Squirrel 3.0 library (public C API only).
//
// Open installs this object as the VM's foreign pointer (threads made by
// newthread inherit it), the compile-error handler (kill code 0), one print
// function for print and error ("[S] <text>", any length) and the runtime
// error handler, which logs "[|] Exception: <message>" and the call stack,
// then kills with code 1. The handler runs before unwinding, so the faulting
// frames are still on the call stack.
//
// Stack discipline: every operation leaves the Squirrel stack top as it found
// it, failures included. A prepared call keeps the closure, this and its
// arguments on the stack until Call, and any failing step of the protocol
// drops them again.
//
// Holders (zSquirrelObject) are linked to the VM that made them. Close
// detaches them before the Squirrel VM goes, and clears the handle first, so
// release hooks that run inside sq_close see a closed VM and holders that
// outlive it never release into freed memory.
#pragma once

#include "script/script_vm.h"
#include "squirrel/squirrel.h"

class zSquirrelVM;

// A script value held by the engine: one reference in its VM, taken at
// construction and given back at destruction (or dropped by the VM's Close).
class zSquirrelObject : public zScriptObject {
  public:
    // Takes a reference to the object at the stack index.
    zSquirrelObject(zSquirrelVM* owner, SQInteger stackIndex);
    ~zSquirrelObject() override;

    // Null once the VM was closed.
    zSquirrelVM* GetOwner() const { return m_owner; }
    const HSQOBJECT& GetHandle() const { return m_handle; }

  private:
    friend class zSquirrelVM;
    zSquirrelObject(const zSquirrelObject&) = delete;
    zSquirrelObject& operator=(const zSquirrelObject&) = delete;

    zSquirrelVM* m_owner;
    HSQOBJECT m_handle;
    zSquirrelObject* m_previous = nullptr;
    zSquirrelObject* m_next = nullptr;
};

class zSquirrelVM : public zScriptVM {
  public:
    static constexpr SQInteger InitialStackSize = 1024;

    explicit zSquirrelVM(zEngine* engine);
    // Closes the Squirrel VM when still open, so nothing of it leaks.
    ~zSquirrelVM() override;

    std::unique_ptr<zScriptObject> GetMember(const char* name, zScriptObject* object) override;
    bool Include(const char* path) override;
    std::unique_ptr<zScriptObject> NewTable() override;
    bool SetGlobal(const char* name, const zScriptValue& value, zScriptObject* object) override;
    bool GetValue(const char* name, zScriptValue& out, zScriptObject* object) override;
    std::unique_ptr<zScriptObject> NewArray() override;
    bool ArrayAppend(const zScriptValue& value, zScriptObject* array) override;
    bool PrepareCall(const char* name, zScriptObject* closure, zScriptObject* thisObject) override;
    bool PushArgument(const zScriptValue& value) override;
    bool Call(zScriptValue* out) override;
    u32 InvalidateScriptObjects(void* object) override;
    void Kill(u32 code, const char* reason, bool withStackInfo) override;
    bool IsOpen() const override { return m_vm != nullptr; }
    bool Open() override;
    void Close() override;

    HSQUIRRELVM GetHandle() const { return m_vm; }
    i32 GetErrorLine() const { return m_errorLine; }

    // The zSquirrelVM that owns a Squirrel VM or one of its threads; null when
    // the foreign pointer is not set.
    static zSquirrelVM* FromHandle(HSQUIRRELVM vm);

  private:
    friend class zSquirrelObject;

    static void CompileErrorHandler(HSQUIRRELVM vm, const SQChar* description, const SQChar* source,
                                    SQInteger line, SQInteger column);
    static void PrintFunction(HSQUIRRELVM vm, const SQChar* format, ...);
    static SQInteger RuntimeErrorHandler(HSQUIRRELVM vm);

    // Kill, reading the stack information from the given Squirrel VM or thread.
    void KillFrom(HSQUIRRELVM source, u32 code, const char* reason, bool withStackInfo);
    // Pushes the object a holder of this VM holds, or the root table for null;
    // false for a holder of another or a closed VM.
    bool PushTarget(zScriptObject* object);
    // A holder of the value on top of the stack, which is popped.
    std::unique_ptr<zScriptObject> TakeTop();
    // Converts the value on top of the stack.
    void ReadValue(zScriptValue& out);
    // Drops the pending call's slots.
    void AbandonCall();

    void Link(zSquirrelObject* holder);
    void Unlink(zSquirrelObject* holder);

    i32 m_errorLine = 0;
    HSQUIRRELVM m_vm = nullptr;
    u32 m_pendingArguments = 0;
    // Stack top before PrepareCall; valid while a call is prepared.
    SQInteger m_callTop = 0;
    bool m_callPrepared = false;
    zSquirrelObject* m_holders = nullptr;
};

// Logs the call stack of vm, levels 1 and up, as "[|] " lines headed
// "Call stack (<title>):" (title null: "Requested") between two empty
// "[|] " lines; also appends the header and frame lines to out when given.
void DumpCallStack(HSQUIRRELVM vm, const char* title, zString* out);
