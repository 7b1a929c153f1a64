// The interpreter loop. Registers are addressed through STK() on every access because any
// call out of the loop (natives, metamethods, release hooks) may move the value stack.
#include "squirrel/sqvm.h"

#define TARGET STK(arg0)
#define SARG1 (_i_._arg1)
#define SQ_THROW() \
    {              \
        goto exception_trap; \
    }
#define GUARD(exp)          \
    {                       \
        if (!(exp)) {       \
            SQ_THROW();     \
        }                   \
    }

bool SQVM::Execute(SQObjectPtr &closure, SQInteger nargs, SQInteger stackbase, SQObjectPtr &outres,
                   SQBool raiseerror, ExecutionType et) {
    if ((_nnativecalls + 1) > SQ_MAX_NATIVE_CALLS) {
        Raise_Error("Native stack overflow");
        return false;
    }
    _nnativecalls++;
    SQAutoDec ad(&_nnativecalls);
    SQInteger traps = 0;
    SQCallInfo *prevci = ci;
    SQInteger prevcss = _callsstacksize;
    (void)prevci;

    switch (et) {
    case ET_CALL: {
        temp_reg = closure;
        if (!StartCall(_closure(temp_reg), _top - nargs, nargs, stackbase, false)) {
            if (ci == nullptr) CallErrorHandler(_lasterror);
            return false;
        }
        if (_callsstacksize == prevcss) {  // a generator function returned its generator
            outres = temp_reg;
            return true;
        }
        ci->_root = true;
        break;
    }
    case ET_RESUME_GENERATOR: {
        SQObjectPtr gen = closure;
        if (!_generator(gen)->Resume(this, -1)) return false;
        ci->_root = true;
        traps += ci->_etraps;
        break;
    }
    case ET_RESUME_VM:
    case ET_RESUME_THROW_VM:
        traps = _suspended_traps;
        ci->_root = _suspended_root;
        _suspended = false;
        if (et == ET_RESUME_THROW_VM) SQ_THROW();
        break;
    }

exception_restore:
    for (;;) {
        const SQInstruction &_i_ = *ci->_ip++;
        const SQInteger arg0 = _i_._arg0;
        const SQInteger arg1 = _i_._arg1;
        const SQInteger arg2 = _i_._arg2;
        const SQInteger arg3 = _i_._arg3;
        switch (_i_.op) {
        case OP_LOAD: TARGET = ci->_literals[arg1]; continue;
        case OP_LOADINT: TARGET = (SQInteger)arg1; continue;
        case OP_LOADFLOAT: {
            SQFloat f;
            SQInt32 bits = _i_._arg1;
            std::memcpy(&f, &bits, sizeof(f));
            TARGET = f;
            continue;
        }
        case OP_LOADNULLS:
            for (SQInteger n = 0; n < arg1; n++) STK(arg0 + n).Null();
            continue;
        case OP_LOADBOOL: TARGET = arg1 != 0; continue;
        case OP_LOADROOT: TARGET = _roottable; continue;
        case OP_MOVE: TARGET = STK(arg1); continue;
        case OP_DMOVE:
            TARGET = STK(arg1);
            STK(arg2) = STK(arg3);
            continue;
        case OP_GETK: {
            SQObjectPtr &o = STK(arg2);
            SQObjectPtr &key = ci->_literals[arg1];
            if (sqtype(o) == OT_TABLE && _table(o)->Get(key, temp_reg)) {
                TARGET = temp_reg;
                continue;
            }
            GUARD(Get(o, key, temp_reg, false, arg2));
            TARGET = temp_reg;
            continue;
        }
        case OP_GET: {
            SQObjectPtr &o = STK(arg1);
            SQObjectPtr &key = STK(arg2);
            switch (sqtype(o)) {
            case OT_TABLE:
                if (_table(o)->Get(key, temp_reg)) {
                    TARGET = temp_reg;
                    continue;
                }
                break;
            case OT_ARRAY:
                if (sqtype(key) == OT_INTEGER && _array(o)->Get(_integer(key), temp_reg)) {
                    TARGET = temp_reg;
                    continue;
                }
                break;
            case OT_INSTANCE:
                if (_instance(o)->Get(key, temp_reg)) {
                    TARGET = temp_reg;
                    continue;
                }
                break;
            default: break;
            }
            GUARD(Get(o, key, temp_reg, false, arg1));
            TARGET = temp_reg;
            continue;
        }
        case OP_SET: {
            SQObjectPtr &o = STK(arg1);
            SQObjectPtr &key = STK(arg2);
            bool done = false;
            switch (sqtype(o)) {
            case OT_ARRAY:
                if (sqtype(key) == OT_INTEGER) done = _array(o)->Set(_integer(key), STK(arg3));
                break;
            case OT_INSTANCE: done = _instance(o)->Set(key, STK(arg3)); break;
            case OT_TABLE: done = _table(o)->Set(key, STK(arg3)); break;
            default: break;
            }
            if (!done) GUARD(Set(STK(arg1), STK(arg2), STK(arg3), arg1));
            if (arg0 != SQ_NO_TARGET) TARGET = STK(arg3);
            continue;
        }
        case OP_NEWSLOT:
            GUARD(NewSlot(STK(arg1), STK(arg2), STK(arg3), false));
            if (arg0 != SQ_NO_TARGET) TARGET = STK(arg3);
            continue;
        case OP_NEWSLOTA: {
            bool bstatic = (arg0 & 0x02) != 0;
            SQObjectPtr attrs;
            if (arg0 & 0x01) attrs = STK(arg2 - 1);
            GUARD(NewSlotA(STK(arg1), STK(arg2), STK(arg3), attrs, bstatic, false));
            continue;
        }
        case OP_DELETE: {
            SQObjectPtr res;
            GUARD(DeleteSlot(STK(arg1), STK(arg2), res));
            TARGET = res;
            continue;
        }
        case OP_PREPCALL:
        case OP_PREPCALLK: {
            SQObjectPtr key = _i_.op == OP_PREPCALLK ? ci->_literals[arg1] : STK(arg1);
            SQObjectPtr &o = STK(arg2);
            bool found = false;
            if (sqtype(o) == OT_INSTANCE) {
                found = _instance(o)->Get(key, temp_reg);
            } else if (sqtype(o) == OT_TABLE) {
                found = _table(o)->Get(key, temp_reg);
            }
            if (!found) GUARD(Get(STK(arg2), key, temp_reg, false, arg2));
            STK(arg3) = STK(arg2);
            TARGET = temp_reg;
            continue;
        }
        case OP_TAILCALL: {
            SQObjectPtr clo = STK(arg1);
            if (sqtype(clo) == OT_CLOSURE && !_closure(clo)->Proto()->_bgenerator && !ci->_generator && ci->_etraps == 0) {
                if (_openouters) CloseOuters(&_stack[(size_t)_stackbase]);
                for (SQInteger i = 0; i < arg3; i++) STK(i) = STK(arg2 + i);
                SQInteger target = ci->_target;
                GUARD(StartCall(_closure(clo), target, arg3, _stackbase, true));
                continue;
            }
        }
            // fall through
        case OP_CALL: {
            SQObjectPtr clo = STK(arg1);
            switch (sqtype(clo)) {
            case OT_CLOSURE:
                GUARD(StartCall(_closure(clo), arg0, arg3, _stackbase + arg2, false));
                continue;
            case OT_NATIVECLOSURE: {
                bool suspend;
                SQObjectPtr ret;
                GUARD(CallNative(_nativeclosure(clo), arg3, _stackbase + arg2, ret, suspend));
                if (suspend) {
                    _suspended = true;
                    _suspended_target = arg0;
                    _suspended_root = ci->_root;
                    _suspended_traps = traps;
                    outres = ret;
                    return true;
                }
                TARGET = ret;
                continue;
            }
            case OT_CLASS: {
                SQObjectPtr inst, constr;
                GUARD(CreateClassInstance(_class(clo), inst, constr));
                TARGET = inst;
                switch (sqtype(constr)) {
                case OT_CLOSURE:
                    STK(arg2) = inst;
                    GUARD(StartCall(_closure(constr), -1, arg3, _stackbase + arg2, false));
                    break;
                case OT_NATIVECLOSURE: {
                    bool suspend;
                    SQObjectPtr ret;
                    STK(arg2) = inst;
                    GUARD(CallNative(_nativeclosure(constr), arg3, _stackbase + arg2, ret, suspend));
                    break;
                }
                default: break;
                }
                continue;
            }
            case OT_TABLE:
            case OT_USERDATA:
            case OT_INSTANCE: {
                SQObjectPtr mm;
                if (GetMetaMethodOf(clo, MT_CALL, mm)) {
                    Push(clo);
                    for (SQInteger i = 0; i < arg3; i++) Push(STK(arg2 + i));
                    SQObjectPtr ret;
                    GUARD(CallMetaMethod(mm, MT_CALL, arg3 + 1, ret));
                    TARGET = ret;
                    continue;
                }
            }
                // fall through
            default: Raise_Error("attempt to call '%s'", GetTypeName(clo)); SQ_THROW();
            }
        }
        case OP_ADD: {
            SQObjectPtr &l = STK(arg2), &r = STK(arg1);
            if ((sqtype(l) | sqtype(r)) == OT_INTEGER) {
                TARGET = (SQInteger)((SQUnsignedInteger)_integer(l) + (SQUnsignedInteger)_integer(r));
                continue;
            }
            SQObjectPtr res;
            GUARD(Arith('+', res, l, r));
            TARGET = res;
            continue;
        }
        case OP_SUB: {
            SQObjectPtr &l = STK(arg2), &r = STK(arg1);
            if ((sqtype(l) | sqtype(r)) == OT_INTEGER) {
                TARGET = (SQInteger)((SQUnsignedInteger)_integer(l) - (SQUnsignedInteger)_integer(r));
                continue;
            }
            SQObjectPtr res;
            GUARD(Arith('-', res, l, r));
            TARGET = res;
            continue;
        }
        case OP_MUL: {
            SQObjectPtr &l = STK(arg2), &r = STK(arg1);
            if ((sqtype(l) | sqtype(r)) == OT_INTEGER) {
                TARGET = (SQInteger)((SQUnsignedInteger)_integer(l) * (SQUnsignedInteger)_integer(r));
                continue;
            }
            SQObjectPtr res;
            GUARD(Arith('*', res, l, r));
            TARGET = res;
            continue;
        }
        case OP_DIV:
        case OP_MOD: {
            SQObjectPtr res;
            GUARD(Arith(_i_.op == OP_DIV ? '/' : '%', res, STK(arg2), STK(arg1)));
            TARGET = res;
            continue;
        }
        case OP_BITW: {
            SQObjectPtr res;
            GUARD(BitwiseOp(arg3, res, STK(arg2), STK(arg1)));
            TARGET = res;
            continue;
        }
        case OP_EQ:
        case OP_NE: {
            bool res;
            IsEqual(STK(arg2), arg3 ? ci->_literals[arg1] : STK(arg1), res);
            TARGET = (_i_.op == OP_EQ) ? res : !res;
            continue;
        }
        case OP_CMP: {
            SQObjectPtr &l = STK(arg2), &r = STK(arg1);
            if ((sqtype(l) | sqtype(r)) == OT_INTEGER && arg3 != CMP_3W) {
                SQInteger a = _integer(l), b = _integer(r);
                bool res = false;
                switch (arg3) {
                case CMP_G: res = a > b; break;
                case CMP_GE: res = a >= b; break;
                case CMP_L: res = a < b; break;
                case CMP_LE: res = a <= b; break;
                }
                TARGET = res;
                continue;
            }
            SQObjectPtr res;
            GUARD(CmpOp(arg3, STK(arg2), STK(arg1), res));
            TARGET = res;
            continue;
        }
        case OP_EXISTS: {
            SQObjectPtr tmp;
            bool res = Get(STK(arg1), STK(arg2), tmp, true, SQ_DONT_FALL_BACK);
            TARGET = res;
            continue;
        }
        case OP_INSTANCEOF: {
            if (sqtype(STK(arg1)) != OT_CLASS) {
                Raise_Error("cannot apply instanceof between a %s and a %s", GetTypeName(STK(arg1)),
                            GetTypeName(STK(arg2)));
                SQ_THROW();
            }
            bool res = sqtype(STK(arg2)) == OT_INSTANCE && _instance(STK(arg2))->InstanceOf(_class(STK(arg1)));
            TARGET = res;
            continue;
        }
        case OP_AND:
            if (SQ_IsFalse(STK(arg2))) {
                TARGET = STK(arg2);
                ci->_ip += arg1;
            }
            continue;
        case OP_OR:
            if (!SQ_IsFalse(STK(arg2))) {
                TARGET = STK(arg2);
                ci->_ip += arg1;
            }
            continue;
        case OP_NEG: {
            SQObjectPtr res;
            GUARD(NegOp(res, STK(arg1)));
            TARGET = res;
            continue;
        }
        case OP_NOT: TARGET = SQ_IsFalse(STK(arg1)); continue;
        case OP_BWNOT:
            if (sqtype(STK(arg1)) == OT_INTEGER) {
                TARGET = (SQInteger)(~_integer(STK(arg1)));
                continue;
            }
            Raise_Error("attempt to perform a bitwise op on a %s", GetTypeName(STK(arg1)));
            SQ_THROW();
        case OP_JMP: ci->_ip += arg1; continue;
        case OP_JZ:
            if (SQ_IsFalse(STK(arg0))) ci->_ip += arg1;
            continue;
        case OP_JNZ:
            if (!SQ_IsFalse(STK(arg0))) ci->_ip += arg1;
            continue;
        case OP_GETOUTER: {
            SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
            TARGET = *(otr->_valptr);
            continue;
        }
        case OP_SETOUTER: {
            SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
            *(otr->_valptr) = STK(arg2);
            if (arg0 != SQ_NO_TARGET) TARGET = STK(arg2);
            continue;
        }
        case OP_NEWTABLE: TARGET = SQTable::Create(_ss(this), arg1); continue;
        case OP_NEWARRAY: {
            SQArray *a = SQArray::Create(_ss(this), 0);
            TARGET = a;
            a->Reserve(arg1);
            continue;
        }
        case OP_APPENDARRAY:
            if (sqtype(STK(arg0)) != OT_ARRAY) {  // only loaded bytecode can get here
                Raise_Error("appending to a %s", GetTypeName(STK(arg0)));
                SQ_THROW();
            }
            _array(STK(arg0))->Append(STK(arg1));
            continue;
        case OP_NEWCLASS: {
            SQObjectPtr res;
            GUARD(CLASS_OP(res, arg1, arg2));
            TARGET = res;
            continue;
        }
        case OP_COMPARITH: {
            SQInteger selfidx = (SQInteger)(((SQUnsignedInteger)arg1 & 0xFFFF0000) >> 16);
            SQObjectPtr res;
            GUARD(DerefInc(arg3, res, STK(selfidx), STK(arg2), STK(arg1 & 0x0000FFFF), false, selfidx));
            TARGET = res;
            continue;
        }
        case OP_INC:
        case OP_PINC: {
            SQObjectPtr incr((SQInteger)(signed char)arg3);
            SQObjectPtr res;
            GUARD(DerefInc('+', res, STK(arg1), STK(arg2), incr, _i_.op == OP_PINC, arg1));
            TARGET = res;
            continue;
        }
        case OP_INCL:
        case OP_PINCL: {
            SQObjectPtr &a = STK(arg1);
            SQInteger diff = (signed char)arg3;
            if (sqtype(a) == OT_INTEGER) {
                SQInteger old = _integer(a);
                a._unVal.nInteger = (SQInteger)((SQUnsignedInteger)old + (SQUnsignedInteger)diff);
                if (_i_.op == OP_PINCL) {
                    TARGET = old;
                } else if (arg0 != arg1) {
                    TARGET = STK(arg1);
                }
                continue;
            }
            SQObjectPtr old = a, res, incr(diff);
            GUARD(Arith('+', res, old, incr));
            STK(arg1) = res;
            TARGET = (_i_.op == OP_PINCL) ? old : res;
            continue;
        }
        case OP_CLOSURE: {
            SQClosure *c = _closure(ci->_closure);
            SQFunctionProto *fp = c->Proto();
            SQObjectPtr res;
            GUARD(CLOSURE_OP(res, _funcproto(fp->_functions[(size_t)arg1])));
            TARGET = res;
            continue;
        }
        case OP_YIELD: {
            if (ci->_generator) {
                if (arg0 != SQ_NO_TARGET) temp_reg = STK(arg1);
                SQGenerator *gen = ci->_generator;
                GUARD(gen->Yield(this, arg2));
                traps -= ci->_etraps;
                SQObjectPtr retval = arg0 != SQ_NO_TARGET ? temp_reg : SQObjectPtr();
                bool isroot = ci->_root;
                SQInteger callerbase = _stackbase - ci->_prevstkbase;
                SQInteger tgt = ci->_target;
                LeaveFrame();
                if (isroot) {
                    outres = retval;
                    return true;
                }
                if (tgt != -1) _stack[(size_t)(callerbase + tgt)] = retval;
                continue;
            }
            Raise_Error("trying to yield a '%s',only genenerator can be yielded", "null");
            SQ_THROW();
        }
        case OP_RESUME: {
            if (sqtype(STK(arg1)) != OT_GENERATOR) {
                Raise_Error("trying to resume a '%s',only genenerator can be resumed", GetTypeName(STK(arg1)));
                SQ_THROW();
            }
            SQObjectPtr gen = STK(arg1);
            GUARD(_generator(gen)->Resume(this, arg0));
            traps += ci->_etraps;
            continue;
        }
        case OP_RETURN: {
            SQObjectPtr retval;
            if (arg0 != SQ_NO_TARGET) retval = STK(arg1);
            if (ci->_generator) ci->_generator->Kill();
            if (sqtype(_debughook) != OT_NULL) {
                for (SQInteger i = 0; i < ci->_ncalls; i++) CallDebugHook('r');
            }
            bool isroot = ci->_root;
            SQInteger callerbase = _stackbase - ci->_prevstkbase;
            SQInteger tgt = ci->_target;
            for (SQInt32 i = 0; i < ci->_etraps; i++) {
                _etraps.pop_back();
                traps--;
            }
            LeaveFrame();
            if (isroot) {
                outres = retval;
                return true;
            }
            if (tgt != -1) _stack[(size_t)(callerbase + tgt)] = retval;
            continue;
        }
        case OP_FOREACH: {
            int tojump;
            GUARD(FOREACH_OP(STK(arg0), STK(arg2), STK(arg2 + 1), STK(arg2 + 2), arg2, (int)arg1, tojump));
            ci->_ip += tojump;
            continue;
        }
        case OP_POSTFOREACH:
            if (sqtype(STK(arg0)) == OT_GENERATOR && _generator(STK(arg0))->_state == SQGenerator::eDead)
                ci->_ip += (arg1 - 1);
            continue;
        case OP_CLONE: {
            SQObjectPtr res;
            GUARD(Clone(STK(arg1), res));
            TARGET = res;
            continue;
        }
        case OP_TYPEOF: {
            SQObjectPtr res;
            GUARD(TypeOf(STK(arg1), res));
            TARGET = res;
            continue;
        }
        case OP_PUSHTRAP: {
            SQExceptionTrap trap;
            trap._stackbase = _stackbase;
            trap._stacksize = _top;
            trap._ip = ci->_ip + arg1;
            trap._extarget = arg0;
            _etraps.push_back(trap);
            traps++;
            ci->_etraps++;
            continue;
        }
        case OP_POPTRAP:
            for (SQInteger i = 0; i < arg1; i++) {
                _etraps.pop_back();
                traps--;
                ci->_etraps--;
            }
            continue;
        case OP_THROW: Raise_Error(TARGET); SQ_THROW();
        case OP_GETBASE: {
            SQClosure *clo = _closure(ci->_closure);
            if (clo->_base)
                TARGET = SQObjectPtr(clo->_base);
            else
                TARGET.Null();
            continue;
        }
        case OP_CLOSE:
            if (_openouters) CloseOuters(&STK(arg1));
            continue;
        case OP_LINE:
            if (sqtype(_debughook) != OT_NULL) CallDebugHook('l', arg1);
            continue;
        default: assert(0); continue;
        }
    }

exception_trap : {
    SQObjectPtr currerror = _lasterror;
    if (_ss(this)->_notifyallexceptions || (!traps && raiseerror)) CallErrorHandler(currerror);
    while (ci) {
        if (ci->_etraps > 0) {
            SQExceptionTrap trap = _etraps.back();
            _etraps.pop_back();
            traps--;
            ci->_etraps--;
            SQInteger last_top = _top;
            ci->_ip = trap._ip;
            _top = trap._stacksize;
            _stackbase = trap._stackbase;
            if (_openouters) CloseOuters(&_stack[(size_t)_top]);
            while (last_top > _top) _stack[(size_t)--last_top].Null();
            _stack[(size_t)(_stackbase + trap._extarget)] = currerror;
            goto exception_restore;
        } else if (sqtype(_debughook) != OT_NULL) {
            for (SQInteger i = 0; i < ci->_ncalls; i++) CallDebugHook('r');
        }
        if (ci->_generator) ci->_generator->Kill();
        bool mustbreak = ci->_root;
        LeaveFrame();
        if (mustbreak) break;
    }
    _lasterror = currerror;
    return false;
}
}
