// The engine's view of its scripting language: an abstract VM that runs script
// files, reads and writes slots from engine values (zScriptValue) and calls
// script functions by name through the event-call protocol
//   PrepareCall -> PushArgument ... -> Call.
// Any step returning false ends the attempt; a missing callback is the
// ordinary case and logs nothing.
//
// The VM is killed for good on its first error: the first Kill records its
// code and reason and logs "[!] Killing VM with reason '<reason>'."; later
// kills change nothing, and a killed VM refuses PrepareCall and Call until
// Close. Main thread only.
#pragma once

#include <memory>

#include "core/types.h"
#include "core/zstring.h"
#include "markup/script_value.h"

class zEngine;

class zScriptVM {
  public:
    // engine may be null; its script-error hook, when set, receives the
    // report of every runtime error.
    explicit zScriptVM(zEngine* engine);
    virtual ~zScriptVM();

    // The slot of object (null: the root table); null when there is none.
    virtual std::unique_ptr<zScriptObject> GetMember(const char* name, zScriptObject* object) = 0;
    virtual bool Include(const char* path) = 0;
    virtual std::unique_ptr<zScriptObject> NewTable() = 0;
    // Creates or replaces the slot of a table or class; on anything else sets
    // an existing slot only (an undeclared member is silently left alone).
    // False only when the value has no script form.
    virtual bool SetGlobal(const char* name, const zScriptValue& value, zScriptObject* object) = 0;
    // Numbers, bools and strings become variants, anything else an owned
    // script object. False when the slot does not exist.
    virtual bool GetValue(const char* name, zScriptValue& out, zScriptObject* object) = 0;
    virtual std::unique_ptr<zScriptObject> NewArray() = 0;
    virtual bool ArrayAppend(const zScriptValue& value, zScriptObject* array) = 0;
    // closure (when given) is called, else the slot name of thisObject (null:
    // the root table); thisObject is the callee's this.
    virtual bool PrepareCall(const char* name, zScriptObject* closure, zScriptObject* thisObject) = 0;
    virtual bool PushArgument(const zScriptValue& value) = 0;
    // out (may be null) receives the return value.
    virtual bool Call(zScriptValue* out) = 0;
    // Turns every script handle of object into a "Deleted native" handle;
    // returns how many there were.
    virtual u32 InvalidateScriptObjects(void* object) = 0;
    virtual void Kill(u32 code, const char* reason, bool withStackInfo);
    virtual bool IsKilled() const { return m_killed != 0; }
    virtual bool IsOpen() const = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;

    zEngine* GetEngine() const { return m_engine; }
    u32 GetKillCode() const { return m_killCode; }
    const zString& GetKillReason() const { return m_killReason; }
    const zString& GetErrorSource() const { return m_errorSource; }

  protected:
    zScriptVM(const zScriptVM&) = delete;
    zScriptVM& operator=(const zScriptVM&) = delete;

    zEngine* m_engine;
    u8 m_killed = 0;
    u32 m_killCode = 0;
    // Script file of the last error, kept for the shutdown report.
    zString m_errorSource;
    zString m_killReason;
};
