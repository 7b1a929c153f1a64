// The virtual machine: one thread of execution with its value stack and call stack. Script
// calls run inside one Execute loop without native recursion; only calls that cross native
// code (natives, metamethods, the host) nest Execute, and their depth is bounded.
//
// The value stack. _stack is one array of values per thread. The running function sees it as
// registers: register n is _stack[_stackbase + n] (STK(n)); register 0 is `this`, then come the
// parameters (vargv as one array when the function takes ...), then locals and temporaries up
// to the prototype's _stacksize, which the compiler computed. _top is the first slot past the
// frame; natives push and pop above it, and SQ_MIN_STACK_OVERHEAD slots are always there for
// them. The array grows by doubling (EnsureStack) up to a fixed bound, and growing moves every
// value: a pointer into the stack is good only until the next call, allocation or push. The
// open outers are re-pointed by RelocateOuters; Execute reloads its register pointer after
// anything that may have grown the stack.
//
// Frames. A call needs no copying: the caller evaluates `this` and the arguments into
// consecutive registers, and the callee's frame starts on the first of them. Each frame has one
// SQCallInfo in _callsstack (ci is the running one): where to resume (_ip), the caller's base
// and top as offsets from the callee's base (_prevstkbase, _prevtop), the caller's register
// that receives the result (_target, -1 for none), and whether this Execute entered the frame
// (_root: its return leaves Execute). A tail call reuses the frame and counts itself in _ncalls
// so that the debug hook still sees one return per call. Leaving a frame closes the outers of
// its registers and clears everything above the caller's top, so no stale reference lingers.
//
// Outers. A closure reaches a captured local of an enclosing function through an SQOuter. While
// the function runs, the outer is open: it points at the stack slot and sits in the unsorted
// list _openouters, where FindOuter looks it up by slot index so that closures capturing the
// same local share it. When the slot goes (return, unwinding, or OP_CLOSE at the end of a scope
// whose locals were captured), the value is copied into the outer and it is closed.
//
// Traps. try pushes an SQExceptionTrap on _etraps (PUSHTRAP): the frame's base, the top, the
// catch's first instruction and the register that receives the error; ci->_etraps counts the
// traps each frame owns and POPTRAP drops only those. A throw stores the error in _lasterror
// and unwinds: frames without a trap are left (their generators die), and at the first frame
// with one, base and top are restored, the slots above are cleared, the outers above closed,
// the error stored in the trap's register, and the loop goes on at the catch. Execute's local
// `traps` counts the traps opened under this Execute: with none, the error leaves Execute and
// the error handler is told (when raiseerror asks for it).
#pragma once

#include <algorithm>

#include "squirrel/sqarray.h"
#include "squirrel/sqclass.h"
#include "squirrel/sqclosure.h"
#include "squirrel/sqstate.h"

