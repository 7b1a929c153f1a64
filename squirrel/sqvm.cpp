#include "squirrel/sqvm.h"

#include "squirrel/squserdata.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

SQVM::SQVM(SQSharedState *ss) : SQCollectable(ss) {}

SQVM::~SQVM() { Finalize(); }

bool SQVM::Init(SQVM *friendvm, SQInteger stacksize) {
    if (stacksize < 64) stacksize = 64;
    _stack.resize((size_t)stacksize);
    _callsstack.resize(16);
    _callsstacksize = 0;
    ci = nullptr;
    _stackbase = 0;
    _top = 0;
    if (!friendvm) {
        _roottable = SQTable::Create(_ss(this), 0);
        sq_base_register(this);
    } else {
        _roottable = friendvm->_roottable;
        _errorhandler = friendvm->_errorhandler;
        _debughook = friendvm->_debughook;
        _foreignptr = friendvm->_foreignptr;
    }
    return true;
}

void SQVM::Finalize() {
    if (_openouters) CloseOuters(_stack.data());
    _roottable.Null();
    _lasterror.Null();
    _errorhandler.Null();
    _debughook.Null();
    temp_reg.Null();
    for (SQInteger i = 0; i < _callsstacksize; i++) _callsstack[(size_t)i]._closure.Null();
    _callsstacksize = 0;
    ci = nullptr;
    // Cleared in place (closing needs no memory); a release hook run meanwhile finds an empty stack.
    _top = 0;
    _stackbase = 0;
    for (size_t i = _stack.size(); i-- > 0;) _stack[i].Null();
}

void SQVM::Mark(SQGCMarker &marker) {
    for (auto &o : _stack) marker.Mark(o);
    marker.Mark(_roottable);
    marker.Mark(_lasterror);
    marker.Mark(_errorhandler);
    marker.Mark(_debughook);
    marker.Mark(temp_reg);
    for (SQInteger i = 0; i < _callsstacksize; i++) marker.Mark(_callsstack[(size_t)i]._closure);
    for (SQOuter *o = _openouters; o; o = o->_next) marker.Mark(o);
}

// ---- errors

void SQVM::Raise_Error(const SQChar *s, ...) {
    char buffer[1024];
    va_list vl;
    va_start(vl, s);
    vsnprintf(buffer, sizeof(buffer), s, vl);
    va_end(vl);
    // Raising an error never throws: without memory for its text it becomes "out of memory".
    try {
        _lasterror = SQString::Create(_ss(this), buffer, -1);
    } catch (const std::bad_alloc &) {
        RaiseOutOfMemory();
    }
}

void SQVM::Raise_Error(const SQObjectPtr &desc) { _lasterror = desc; }

SQString *SQVM::PrintObjVal(const SQObjectPtr &o) {
    switch (sqtype(o)) {
    case OT_STRING: return _string(o);
    case OT_INTEGER: return sq_format_string(_ss(this), "%d", _integer(o));
    case OT_FLOAT: return sq_format_string(_ss(this), "%.14g", (double)_float(o));
    default: return SQString::Create(_ss(this), GetTypeName(o));
    }
}

void SQVM::Raise_IdxError(const SQObjectPtr &o) try {
    SQObjectPtr oval = PrintObjVal(o);
    Raise_Error("the index '%.50s' does not exist", _stringval(oval));
} catch (const std::bad_alloc &) {
    RaiseOutOfMemory();
}

// Integers, floats and strings are shown by value, anything else by its type name.
void SQVM::Raise_CompareError(const SQObject &o1, const SQObject &o2) try {
    SQObjectPtr oval1 = PrintObjVal(o1);
    SQObjectPtr oval2 = PrintObjVal(o2);
    Raise_Error("comparison between '%.50s' and '%.50s'", _stringval(oval1), _stringval(oval2));
} catch (const std::bad_alloc &) {
    RaiseOutOfMemory();
}

void SQVM::Raise_ParamTypeError(SQInteger nparam, SQInteger typemask, SQInteger type) {
    char exptypes[256] = "";
    for (SQInteger i = 0; i < 16; i++) {
        SQInteger mask = 0x00000001 << i;
        if (typemask & mask) {
            if (exptypes[0]) std::strncat(exptypes, "|", sizeof(exptypes) - std::strlen(exptypes) - 1);
            std::strncat(exptypes, IdType2Name((SQObjectType)mask), sizeof(exptypes) - std::strlen(exptypes) - 1);
        }
    }
    Raise_Error("parameter %d has an invalid type '%s' ; expected: '%s'", nparam, IdType2Name((SQObjectType)type),
                exptypes);
}

