// The virtual machine: one thread of execution with its value stack and call stack. Script
// calls run inside one Execute loop without native recursion; only calls that cross native
// code (natives, metamethods, the host) nest Execute, and their depth is bounded.
#pragma once

#include "squirrel/sqarray.h"
#include "squirrel/sqclass.h"
#include "squirrel/sqclosure.h"
#include "squirrel/sqstate.h"

#define SQ_MAX_NATIVE_CALLS 100
#define SQ_MAX_CALL_FRAMES 200000
#define SQ_MIN_STACK_OVERHEAD 15
#define SQ_SUSPEND_FLAG -666
#define SQ_DONT_FALL_BACK 666

enum SQFallback { FALLBACK_OK, FALLBACK_NO_MATCH, FALLBACK_ERROR };

struct SQVM : public SQCollectable {
    enum ExecutionType { ET_CALL, ET_RESUME_GENERATOR, ET_RESUME_VM, ET_RESUME_THROW_VM };

    explicit SQVM(SQSharedState *ss);
    ~SQVM() override;
    bool Init(SQVM *friendvm, SQInteger stacksize);
    bool Execute(SQObjectPtr &func, SQInteger nargs, SQInteger stackbase, SQObjectPtr &outres, SQBool raiseerror,
                 ExecutionType et = ET_CALL);
    // What ExecuteOp tells the loop: go on, raise _lasterror, or leave Execute with true.
    enum OpResult { OPR_NEXT, OPR_THROW, OPR_LEAVE };
    // Runs the instruction before ci->_ip in full generality (Execute inlines the common cases).
    OpResult ExecuteOp(SQInteger &traps, SQObjectPtr &outres);
    // Calls closure with nparams values starting at stackbase ("this" first).
    bool Call(SQObjectPtr &closure, SQInteger nparams, SQInteger stackbase, SQObjectPtr &outres, SQBool raiseerror);
    bool CallNative(SQNativeClosure *nclosure, SQInteger nargs, SQInteger newbase, SQObjectPtr &retval,
                    bool &suspend);
    bool StartCall(SQClosure *closure, SQInteger target, SQInteger nargs, SQInteger stackbase, bool tailcall);
    bool CreateClassInstance(SQClass *theclass, SQObjectPtr &inst, SQObjectPtr &constructor);
    bool CallMetaMethod(SQObjectPtr &closure, SQMetaMethod mm, SQInteger nparams, SQObjectPtr &outres);
    void CallErrorHandler(SQObjectPtr &e);
    void CallDebugHook(SQInteger type, SQInteger forcedline = 0);

    bool Get(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &dest, bool raw, SQInteger selfidx);
    // Whether key is in self as a raw get sees it (no delegate, no metamethod); raises nothing.
    bool Exists(const SQObjectPtr &self, const SQObjectPtr &key);
    SQInteger FallBackGet(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &dest);
    bool InvokeDefaultDelegate(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &dest);
    bool Set(const SQObjectPtr &self, const SQObjectPtr &key, const SQObjectPtr &val, SQInteger selfidx);
    SQInteger FallBackSet(const SQObjectPtr &self, const SQObjectPtr &key, const SQObjectPtr &val);
    bool NewSlot(const SQObjectPtr &self, const SQObjectPtr &key, const SQObjectPtr &val, bool bstatic);
    bool NewSlotA(const SQObjectPtr &self, const SQObjectPtr &key, const SQObjectPtr &val, const SQObjectPtr &attrs,
                  bool bstatic, bool raw);
    bool DeleteSlot(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &res);
    bool Clone(const SQObjectPtr &self, SQObjectPtr &target);
    bool ObjCmp(const SQObjectPtr &o1, const SQObjectPtr &o2, SQInteger &res);
    bool StringCat(const SQObjectPtr &str, const SQObjectPtr &obj, SQObjectPtr &dest);
    static bool IsEqual(const SQObjectPtr &o1, const SQObjectPtr &o2, bool &res);
    bool ToString(const SQObjectPtr &o, SQObjectPtr &res);
    SQString *PrintObjVal(const SQObjectPtr &o);
    bool TypeOf(const SQObjectPtr &obj1, SQObjectPtr &dest);
    bool GetMetaMethodOf(const SQObjectPtr &o, SQMetaMethod mm, SQObjectPtr &closure);

    bool ArithMetaMethod(SQInteger op, const SQObjectPtr &o1, const SQObjectPtr &o2, SQObjectPtr &dest);
    bool Arith(SQInteger op, SQObjectPtr &trg, const SQObjectPtr &o1, const SQObjectPtr &o2);
    bool BitwiseOp(SQInteger op, SQObjectPtr &trg, const SQObjectPtr &o1, const SQObjectPtr &o2);
    bool NegOp(SQObjectPtr &target, const SQObjectPtr &o1);
    bool CmpOp(SQInteger op, const SQObjectPtr &o1, const SQObjectPtr &o2, SQObjectPtr &res);
    bool FOREACH_OP(SQObjectPtr &o1, SQObjectPtr &o2, SQObjectPtr &o3, SQObjectPtr &o4, SQInteger arg_2, int exitpos,
                    int &jump);
    bool DerefInc(SQInteger op, SQObjectPtr &target, SQObjectPtr &self, SQObjectPtr &key, SQObjectPtr &incr,
                  bool postfix, SQInteger arg0);
    bool PLOCAL_INC(SQInteger op, SQObjectPtr &target, SQObjectPtr &a, SQObjectPtr &incr);
    bool CLOSURE_OP(SQObjectPtr &target, SQFunctionProto *func);
    bool CLASS_OP(SQObjectPtr &target, SQInteger base, SQInteger attrs);