#define SQ_MAX_NATIVE_CALLS 100       // nested Execute and native calls on one thread
#define SQ_MAX_CALL_FRAMES 200000     // script frames on one thread ("stack overflow" past it)
#define SQ_MAX_STACK_SLOTS (4 * 1024 * 1024)  // value slots on one thread ("stack overflow" past it)
#define SQ_MIN_STACK_OVERHEAD 15      // free slots kept above _top for natives and the host
// While the error handler runs, the limits above stretch by these, so that an error raised at
// a limit ("stack overflow", "Native stack overflow") still reaches the handler, which needs
// frames, slots and a native call of its own. Past the stretched limits the handler fails.
#define SQ_HANDLER_NATIVE_CALLS 10
#define SQ_HANDLER_CALL_FRAMES 1000
#define SQ_HANDLER_STACK_SLOTS (64 * 1024)
#define SQ_SUSPEND_FLAG -666          // what a native returns to suspend the VM (sq_suspendvm)
// As selfidx of Get and Set: the object is not a function's `this`, so a missing key does not
// fall back to the root table (only a lookup on register 0 does).
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
    // Whether CallNative would take this call without raising and without binding anything: no
    // outer values, no environment, the count and types of the arguments accepted, a free frame
    // record and room on the stack. Execute then runs the native itself (RunNative).
    bool NativeCallIsPlain(const SQNativeClosure *nclosure, SQInteger nargs, SQInteger newbase) const {
        if (!nclosure->_outervalues.empty() || sqtype(nclosure->_env) != OT_NULL ||
            _nnativecalls + 1 > MaxNativeCalls() || _callsstacksize >= (SQInteger)_callsstack.size() ||
            _callsstacksize >= SQ_MAX_CALL_FRAMES || newbase + nargs + SQ_MIN_STACK_OVERHEAD > (SQInteger)_stack.size())
            return false;
        SQInteger nparamscheck = nclosure->_nparamscheck;
        if (nparamscheck > 0 ? nparamscheck != nargs : nargs < -nparamscheck) return false;
        const SQInteger *mask = nclosure->_typecheck.data();
        const SQInteger *end = mask + std::min(nargs, (SQInteger)nclosure->_typecheck.size());
        for (const SQObjectPtr *arg = &_stack[(size_t)newbase]; mask != end; ++mask, ++arg)
            if (!(sqtype(*arg) & *mask)) return false;
        return true;
    }
    // Runs the native of the frame just entered; its result as the native returned it, SQ_ERROR
    // when it ran out of memory.
    SQInteger RunNative(SQNativeClosure *nclosure);
    // Ends a native's frame after RunNative: the result (or null) in retval; false with the error
    // raised when the native failed.
    bool FinishNative(SQInteger ret, SQObjectPtr &retval, bool &suspend);
    // Enters closure's frame (reuses the running one for a tail call). The common call, inline:
    // exact arguments, nothing to bind, room ready; StartCallGeneral does the rest and raises.
    bool StartCall(SQClosure *closure, SQInteger target, SQInteger nargs, SQInteger stackbase, bool tailcall) {
        SQFunctionProto *func = closure->Proto();
        SQInteger newtop = stackbase + func->_stacksize;
        if (func->_plaincallargs == nargs && sqtype(closure->_env) == OT_NULL && sqtype(_debughook) == OT_NULL &&
            newtop + SQ_MIN_STACK_OVERHEAD <= (SQInteger)_stack.size() &&
            (tailcall || (_callsstacksize < (SQInteger)_callsstack.size() && _callsstacksize < SQ_MAX_CALL_FRAMES))) {
            if (tailcall) {
                ci->_ncalls++;
            } else {
                PushCallInfo(stackbase);
            }
            ci->_closure = closure;
            ci->_literals = func->_literals.data();
            ci->_ip = func->_instructions.data();
            ci->_target = (SQInt32)target;
            _stackbase = stackbase;
            _top = newtop;
            return true;
        }
        return StartCallGeneral(closure, target, nargs, stackbase, tailcall);
    }
    bool StartCallGeneral(SQClosure *closure, SQInteger target, SQInteger nargs, SQInteger stackbase, bool tailcall);
    bool CreateClassInstance(SQClass *theclass, SQObjectPtr &inst, SQObjectPtr &constructor);
    bool CallMetaMethod(SQObjectPtr &closure, SQMetaMethod mm, SQInteger nparams, SQObjectPtr &outres);
    void CallErrorHandler(SQObjectPtr &e);
    SQInteger MaxNativeCalls() const {
        return SQ_MAX_NATIVE_CALLS + (_errorhandler_running ? SQ_HANDLER_NATIVE_CALLS : 0);
    }
    SQInteger MaxCallFrames() const {
        return SQ_MAX_CALL_FRAMES + (_errorhandler_running ? SQ_HANDLER_CALL_FRAMES : 0);
    }
    SQInteger MaxStackSlots() const {
        return SQ_MAX_STACK_SLOTS + (_errorhandler_running ? SQ_HANDLER_STACK_SLOTS : 0);
    }
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

    // Sets the last error to "out of memory" without allocating.
    void RaiseOutOfMemory() { _lasterror = _sharedstate->_outofmemory; }
    // The Raise_ functions set _lasterror and never throw.
    void Raise_Error(const SQChar *s, ...);
    void Raise_Error(const SQObjectPtr &desc);
    void Raise_IdxError(const SQObjectPtr &o);
    void Raise_CompareError(const SQObject &o1, const SQObject &o2);
    void Raise_ParamTypeError(SQInteger nparam, SQInteger typemask, SQInteger type);

    bool EnterFrame(SQInteger newbase, SQInteger newtop, bool tailcall);
    // Makes the next frame record current for a call whose registers start at newbase; the
    // record must exist.
    void PushCallInfo(SQInteger newbase) {
        ci = &_callsstack[(size_t)_callsstacksize++];
        ci->_prevstkbase = (SQInt32)(newbase - _stackbase);
        ci->_prevtop = (SQInt32)(_top - _stackbase);
        ci->_etraps = 0;
        ci->_ncalls = 1;
        ci->_generator = nullptr;
        ci->_root = false;
    }
#if defined(__GNUC__)
    __attribute__((always_inline))