// ---- stack and frames

bool SQVM::EnsureStack(SQInteger needed) {
    if (needed <= (SQInteger)_stack.size()) return true;
    const SQInteger maxslots = MaxStackSlots();
    if (needed > maxslots) {
        Raise_Error("stack overflow");
        return false;
    }
    SQInteger newsize = (SQInteger)_stack.size() * 2;
    while (newsize < needed) newsize *= 2;
    if (newsize > maxslots) newsize = maxslots;
    try {
        _stack.resize((size_t)newsize);
    } catch (const std::bad_alloc &) {
        RaiseOutOfMemory();
        return false;
    }
    RelocateOuters();
    return true;
}

void SQVM::PushGrowing(const SQObject &o) {
    SQObjectPtr copy(o);  // o may live in the stack being moved
    if (!EnsureStack(_top + 1 + SQ_MIN_STACK_OVERHEAD)) throw std::bad_alloc();
    _stack[(size_t)_top++] = copy;
}

bool SQVM::EnterFrame(SQInteger newbase, SQInteger newtop, bool tailcall) {
    if (!tailcall) {
        if (_callsstacksize >= MaxCallFrames()) {
            Raise_Error("stack overflow");
            return false;
        }
        if (_callsstacksize == (SQInteger)_callsstack.size()) {
            try {
                _callsstack.resize(_callsstack.size() * 2);
            } catch (const std::bad_alloc &) {
                RaiseOutOfMemory();
                return false;
            }
        }
        PushCallInfo(newbase);
    } else {
        ci->_ncalls++;
    }
    _stackbase = newbase;
    _top = newtop;
    if (!EnsureStack(newtop + SQ_MIN_STACK_OVERHEAD)) {
        if (!tailcall) LeaveFrame();
        return false;
    }
    return true;
}

void SQVM::RelocateOuters() {
    for (SQOuter *p = _openouters; p; p = p->_next) p->_valptr = &_stack[(size_t)p->_idx];
}

void SQVM::FindOuter(SQObjectPtr &target, SQObjectPtr *stackindex) {
    SQInteger idx = stackindex - _stack.data();
    for (SQOuter *p = _openouters; p; p = p->_next) {
        if (p->_idx == idx) {
            target = SQObjectPtr(p);
            return;
        }
    }
    SQOuter *otr = SQOuter::Create(_ss(this), stackindex);
    otr->_idx = idx;
    otr->_next = _openouters;
    otr->_uiRef++;  // the open list's reference
    _openouters = otr;
    target = SQObjectPtr(otr);
}

void SQVM::CloseOuters(SQObjectPtr *stackindex) {
    SQInteger idx = stackindex - _stack.data();
    SQOuter **pp = &_openouters;
    while (*pp) {
        SQOuter *p = *pp;
        if (p->_idx >= idx) {
            *pp = p->_next;
            p->_value = *p->_valptr;
            p->_valptr = &p->_value;
            p->_next = nullptr;
            if (--p->_uiRef == 0) p->Release();
        } else {
            pp = &p->_next;
        }
    }
}

// ---- calls