    void Raise_Error(const SQChar *s, ...);
    void Raise_Error(const SQObjectPtr &desc);
    void Raise_IdxError(const SQObjectPtr &o);
    void Raise_CompareError(const SQObject &o1, const SQObject &o2);
    void Raise_ParamTypeError(SQInteger nparam, SQInteger typemask, SQInteger type);

    bool EnterFrame(SQInteger newbase, SQInteger newtop, bool tailcall);
    void LeaveFrame();
    bool EnsureStack(SQInteger needed);
    void FindOuter(SQObjectPtr &target, SQObjectPtr *stackindex);
    void RelocateOuters();
    void CloseOuters(SQObjectPtr *stackindex);

    void Pop() { _stack[(size_t)--_top].Null(); }
    void Pop(SQInteger n) {
        for (SQInteger i = 0; i < n; i++) _stack[(size_t)--_top].Null();
    }
    void Push(const SQObjectPtr &o) {
        if (_top + 1 >= (SQInteger)_stack.size()) {
            SQObjectPtr copy(o);  // o may live in the stack being moved
            EnsureStack(_top + 1 + SQ_MIN_STACK_OVERHEAD);
            _stack[(size_t)_top++] = copy;
            return;
        }
        _stack[(size_t)_top++] = o;
    }
    void PushNull() { Push(SQObjectPtr()); }
    SQObjectPtr &Top() { return _stack[(size_t)_top - 1]; }
    SQObjectPtr &PopGet() { return _stack[(size_t)--_top]; }
    SQObjectPtr &GetUp(SQInteger n) { return _stack[(size_t)(_top + n)]; }
    SQObjectPtr &GetAt(SQInteger n) { return _stack[(size_t)n]; }

    void Mark(SQGCMarker &marker) override;
    void Finalize() override;
    SQObjectType GetType() override { return OT_THREAD; }

    SQObjectPtrVec _stack;
    SQInteger _top = 0;
    SQInteger _stackbase = 0;
    SQOuter *_openouters = nullptr;
    SQObjectPtr _roottable;
    SQObjectPtr _lasterror;
    SQObjectPtr _errorhandler;
    SQObjectPtr _debughook;
    SQObjectPtr temp_reg;

    std::vector<SQCallInfo> _callsstack;
    SQInteger _callsstacksize = 0;
    SQCallInfo *ci = nullptr;
    std::vector<SQExceptionTrap> _etraps;

    SQInteger _nnativecalls = 0;
    SQInteger _nmetamethodscall = 0;
    bool _suspended = false;
    bool _suspended_root = false;
    SQInteger _suspended_target = -1;
    SQInteger _suspended_traps = 0;
    bool _debughook_running = false;
    SQUserPointer _foreignptr = nullptr;
};

// The bitwise operator op (SQBitwiseOp) on two integers; false for an unknown op.
inline bool SQIntegerBitwise(SQInteger op, SQInteger i1, SQInteger i2, SQInteger &res) {
    switch (op) {
    case BW_AND: res = i1 & i2; return true;
    case BW_OR: res = i1 | i2; return true;
    case BW_XOR: res = i1 ^ i2; return true;
    case BW_SHIFTL: res = (SQInteger)((SQUnsignedInteger)i1 << (i2 & 31)); return true;
    case BW_SHIFTR: res = i1 >> (i2 & 31); return true;
    case BW_USHIFTR: res = (SQInteger)((SQUnsignedInteger)i1 >> (i2 & 31)); return true;
    default: return false;
    }
}

struct SQAutoDec {
    explicit SQAutoDec(SQInteger *n) : _n(n) {}
    ~SQAutoDec() { (*_n)--; }
    SQInteger *_n;
};

#define STK(a) _stack[(size_t)(_stackbase + (a))]
#define sq_aux_paramscheck(v, count)                                   \
    {                                                                  \
        if (sq_gettop(v) < count) {                                    \
            v->Raise_Error("not enough params in the stack");          \
            return SQ_ERROR;                                           \
        }                                                              \
    }

SQObjectPtr &stack_get(HSQUIRRELVM v, SQInteger idx);
bool sq_compile_buffer(SQVM *vm, SQLEXREADFUNC rg, SQUserPointer up, const SQChar *sourcename, SQObjectPtr &out,
                       bool raiseerror, bool lineinfo);
void sq_base_register(HSQUIRRELVM v);
void sq_init_default_delegates(SQSharedState *ss, SQVM *v);
SQString *sq_format_string(SQSharedState *ss, const SQChar *fmt, ...);