#endif
    void LeaveFrame() {
        SQInteger last_top = _top;
        SQInteger last_stackbase = _stackbase;
        SQInteger css = --_callsstacksize;
        ci->_closure.Null();
        _stackbase -= ci->_prevstkbase;
        _top = _stackbase + ci->_prevtop;
        ci = css ? &_callsstack[(size_t)(css - 1)] : nullptr;
        if (_openouters) CloseOuters(&_stack[(size_t)last_stackbase]);
        while (last_top > _top) _stack[(size_t)--last_top].Null();
    }
    // A native called by the running frame suspended the VM: resuming stores into target.
    void MarkSuspended(SQInteger target, SQInteger traps) {
        _suspended = true;
        _suspended_target = target;
        _suspended_root = ci->_root;
        _suspended_traps = traps;
    }
    bool EnsureStack(SQInteger needed);
    void FindOuter(SQObjectPtr &target, SQObjectPtr *stackindex);
    void RelocateOuters();
    void CloseOuters(SQObjectPtr *stackindex);

    void Pop() { _stack[(size_t)--_top].Null(); }
    void Pop(SQInteger n) {
        for (SQInteger i = 0; i < n; i++) _stack[(size_t)--_top].Null();
    }
    // Push when the stack must grow first (out of line: pushes are inlined everywhere).
    void PushGrowing(const SQObject &o);
    void Push(const SQObjectPtr &o) {
        if (_top + 1 >= (SQInteger)_stack.size()) {
            SQObjectPtr copy(o);  // o may live in the stack being moved
            if (!EnsureStack(_top + 1 + SQ_MIN_STACK_OVERHEAD)) throw std::bad_alloc();
            _stack[(size_t)_top++] = copy;
            return;
        }
        _stack[(size_t)_top++] = o;
    }
    // Push with the reference counting written out, for the API's pushes of held objects.
    void PushObject(const SQObject &o) {
        if (_top + 1 >= (SQInteger)_stack.size()) {
            PushGrowing(o);
            return;
        }
        SQObject &slot = _stack[(size_t)_top++];
        SQObject old = slot;
        if (ISREFCOUNTED(o._type)) o._unVal.pRefCounted->_uiRef++;
        slot._type = o._type;
        slot._unVal = o._unVal;
        if (ISREFCOUNTED(old._type) && --old._unVal.pRefCounted->_uiRef == 0) old._unVal.pRefCounted->Release();
    }
    // Pushes of numbers, without the reference counting of a copy.
    void PushNumber(SQInteger n) {
        SQObjectValue v;
        v.raw = 0;
        v.nInteger = n;
        PushNumberValue(OT_INTEGER, v);
    }
    void PushNumber(SQFloat f) {
        SQObjectValue v;
        v.raw = 0;
        v.fFloat = f;
        PushNumberValue(OT_FLOAT, v);
    }
    // The value as one whole word, so that a later full-width read forwards from one store.
    void PushNumberValue(SQObjectType type, SQObjectValue v) {
        if (_top + 1 >= (SQInteger)_stack.size()) {
            SQObject number;
            number._type = type;
            number._unVal = v;
            PushGrowing(number);
            return;
        }
        SQObject &slot = _stack[(size_t)_top++];
        SQObject old = slot;
        slot._type = type;
        slot._unVal = v;
        if (ISREFCOUNTED(old._type) && --old._unVal.pRefCounted->_uiRef == 0) old._unVal.pRefCounted->Release();
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

    sqvector<SQCallInfo> _callsstack;
    SQInteger _callsstacksize = 0;
    SQCallInfo *ci = nullptr;
    sqvector<SQExceptionTrap> _etraps;

    SQInteger _nnativecalls = 0;
    SQInteger _nmetamethodscall = 0;
    bool _suspended = false;
    bool _suspended_root = false;
    SQInteger _suspended_target = -1;
    SQInteger _suspended_traps = 0;
    bool _debughook_running = false;
    bool _errorhandler_running = false;  // the limits are stretched (SQ_HANDLER_*)
    // An entry point ran out of memory; set while a native runs, it fails the native's call, since
    // a native need not check the pushes that have no result.
    bool _apioutofmemory = false;
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

// Every entry point that may allocate is a function-try-block ending in SQ_API_CATCH: running out of
// memory leaves the error "out of memory" as the VM's last error and returns the entry point's
// failure value (a void one just returns, with nothing pushed). Inside a native, any such failure
// fails the native's call with that error.
#define SQ_API_CATCH(v, ...)               \
    catch (const std::bad_alloc &) {       \
        (v)->RaiseOutOfMemory();           \
        (v)->_apioutofmemory = true;       \
        return __VA_ARGS__;                \
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