bool SQVM::StartCallGeneral(SQClosure *closure, SQInteger target, SQInteger args, SQInteger stackbase,
                            bool tailcall) {
    SQFunctionProto *func = closure->Proto();
    SQInteger newtop = stackbase + func->_stacksize;
    SQInteger paramssize = (SQInteger)func->_parameters.size();
    SQInteger nargs = args;
    if (!EnsureStack(newtop + SQ_MIN_STACK_OVERHEAD)) return false;
    if (func->_varparams) {
        paramssize--;
        if (nargs < paramssize) {
            Raise_Error("wrong number of parameters");
            return false;
        }
        SQInteger nvargs = nargs - paramssize;
        SQArray *arr = SQArray::Create(_ss(this), nvargs);
        SQObjectPtr arrHolder(arr);
        for (SQInteger n = 0; n < nvargs; n++) {
            arr->_values[(size_t)n] = _stack[(size_t)(stackbase + paramssize + n)];
            _stack[(size_t)(stackbase + paramssize + n)].Null();
        }
        _stack[(size_t)(stackbase + paramssize)] = arrHolder;
    } else if (paramssize != nargs) {
        SQInteger ndef = (SQInteger)func->_defaultparams.size();
        SQInteger diff;
        if (ndef && nargs < paramssize && (diff = paramssize - nargs) <= ndef) {
            for (SQInteger n = ndef - diff; n < ndef; n++)
                _stack[(size_t)(stackbase + (nargs++))] = closure->_defaultparams[(size_t)n];
        } else {
            Raise_Error("wrong number of parameters");
            return false;
        }
    }
    if (sqtype(closure->_env) != OT_NULL) _stack[(size_t)stackbase] = sq_realval(closure->_env);
    SQObjectPtr holder(closure);
    SQObjectPtr genHolder;
    if (func->_bgenerator) genHolder = SQGenerator::Create(_ss(this), closure);
    if (!EnterFrame(stackbase, newtop, tailcall)) return false;
    ci->_closure = holder;
    ci->_literals = func->_literals.data();
    ci->_ip = func->_instructions.data();
    ci->_target = (SQInt32)target;
    if (sqtype(_debughook) != OT_NULL) CallDebugHook('c');
    if (func->_bgenerator) {
        // Out of memory while the generator takes the frame over leaves the frame to the caller's
        // unwinding, as any failure after EnterFrame does.
        try {
            if (!_generator(genHolder)->Yield(this, func->_stacksize)) return false;
        } catch (const std::bad_alloc &) {
            RaiseOutOfMemory();
            return false;
        }
        bool isroot = ci->_root;
        SQInteger callerbase = _stackbase - ci->_prevstkbase;
        SQInteger tgt = ci->_target;
        LeaveFrame();
        if (!isroot && tgt != -1) _stack[(size_t)(callerbase + tgt)] = genHolder;
        temp_reg = genHolder;
    }
    return true;
}

bool SQVM::CallNative(SQNativeClosure *nclosure, SQInteger nargs, SQInteger newbase, SQObjectPtr &retval,
                      bool &suspend) {
    SQInteger nparamscheck = nclosure->_nparamscheck;
    SQInteger nouters = (SQInteger)nclosure->_outervalues.size();
    SQInteger newtop = newbase + nargs + nouters;
    suspend = false;
    if (_nnativecalls + 1 > MaxNativeCalls()) {
        Raise_Error("Native stack overflow");
        return false;
    }
    if (nparamscheck && (((nparamscheck > 0) && (nparamscheck != nargs)) || ((nparamscheck < 0) && (nargs < (-nparamscheck))))) {
        Raise_Error("wrong number of parameters");
        return false;
    }
    // The first min(nargs, mask positions) arguments; -1 (all bits) is a "." position.
    SQInteger checked = std::min(nargs, (SQInteger)nclosure->_typecheck.size());
    const SQInteger *masks = nclosure->_typecheck.data();
    const SQObjectPtr *args = &_stack[(size_t)newbase];
    for (SQInteger i = 0; i < checked; i++) {
        if (!(sqtype(args[i]) & masks[i])) {
            Raise_ParamTypeError(i, masks[i], sqtype(args[i]));
            return false;
        }
    }
    if (_callsstacksize < (SQInteger)_callsstack.size() && _callsstacksize < SQ_MAX_CALL_FRAMES &&
        newtop + SQ_MIN_STACK_OVERHEAD <= (SQInteger)_stack.size()) {
        PushCallInfo(newbase);  // EnterFrame's common case
        _stackbase = newbase;
        _top = newtop;
    } else if (!EnterFrame(newbase, newtop, false)) {
        return false;
    }
    ci->_closure = nclosure;  // the frame holds the closure for the call
    for (SQInteger i = 0; i < nouters; i++) _stack[(size_t)(newbase + nargs + i)] = nclosure->_outervalues[(size_t)i];
    if (sqtype(nclosure->_env) != OT_NULL) _stack[(size_t)newbase] = sq_realval(nclosure->_env);
    return FinishNative(RunNative(nclosure), retval, suspend);
}

SQInteger SQVM::RunNative(SQNativeClosure *nclosure) {
    _lasterror.Null();  // a native failing without setting an error reports null
    _nnativecalls++;
    SQInteger ret = SQ_ERROR;
    const bool outerOutOfMemory = _apioutofmemory;
    _apioutofmemory = false;
    // Natives run on the API, whose entry points catch; this catches what a native allocates itself.
    try {
        ret = (nclosure->_function)(this);
    } catch (const std::bad_alloc &) {
        _apioutofmemory = true;
    }
    if (_apioutofmemory) {
        RaiseOutOfMemory();
        ret = SQ_ERROR;
    }
    _apioutofmemory = outerOutOfMemory;
    _nnativecalls--;
    return ret;
}

bool SQVM::FinishNative(SQInteger ret, SQObjectPtr &retval, bool &suspend) {
    if (ret == SQ_SUSPEND_FLAG) {
        suspend = true;
    } else if (ret < 0) {
        SQObjectPtr err = _lasterror;
        LeaveFrame();
        Raise_Error(err);
        return false;
    }
    if (ret)
        retval.Swap(_stack[(size_t)(_top - 1)]);  // the slot goes with the frame
    else
        retval.Null();
    LeaveFrame();
    return true;
}

bool SQVM::Call(SQObjectPtr &closure, SQInteger nparams, SQInteger stackbase, SQObjectPtr &outres, SQBool raiseerror) {
    switch (sqtype(closure)) {
    case OT_CLOSURE: return Execute(closure, nparams, stackbase, outres, raiseerror);
    case OT_NATIVECLOSURE: {
        bool suspend;
        SQObjectPtr clo = closure;
        return CallNative(_nativeclosure(clo), nparams, stackbase, outres, suspend);
    }
    case OT_CLASS: {
        SQObjectPtr constr;
        SQObjectPtr temp;
        SQObjectPtr cls = closure;
        if (!CreateClassInstance(_class(cls), outres, constr)) return false;
        if (sqtype(constr) != OT_NULL) {
            _stack[(size_t)stackbase] = outres;
            return Call(constr, nparams, stackbase, temp, raiseerror);
        }
        return true;
    }
    default: Raise_Error("attempt to call '%s'", GetTypeName(closure)); return false;
    }
}

bool SQVM::CallMetaMethod(SQObjectPtr &closure, SQMetaMethod mm, SQInteger nparams, SQObjectPtr &outres) {
    (void)mm;
    SQObjectPtr clo = closure;
    _nmetamethodscall++;
    bool ok = Call(clo, nparams, _top - nparams, outres, SQFalse);
    _nmetamethodscall--;
    Pop(nparams);
    return ok;
}

bool SQVM::CreateClassInstance(SQClass *theclass, SQObjectPtr &inst, SQObjectPtr &constructor) {
    inst = theclass->CreateInstance();
    if (!theclass->GetConstructor(constructor)) constructor.Null();
    return true;
}

void SQVM::CallErrorHandler(SQObjectPtr &error) {
    if (sqtype(_errorhandler) != OT_NULL) {
        SQObjectPtr out;
        SQObjectPtr err = error;
        SQObjectPtr handler = _errorhandler;
        struct Stretch {
            bool &running;
            const bool was;
            ~Stretch() { running = was; }
        } stretch{_errorhandler_running, _errorhandler_running};
        _errorhandler_running = true;
        if (EnsureStack(_top + 2 + SQ_MIN_STACK_OVERHEAD)) {
            Push(_roottable);
            Push(err);
            Call(handler, 2, _top - 2, out, SQFalse);
            Pop(2);
        }
        _lasterror = err;  // the handler's own calls leave the error being reported
    }
}

void SQVM::CallDebugHook(SQInteger type, SQInteger forcedline) {
    if (_debughook_running || sqtype(ci->_closure) != OT_CLOSURE) return;
    _debughook_running = true;
    SQFunctionProto *func = _closure(ci->_closure)->Proto();
    SQObjectPtr hook = _debughook;
    SQObjectPtr ret;
    SQInteger line = forcedline ? forcedline : func->GetLine(ci->_ip - func->_instructions.data());
    EnsureStack(_top + 5 + SQ_MIN_STACK_OVERHEAD);
    Push(_roottable);
    Push(SQObjectPtr(type));
    Push(func->_sourcename);
    Push(SQObjectPtr(line));
    Push(func->_name);
    Call(hook, 5, _top - 5, ret, SQFalse);
    Pop(5);
    _debughook_running = false;
}
