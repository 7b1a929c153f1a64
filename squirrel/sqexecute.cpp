// The interpreter loop. Execute keeps the running frame's instruction pointer and register base
// in locals (ip, stk) and runs the common cases inline: numbers, register moves, slot lookups
// with string keys, `in` on a table, foreach over an array, captured variables, script-to-script
// calls, tail calls and returns (a return to native code included), calls of native functions,
// new tables and new slots in plain tables. Everything else goes through ExecuteOp,
// out of line, after ip is stored back into ci->_ip; the locals are reloaded afterwards, since
// that code may change the frame or move the value stack. Keeping the calls out of the loop
// lets the compiler hold ip and stk in registers.
//
// Every inline case does what ExecuteOp would do with its operands, and hands anything else to
// ExecuteOp (GENERAL) before it changes a register: errors, metamethods, delegates and their
// messages live in one place. Fused opcodes (sqopcodes.h) follow the same rule. A value the loop
// overwrites may be the last reference to an object whose release hook runs script code, so
// such releases wait until the loop's locals are consistent again (RELEASE_DEAD).
//
// Calls through a table (PREPCALL, PREPCALLK: mostly a global function found in the root
// table) remember the node where the key was found last (callcache, an SQTable::SlotCache): the
// next call tries that node first. The cache holds no reference; it trusts the node only while
// the table it reads has the same node array and the node still holds the same string, so a
// rehash or the removal of the key makes it miss (sqtable.h). One cache serves every table.
//
// The exception path (exception_trap, at the end) unwinds to the innermost trap of this
// Execute as described in sqvm.h.
#include "squirrel/sqvm.h"

#include <utility>

#if defined(__GNUC__) && !defined(SQ_NO_COMPUTED_GOTO)
#define SQ_COMPUTED_GOTO 1
#else
#define SQ_COMPUTED_GOTO 0
#endif

#if defined(__GNUC__)
#define SQ_LIKELY(x) __builtin_expect(!!(x), 1)
#define SQ_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define SQ_LIKELY(x) (x)
#define SQ_UNLIKELY(x) (x)
#endif

namespace {

inline bool IsFalse(const SQObject &o) {
    return (sqtype(o) & SQOBJECT_CANBEFALSE) &&
           ((sqtype(o) == OT_FLOAT) ? (_float(o) == SQFloat(0.0)) : (_integer(o) == 0));
}

// Copies src into dst with a new reference. Returns the old value of dst when that was its
// last reference: the caller releases it once the loop's locals are safe to leave.
inline SQRefCounted *AssignRaw(SQObject &dst, const SQObject &src) {
    SQObjectType oldType = dst._type;
    SQRefCounted *old = dst._unVal.pRefCounted;
    if (ISREFCOUNTED(src._type)) src._unVal.pRefCounted->_uiRef++;
    dst._type = src._type;
    dst._unVal = src._unVal;
    if (ISREFCOUNTED(oldType) && --old->_uiRef == 0) return old;
    return nullptr;
}

// Moves src, which owns one reference, into dst. Same contract as AssignRaw. Used mostly to
// store numbers, so dst mostly holds a number already.
inline SQRefCounted *MoveRaw(SQObject &dst, const SQObject &src) {
    SQObjectType oldType = dst._type;
    SQRefCounted *old = dst._unVal.pRefCounted;
    dst._type = src._type;
    dst._unVal = src._unVal;
    if (SQ_UNLIKELY(ISREFCOUNTED(oldType)) && --old->_uiRef == 0) return old;
    return nullptr;
}

// Stores a number in a slot already holding one, as whole words: a later full-width read of
// the slot then forwards from one store instead of stalling on a partial one.
inline void StoreInteger(SQObject &slot, SQInteger n) {
    SQObjectValue v;
    v.raw = 0;
    v.nInteger = n;
    slot._type = OT_INTEGER;
    slot._unVal = v;
}
inline void StoreFloat(SQObject &slot, SQFloat f) {
    SQObjectValue v;
    v.raw = 0;
    v.fFloat = f;
    slot._type = OT_FLOAT;
    slot._unVal = v;
}

// The slot holding key in a table or an instance, as a plain get reads it (a field's weak
// reference resolved); null when the get needs more (delegates, metamethods, a missing key).
inline const SQObject *ReadSlot(const SQObject &o, const SQObjectPtr &key, SQTable::SlotCache *cache = nullptr) {
    const SQObject *slot = nullptr;
    if (sqtype(o) == OT_INSTANCE) {
        bool isfield = false;
        slot = _instance(o)->GetMemberSlot(key, isfield);
        if (!isfield) return slot;
    } else if (sqtype(o) == OT_TABLE) {
        slot = cache ? _table(o)->GetSlot(key, *cache) : _table(o)->GetSlot(key);
    }
    return slot ? &sq_realval(*slot) : nullptr;
}

// The order of two numbers as SQVM::ObjCmp reports it (its sign only).
inline SQInteger CompareNumbers(const SQObject &a, const SQObject &b) {
    if (sqtype(a) == OT_INTEGER && sqtype(b) == OT_INTEGER)
        return _integer(a) < _integer(b) ? -1 : (_integer(a) > _integer(b) ? 1 : 0);
    if (sqtype(a) == OT_FLOAT && sqtype(b) == OT_FLOAT) {
        if (_rawval(a) == _rawval(b)) return 0;
        return _float(a) < _float(b) ? -1 : 1;
    }
    SQFloat f1 = tofloat(a), f2 = tofloat(b);
    return (f1 == f2) ? 0 : (f1 < f2 ? -1 : 1);
}

// Whether an order r in {-1, 0, 1} satisfies the comparison op (CMP_G .. CMP_LE): bit r + 1 of
// the op's mask.
inline bool CmpResult(SQInteger op, SQInteger r) {
    static const unsigned char kOrderMasks[4] = {4, 6, 1, 3};
    return (kOrderMasks[op] >> (r + 1)) & 1;
}

// The comparison op (CMP_G .. CMP_LE) between two integers.
inline bool CompareIntegers(SQInteger op, SQInteger a, SQInteger b) {
    switch (op) {
    case CMP_G: return a > b;
    case CMP_GE: return a >= b;
    case CMP_L: return a < b;
    default: return a <= b;
    }
}

}  // namespace

// ---- the general path of every instruction

#define arg0 ((SQInteger)ins._arg0)
#define arg1 ((SQInteger)ins._arg1)
#define arg2 ((SQInteger)ins._arg2)
#define arg3 ((SQInteger)ins._arg3)
#define TARGET STK(arg0)
#define GUARD(exp)                    \
    {                                 \
        if (!(exp)) return OPR_THROW; \
    }

SQVM::OpResult SQVM::ExecuteOp(SQInteger &traps, SQObjectPtr &outres) {
    SQInstruction ins = ci->_ip[-1];  // a copy: the frame may change below
    ins.op = SQBaseOpcode(ins.op);
    switch (ins.op) {
    case OP_LOAD: TARGET = ci->_literals[arg1]; return OPR_NEXT;
    case OP_LOADINT: TARGET = (SQInteger)arg1; return OPR_NEXT;
    case OP_LOADFLOAT: {
        SQFloat f;
        SQInt32 bits = ins._arg1;
        std::memcpy(&f, &bits, sizeof(f));
        TARGET = f;
        return OPR_NEXT;
    }
    case OP_LOADNULLS:
        for (SQInteger n = 0; n < arg1; n++) STK(arg0 + n).Null();
        return OPR_NEXT;
    case OP_LOADBOOL: TARGET = arg1 != 0; return OPR_NEXT;
    case OP_LOADROOT: TARGET = _roottable; return OPR_NEXT;
    case OP_MOVE: TARGET = STK(arg1); return OPR_NEXT;
    case OP_DMOVE:
        TARGET = STK(arg1);
        STK(arg2) = STK(arg3);
        return OPR_NEXT;
    case OP_GETK:
        GUARD(Get(STK(arg2), ci->_literals[arg1], temp_reg, false, arg2));
        TARGET = temp_reg;
        return OPR_NEXT;
    case OP_GET:
        GUARD(Get(STK(arg1), STK(arg2), temp_reg, false, arg1));
        TARGET = temp_reg;
        return OPR_NEXT;
    case OP_SET:
        GUARD(Set(STK(arg1), STK(arg2), STK(arg3), arg1));
        if (arg0 != SQ_NO_TARGET) TARGET = STK(arg3);
        return OPR_NEXT;
    case OP_NEWSLOT:
        GUARD(NewSlot(STK(arg1), STK(arg2), STK(arg3), false));
        if (arg0 != SQ_NO_TARGET) TARGET = STK(arg3);
        return OPR_NEXT;
    case OP_NEWSLOTA: {
        bool bstatic = (arg0 & 0x02) != 0;
        SQObjectPtr attrs;
        if (arg0 & 0x01) attrs = STK(arg2 - 1);
        GUARD(NewSlotA(STK(arg1), STK(arg2), STK(arg3), attrs, bstatic, false));
        return OPR_NEXT;
    }
    case OP_DELETE: {
        SQObjectPtr res;
        GUARD(DeleteSlot(STK(arg1), STK(arg2), res));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_PREPCALL:
    case OP_PREPCALLK: {
        SQObjectPtr key = ins.op == OP_PREPCALLK ? ci->_literals[arg1] : STK(arg1);
        GUARD(Get(STK(arg2), key, temp_reg, false, arg2));
        STK(arg3) = STK(arg2);
        TARGET = temp_reg;
        return OPR_NEXT;
    }
    case OP_TAILCALL: {
        SQObjectPtr clo = STK(arg1);
        if (sqtype(clo) == OT_CLOSURE && !_closure(clo)->Proto()->_bgenerator && !ci->_generator &&
            ci->_etraps == 0) {
            if (_openouters) CloseOuters(&_stack[(size_t)_stackbase]);
            for (SQInteger i = 0; i < arg3; i++) STK(i) = STK(arg2 + i);
            SQInteger target = ci->_target;
            GUARD(StartCall(_closure(clo), target, arg3, _stackbase, true));
            return OPR_NEXT;
        }
    }
        [[fallthrough]];
    case OP_CALL: {
        SQObjectPtr clo = STK(arg1);
        switch (sqtype(clo)) {
        case OT_CLOSURE:
            GUARD(StartCall(_closure(clo), arg0, arg3, _stackbase + arg2, false));
            return OPR_NEXT;
        case OT_NATIVECLOSURE: {
            bool suspend;
            SQObjectPtr ret;
            GUARD(CallNative(_nativeclosure(clo), arg3, _stackbase + arg2, ret, suspend));
            if (suspend) {
                MarkSuspended(arg0, traps);
                outres = ret;
                return OPR_LEAVE;
            }
            TARGET = ret;
            return OPR_NEXT;
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
            return OPR_NEXT;
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
                return OPR_NEXT;
            }
        }
            [[fallthrough]];
        default: Raise_Error("attempt to call '%s'", GetTypeName(clo)); return OPR_THROW;
        }
    }
    case OP_ADD:
    case OP_SUB:
    case OP_MUL:
    case OP_DIV:
    case OP_MOD: {
        static const char kArithOps[] = {'+', '-', '*', '/', '%'};
        SQObjectPtr res;
        GUARD(Arith(kArithOps[ins.op - OP_ADD], res, STK(arg2), STK(arg1)));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_BITW: {
        SQObjectPtr res;
        GUARD(BitwiseOp(arg3, res, STK(arg2), STK(arg1)));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_EQ:
    case OP_NE: {
        bool res;
        IsEqual(STK(arg2), arg3 ? ci->_literals[arg1] : STK(arg1), res);
        TARGET = (ins.op == OP_EQ) ? res : !res;
        return OPR_NEXT;
    }
    case OP_CMP: {
        SQObjectPtr res;
        GUARD(CmpOp(arg3, STK(arg2), STK(arg1), res));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_EXISTS: TARGET = Exists(STK(arg1), STK(arg2)); return OPR_NEXT;
    case OP_INSTANCEOF: {
        if (sqtype(STK(arg1)) != OT_CLASS) {
            Raise_Error("cannot apply instanceof between a %s and a %s", GetTypeName(STK(arg1)),
                        GetTypeName(STK(arg2)));
            return OPR_THROW;
        }
        bool res = sqtype(STK(arg2)) == OT_INSTANCE && _instance(STK(arg2))->InstanceOf(_class(STK(arg1)));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_AND:
        if (SQ_IsFalse(STK(arg2))) {
            TARGET = STK(arg2);
            ci->_ip += arg1;
        }
        return OPR_NEXT;
    case OP_OR:
        if (!SQ_IsFalse(STK(arg2))) {
            TARGET = STK(arg2);
            ci->_ip += arg1;
        }
        return OPR_NEXT;
    case OP_NEG: {
        SQObjectPtr res;
        GUARD(NegOp(res, STK(arg1)));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_NOT: TARGET = SQ_IsFalse(STK(arg1)); return OPR_NEXT;
    case OP_BWNOT:
        if (sqtype(STK(arg1)) == OT_INTEGER) {
            TARGET = (SQInteger)(~_integer(STK(arg1)));
            return OPR_NEXT;
        }
        Raise_Error("attempt to perform a bitwise op on a %s", GetTypeName(STK(arg1)));
        return OPR_THROW;
    case OP_JMP: ci->_ip += arg1; return OPR_NEXT;
    case OP_JZ:
        if (SQ_IsFalse(STK(arg0))) ci->_ip += arg1;
        return OPR_NEXT;
    case OP_JNZ:
        if (!SQ_IsFalse(STK(arg0))) ci->_ip += arg1;
        return OPR_NEXT;
    case OP_GETOUTER: {
        SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
        TARGET = *(otr->_valptr);
        return OPR_NEXT;
    }
    case OP_SETOUTER: {
        SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
        *(otr->_valptr) = STK(arg2);
        if (arg0 != SQ_NO_TARGET) TARGET = STK(arg2);
        return OPR_NEXT;
    }
    case OP_NEWTABLE: TARGET = SQTable::Create(_ss(this), arg1); return OPR_NEXT;
    case OP_NEWARRAY: {
        SQArray *a = SQArray::Create(_ss(this), 0);
        TARGET = a;
        a->Reserve(arg1);
        return OPR_NEXT;
    }
    case OP_APPENDARRAY:
        if (sqtype(STK(arg0)) != OT_ARRAY) {  // only loaded bytecode can get here
            Raise_Error("appending to a %s", GetTypeName(STK(arg0)));
            return OPR_THROW;
        }
        _array(STK(arg0))->Append(STK(arg1));
        return OPR_NEXT;
    case OP_NEWCLASS: {
        SQObjectPtr res;
        GUARD(CLASS_OP(res, arg1, arg2));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_COMPARITH: {
        SQInteger selfidx = (SQInteger)(((SQUnsignedInteger)arg1 & 0xFFFF0000) >> 16);
        SQObjectPtr res;
        GUARD(DerefInc(arg3, res, STK(selfidx), STK(arg2), STK(arg1 & 0x0000FFFF), false, selfidx));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_INC:
    case OP_PINC: {
        SQObjectPtr incr((SQInteger)(signed char)arg3);
        SQObjectPtr res;
        GUARD(DerefInc('+', res, STK(arg1), STK(arg2), incr, ins.op == OP_PINC, arg1));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_INCL:
    case OP_PINCL: {
        SQInteger diff = (signed char)arg3;
        SQObjectPtr old = STK(arg1), res, incr(diff);
        if (sqtype(old) == OT_INTEGER) {
            res = (SQInteger)((SQUnsignedInteger)_integer(old) + (SQUnsignedInteger)diff);
        } else {
            GUARD(Arith('+', res, old, incr));
        }
        STK(arg1) = res;
        if (ins.op == OP_PINCL)
            TARGET = old;
        else if (arg0 != arg1)
            TARGET = res;
        return OPR_NEXT;
    }
    case OP_CLOSURE: {
        SQClosure *c = _closure(ci->_closure);
        SQFunctionProto *fp = c->Proto();
        SQObjectPtr res;
        GUARD(CLOSURE_OP(res, _funcproto(fp->_functions[(size_t)arg1])));
        TARGET = res;
        return OPR_NEXT;
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
                return OPR_LEAVE;
            }
            if (tgt != -1) _stack[(size_t)(callerbase + tgt)] = retval;
            return OPR_NEXT;
        }
        Raise_Error("trying to yield a '%s',only genenerator can be yielded", "null");
        return OPR_THROW;
    }
    case OP_RESUME: {
        if (sqtype(STK(arg1)) != OT_GENERATOR) {
            Raise_Error("trying to resume a '%s',only genenerator can be resumed", GetTypeName(STK(arg1)));
            return OPR_THROW;
        }
        SQObjectPtr gen = STK(arg1);
        GUARD(_generator(gen)->Resume(this, arg0));
        traps += ci->_etraps;
        return OPR_NEXT;
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
            return OPR_LEAVE;
        }
        if (tgt != -1) _stack[(size_t)(callerbase + tgt)] = retval;
        return OPR_NEXT;
    }
    case OP_FOREACH: {
        int tojump;
        GUARD(FOREACH_OP(STK(arg0), STK(arg2), STK(arg2 + 1), STK(arg2 + 2), arg2, (int)arg1, tojump));
        ci->_ip += tojump;
        return OPR_NEXT;
    }
    case OP_POSTFOREACH:
        if (sqtype(STK(arg0)) == OT_GENERATOR && _generator(STK(arg0))->_state == SQGenerator::eDead)
            ci->_ip += (arg1 - 1);
        return OPR_NEXT;
    case OP_CLONE: {
        SQObjectPtr res;
        GUARD(Clone(STK(arg1), res));
        TARGET = res;
        return OPR_NEXT;
    }
    case OP_TYPEOF: {
        SQObjectPtr res;
        GUARD(TypeOf(STK(arg1), res));
        TARGET = res;
        return OPR_NEXT;
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
        return OPR_NEXT;
    }
    case OP_POPTRAP:
        // Only this frame's own traps: a loaded closure may ask for more than it pushed.
        for (SQInteger i = 0; i < arg1 && ci->_etraps > 0; i++) {
            _etraps.pop_back();
            traps--;
            ci->_etraps--;
        }
        return OPR_NEXT;
    case OP_THROW: Raise_Error(TARGET); return OPR_THROW;
    case OP_GETBASE: {
        SQClosure *clo = _closure(ci->_closure);
        if (clo->_base)
            TARGET = SQObjectPtr(clo->_base);
        else
            TARGET.Null();
        return OPR_NEXT;
    }
    case OP_CLOSE:
        if (_openouters) CloseOuters(&STK(arg1));
        return OPR_NEXT;
    case OP_LINE:
        if (sqtype(_debughook) != OT_NULL) CallDebugHook('l', arg1);
        return OPR_NEXT;
    default: assert(0); return OPR_NEXT;
    }
}

#undef arg0
#undef arg1
#undef arg2
#undef arg3
#undef TARGET
#undef GUARD

// ---- the loop

// The running instruction is ip[-1]: its operands must be read before ip moves.
#define INS (ip[-1])
#define arg0 ((SQInteger)INS._arg0)
#define arg1 ((SQInteger)INS._arg1)
#define arg2 ((SQInteger)INS._arg2)
#define arg3 ((SQInteger)INS._arg3)
#define R(a) stk[(a)]
#define TARGET R(arg0)

#define SYNC_OUT() (ci->_ip = ip)
#define SYNC_IN() (ip = ci->_ip, stk = _stack.data() + _stackbase, lits = ci->_literals)
#define SQ_THROW() goto exception_trap
// Frees an object whose last reference went; its release hook may run any code.
#define RELEASE_DEAD(dead)                 \
    {                                      \
        SQRefCounted *dead_ = (dead);      \
        if (SQ_UNLIKELY(dead_ != nullptr)) { \
            SYNC_OUT();                    \
            dead_->Release();              \
            SYNC_IN();                     \
        }                                  \
    }
#define ASSIGN(dst, src) RELEASE_DEAD(AssignRaw((dst), (src)))
// temp_reg keeps the last value fetched; in a loop that is mostly the value it already holds.
#define SET_TEMP_REG(src)                                                    \
    {                                                                        \
        const SQObject &s_ = (src);                                          \
        if (_rawval(temp_reg) != _rawval(s_) || sqtype(temp_reg) != sqtype(s_)) \
            ASSIGN(temp_reg, s_);                                            \
    }
#define SET_NUMBER(dst, TYPE, FIELD, value) \
    {                                       \
        SQObject n_;                        \
        n_._type = TYPE;                    \
        n_._unVal.raw = 0;                  \
        n_._unVal.FIELD = (value);          \
        RELEASE_DEAD(MoveRaw((dst), n_));   \
    }
#define SET_INT(dst, value) SET_NUMBER(dst, OT_INTEGER, nInteger, (SQInteger)(value))
#define SET_FLOAT(dst, value) SET_NUMBER(dst, OT_FLOAT, fFloat, (SQFloat)(value))
#define SET_BOOL(dst, value) SET_NUMBER(dst, OT_BOOL, nInteger, (SQInteger)((value) ? 1 : 0))
// Writes a comparison result; when the next instruction is the jump testing it, takes the jump too.
#define SET_COND(res)                                                        \
    {                                                                        \
        bool c_ = (res);                                                     \
        SET_BOOL(TARGET, c_);                                                \
        const SQInstruction &j_ = *ip;                                       \
        if (SQ_LIKELY(j_._arg0 == INS._arg0)) {                              \
            if (j_.op == OP_JNZ) {                                           \
                ip += c_ ? 1 + j_._arg1 : 1;                                 \
            } else if (j_.op == OP_JZ) {                                     \
                ip += c_ ? 1 : 1 + j_._arg1;                                 \
            }                                                                \
        }                                                                    \
        DISPATCH();                                                          \
    }
// Runs the instruction through ExecuteOp.
#define GENERAL()                               \
    {                                           \
        SYNC_OUT();                             \
        OpResult r_ = ExecuteOp(traps, outres); \
        if (r_ != OPR_NEXT) {                   \
            if (r_ == OPR_THROW) SQ_THROW();    \
            return true;                        \
        }                                       \
        SYNC_IN();                              \
        DISPATCH();                             \
    }

// A computed goto runs no destructors: no object with one may be in scope at a DISPATCH().
#if SQ_COMPUTED_GOTO
#define OPCODE(name) \
    case OP_##name:  \
    L_##name:
#define DISPATCH()                  \
    {                               \
        goto *s_labels[(ip++)->op]; \
    }
#else
#define OPCODE(name)   \
    case OP_##name:    \
    L_##name:          \
    __attribute__((unused));
#define DISPATCH() continue
#endif

bool SQVM::Execute(SQObjectPtr &closure, SQInteger nargs, SQInteger stackbase, SQObjectPtr &outres,
                   SQBool raiseerror, ExecutionType et) {
#if SQ_COMPUTED_GOTO
#define SQ_LABEL_ADDRESS(name) &&L_##name,
#define SQ_FUSED_LABEL_ADDRESS(name, base) &&L_##name,
    static const void *const s_labels[OP_COUNT] = {SQ_OPCODES(SQ_LABEL_ADDRESS)
                                                       SQ_FUSED_OPCODES(SQ_FUSED_LABEL_ADDRESS)};
#undef SQ_LABEL_ADDRESS
#undef SQ_FUSED_LABEL_ADDRESS
#endif
    if ((_nnativecalls + 1) > MaxNativeCalls()) {
        Raise_Error("Native stack overflow");
        return false;
    }
    _nnativecalls++;
    SQAutoDec ad(&_nnativecalls);
    SQInteger traps = 0;
    SQInteger prevcss = _callsstacksize;
    const SQInstruction *ip = nullptr;
    const SQObjectPtr *lits = nullptr;  // the running function's literals
    SQObjectPtr *stk = nullptr;
    SQTable::SlotCache callcache;  // the callee of the last call by name on a table
    bool running = false;  // the first frame is set up

    // Running out of memory inside the loop is raised as a script error at the instruction that
    // allocated: the handler loops back into the try block, which throws it to the frame's traps.
    for (;;) {
    try {
    if (running) SQ_THROW();
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
        if (et == ET_RESUME_THROW_VM) {
            running = true;
            SQ_THROW();
        }
        break;
    }
    running = true;

exception_restore:
    SYNC_IN();
    for (;;) {
        switch ((ip++)->op) {
        // ---- loads, and the fused sequences that start with a loaded integer
        OPCODE(LOAD) {
            ASSIGN(TARGET, lits[arg1]);
            DISPATCH();
        }
        OPCODE(LOADINT) {
            SET_INT(TARGET, arg1);
            DISPATCH();
        }
        // The fused sequences starting with "LOADINT t, K" (see SQ_FUSED_OPCODES): next is the
        // instruction using t, x its other operand.
#define FUSED_OPERAND() R(ip[0]._arg2)
        // The result goes to d; t, when another register, still gets the constant.
#define FUSED_RESULT(res)                                      \
    {                                                          \
        SQInteger res_ = (res);                                \
        SQInteger d_ = ip[0]._arg0;                            \
        if (d_ != arg0) SET_INT(TARGET, arg1);                 \
        ip++;                                                  \
        SET_INT(R(d_), res_);                                  \
        DISPATCH();                                            \
    }
        OPCODE(ADDI) {
            SQObjectPtr &x = FUSED_OPERAND();
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER)) goto L_LOADINT;
            FUSED_RESULT((SQUnsignedInteger)_integer(x) + (SQUnsignedInteger)arg1);
        }
        OPCODE(SUBI) {
            SQObjectPtr &x = FUSED_OPERAND();
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER)) goto L_LOADINT;
            FUSED_RESULT((SQUnsignedInteger)_integer(x) - (SQUnsignedInteger)arg1);
        }
        OPCODE(BITWI) {
            SQObjectPtr &x = FUSED_OPERAND();
            SQInteger res;
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER ||
                            !SQIntegerBitwise(ip[0]._arg3, _integer(x), arg1, res)))
                goto L_LOADINT;
            FUSED_RESULT(res);
        }
#undef FUSED_RESULT
        OPCODE(CMPI) {
            SQObjectPtr &x = FUSED_OPERAND();
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER)) goto L_LOADINT;
            SET_BOOL(TARGET, CompareIntegers(ip[0]._arg3, _integer(x), arg1));
            ip++;
            DISPATCH();
        }
        OPCODE(CMPIJZ) {
            SQObjectPtr &x = FUSED_OPERAND();
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER)) goto L_LOADINT;
            bool c = CompareIntegers(ip[0]._arg3, _integer(x), arg1);
            SET_BOOL(TARGET, c);
            ip += c ? 2 : 2 + ip[1]._arg1;
            DISPATCH();
        }
        OPCODE(CMPIJNZ) {
            SQObjectPtr &x = FUSED_OPERAND();
            if (SQ_UNLIKELY(sqtype(x) != OT_INTEGER)) goto L_LOADINT;
            bool c = CompareIntegers(ip[0]._arg3, _integer(x), arg1);
            SET_BOOL(TARGET, c);
            ip += c ? 2 + ip[1]._arg1 : 2;
            DISPATCH();
        }
#undef FUSED_OPERAND
        // "CMP t, y, x" and the jump testing t.
        OPCODE(CMPJZ)
        OPCODE(CMPJNZ) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            if (SQ_UNLIKELY((sqtype(l) | sqtype(r)) != OT_INTEGER)) goto L_CMP;
            bool c = CompareIntegers(arg3, _integer(l), _integer(r));
            SET_BOOL(TARGET, c);
            if (c == (INS.op == OP_CMPJNZ)) ip += ip[0]._arg1;
            ip++;
            DISPATCH();
        }
        // ---- other loads and moves
        OPCODE(LOADFLOAT) {
            SQFloat f;
            SQInt32 bits = INS._arg1;
            std::memcpy(&f, &bits, sizeof(f));
            SET_FLOAT(TARGET, f);
            DISPATCH();
        }
        OPCODE(LOADBOOL) {
            SET_BOOL(TARGET, arg1 != 0);
            DISPATCH();
        }
        OPCODE(LOADROOT) {
            ASSIGN(TARGET, _roottable);
            DISPATCH();
        }
        OPCODE(MOVE) {
            ASSIGN(TARGET, R(arg1));
            DISPATCH();
        }
        OPCODE(MOVERET) {
            ASSIGN(TARGET, R(arg1));
            ip++;
            goto L_RETURN;
        }
        // ---- slots: a key a table or instance already has, an index inside an array
        OPCODE(GETK) {
            const SQObject *slot = ReadSlot(R(arg2), lits[arg1]);
            if (SQ_UNLIKELY(!slot)) GENERAL();
            SET_TEMP_REG(*slot);
            ASSIGN(TARGET, temp_reg);
            DISPATCH();
        }
        // "LOAD t, K; GET d, o, t": a member read by name. The name goes to t first, as the
        // value it replaces may be all that keeps a weakly referenced member alive.
        OPCODE(LOADGET) {
            ASSIGN(TARGET, lits[arg1]);
            const SQObject *slot = ReadSlot(R(ip[0]._arg1), lits[arg1]);
            if (SQ_UNLIKELY(!slot)) goto L_LOAD;
            SET_TEMP_REG(*slot);
            ip++;
            ASSIGN(R(ip[-1]._arg0), temp_reg);
            DISPATCH();
        }
        OPCODE(GET) {
            SQObjectPtr &o = R(arg1);
            SQObjectPtr &key = R(arg2);
            const SQObject *slot;
            if (sqtype(o) == OT_ARRAY) {
                slot = nullptr;
                if (sqtype(key) == OT_INTEGER && _integer(key) >= 0 && _integer(key) < _array(o)->Size())
                    slot = &sq_realval(_array(o)->_values[(size_t)_integer(key)]);
            } else {
                slot = ReadSlot(o, key);
            }
            if (SQ_UNLIKELY(!slot)) GENERAL();
            SET_TEMP_REG(*slot);
            ASSIGN(TARGET, temp_reg);
            DISPATCH();
        }
        OPCODE(SET) {
            SQObjectPtr &o = R(arg1);
            SQObjectPtr &key = R(arg2);
            SQObjectPtr *slot = nullptr;
            switch (sqtype(o)) {
            case OT_ARRAY:
                if (sqtype(key) == OT_INTEGER && _integer(key) >= 0 && _integer(key) < _array(o)->Size())
                    slot = &_array(o)->_values[(size_t)_integer(key)];
                break;
            case OT_INSTANCE: {
                bool isfield = false;
                slot = _instance(o)->GetMemberSlot(key, isfield);
                if (!isfield) slot = nullptr;
                break;
            }
            case OT_TABLE: slot = _table(o)->GetSlot(key); break;
            default: break;
            }
            if (SQ_UNLIKELY(!slot)) GENERAL();
            ASSIGN(*slot, R(arg3));
            if (arg0 != SQ_NO_TARGET) ASSIGN(TARGET, R(arg3));
            DISPATCH();
        }
        // ---- calls: the callee and `this` fetched together, then a plain script-to-script call
        // A method or function fetched from an instance or a table, with the object as this.
#define PREPCALL_WITH_KEY(key)                                                                       \
    {                                                                                                \
        SQObjectPtr &o = R(arg2);                                                                    \
        const SQObject *slot = ReadSlot(o, key, &callcache);                                         \
        if (SQ_UNLIKELY(!slot)) GENERAL();                                                           \
        /* This first, as the target may be the object's register; what the two stores free is   \
           released once both are done, since a release hook may change the slot's table. */     \
        SQObject callee = *slot;                                                                     \
        if (ISREFCOUNTED(sqtype(callee))) callee._unVal.pRefCounted->_uiRef++;                       \
        SQRefCounted *deadthis = nullptr;                                                            \
        if (_rawval(R(arg3)) != _rawval(o) || sqtype(R(arg3)) != sqtype(o))                          \
            deadthis = AssignRaw(R(arg3), o); /* mostly this from the last call already */           \
        SQRefCounted *deadtarget = MoveRaw(TARGET, callee);                                          \
        RELEASE_DEAD(deadthis);                                                                      \
        RELEASE_DEAD(deadtarget);                                                                    \
        DISPATCH();                                                                                  \
    }
        OPCODE(PREPCALL) PREPCALL_WITH_KEY(R(arg1))
        OPCODE(PREPCALLK) PREPCALL_WITH_KEY(lits[arg1])
#undef PREPCALL_WITH_KEY
        OPCODE(CALL) {
            SQObjectPtr &clo = R(arg1);
            if (SQ_UNLIKELY(sqtype(clo) != OT_CLOSURE)) {
                if (sqtype(clo) != OT_NATIVECLOSURE) GENERAL();
                SQNativeClosure *native = _nativeclosure(clo);
                SQInteger nativebase = _stackbase + arg2;
                if (SQ_LIKELY(NativeCallIsPlain(native, arg3, nativebase))) {
                    // CallNative's common case, with the result moved straight into the target.
                    SYNC_OUT();
                    PushCallInfo(nativebase);
                    _stackbase = nativebase;
                    _top = nativebase + arg3;
                    ci->_closure = clo;  // the frame holds the closure for the call
                    SQInteger ret = RunNative(native);
                    if (SQ_LIKELY(ret >= 0)) {
                        SQObject result;
                        result._type = OT_NULL;
                        result._unVal.raw = 0;
                        if (ret) std::swap(result, static_cast<SQObject &>(_stack[(size_t)(_top - 1)]));
                        LeaveFrame();
                        SQRefCounted *dead = MoveRaw(_stack[(size_t)(_stackbase + arg0)], result);
                        SYNC_IN();
                        RELEASE_DEAD(dead);
                        DISPATCH();
                    }
                    SQObjectPtr failed;
                    bool suspend = false;
                    if (!FinishNative(ret, failed, suspend)) SQ_THROW();
                    MarkSuspended(arg0, traps);
                    outres = failed;
                    return true;
                }
                // A native function: as ExecuteOp calls it, without its dispatch.
                SYNC_OUT();
                bool called;
                {
                    // The native's frame holds the closure while it runs.
                    SQObjectPtr ret;
                    bool suspend;
                    called = CallNative(_nativeclosure(clo), arg3, _stackbase + arg2, ret, suspend);
                    if (called && suspend) {
                        MarkSuspended(arg0, traps);
                        outres = ret;
                        return true;
                    }
                    if (called) STK(arg0) = ret;
                }
                if (!called) SQ_THROW();
                SYNC_IN();
                DISPATCH();
            }
            SQClosure *callee = _closure(clo);
            SQFunctionProto *func = callee->Proto();
            SQInteger newbase = _stackbase + arg2;
            SQInteger newtop = newbase + func->_stacksize;
            // The common script-to-script call: exact arguments, nothing to bind, room ready.
            if (SQ_UNLIKELY(func->_plaincallargs != arg3 || sqtype(callee->_env) != OT_NULL ||
                            sqtype(_debughook) != OT_NULL ||
                            _callsstacksize >= (SQInteger)_callsstack.size() ||
                            _callsstacksize >= SQ_MAX_CALL_FRAMES ||
                            newtop + SQ_MIN_STACK_OVERHEAD > (SQInteger)_stack.size()))
                GENERAL();
            SYNC_OUT();
            SQCallInfo *nci = &_callsstack[(size_t)_callsstacksize++];
            nci->_prevstkbase = (SQInt32)arg2;
            nci->_prevtop = (SQInt32)(_top - _stackbase);
            nci->_etraps = 0;
            nci->_ncalls = 1;
            nci->_generator = nullptr;
            nci->_root = false;
            nci->_target = (SQInt32)arg0;
            assert(sqtype(nci->_closure) == OT_NULL);
            // The frame holds the callee; when the result goes to the callee's register (below
            // the arguments), that register's reference moves to the frame instead of a copy.
            if (arg0 == arg1 && arg1 < arg2)
                sq_makenull(clo);
            else
                callee->_uiRef++;
            nci->_closure._type = OT_CLOSURE;
            nci->_closure._unVal.pClosure = callee;
            nci->_literals = func->_literals.data();
            nci->_ip = func->_instructions.data();
            ci = nci;
            _stackbase = newbase;
            _top = newtop;
            ip = nci->_ip;
            stk = _stack.data() + newbase;
            lits = nci->_literals;
            DISPATCH();
        }
        // A tail call to a script function: as ExecuteOp does it, step by step, with the plain
        // frame reuse of StartCall inline. The callee is held across the argument copies.
        OPCODE(TAILCALL) {
            SQObjectPtr &clo = R(arg1);
            if (SQ_UNLIKELY(sqtype(clo) != OT_CLOSURE || _closure(clo)->Proto()->_bgenerator || ci->_generator ||
                            ci->_etraps != 0))
                GENERAL();
            SQClosure *callee = _closure(clo);
            callee->_uiRef++;
            if (_openouters) {
                SYNC_OUT();
                CloseOuters(&_stack[(size_t)_stackbase]);
                SYNC_IN();
            }
            for (SQInteger i = 0; i < arg3; i++) ASSIGN(R(i), R(arg2 + i));
            SQFunctionProto *func = callee->Proto();
            SQInteger newtop = _stackbase + func->_stacksize;
            if (SQ_UNLIKELY(func->_plaincallargs != arg3 || sqtype(callee->_env) != OT_NULL ||
                            sqtype(_debughook) != OT_NULL ||
                            newtop + SQ_MIN_STACK_OVERHEAD > (SQInteger)_stack.size())) {
                SYNC_OUT();
                bool started = StartCall(callee, ci->_target, arg3, _stackbase, true);
                if (--callee->_uiRef == 0) callee->Release();
                if (!started) SQ_THROW();
                SYNC_IN();
                DISPATCH();
            }
            ci->_ncalls++;
            SQObject held;
            held._type = OT_CLOSURE;
            held._unVal.raw = 0;
            held._unVal.pClosure = callee;
            RELEASE_DEAD(MoveRaw(ci->_closure, held));
            ci->_literals = func->_literals.data();
            ci->_ip = func->_instructions.data();
            _top = newtop;
            SYNC_IN();
            DISPATCH();
        }
        OPCODE(LOADNULLS) {
            for (SQInteger n = 0; n < arg1; n++) {
                SQObject nul;
                sq_makenull(nul);
                RELEASE_DEAD(MoveRaw(R(arg0 + n), nul));
            }
            DISPATCH();
        }
        // ---- tables: a new one, and a new slot in a table without a delegate (no _newslot)
        OPCODE(NEWTABLE) {
            SYNC_OUT();
            SQObject t;
            t._type = OT_TABLE;
            t._unVal.raw = 0;
            t._unVal.pTable = SQTable::Create(_ss(this), arg1);
            t._unVal.pTable->_uiRef++;
            RELEASE_DEAD(MoveRaw(TARGET, t));
            DISPATCH();
        }
        OPCODE(NEWSLOT) {
            if (SQ_UNLIKELY(sqtype(R(arg1)) != OT_TABLE || _table(R(arg1))->_delegate || sqtype(R(arg2)) == OT_NULL))
                GENERAL();
            SYNC_OUT();
            {
                // Held as SQVM::NewSlot holds them: the value a new slot replaces may be the last
                // reference to an object whose release runs any code.
                SQObjectPtr self = R(arg1), key = R(arg2), val = R(arg3);
                _table(self)->NewSlot(key, val);
                if (arg0 != SQ_NO_TARGET) STK(arg0) = STK(arg3);
            }
            SYNC_IN();
            DISPATCH();
        }
        // ---- arithmetic and compares on numbers
        OPCODE(ADD) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            SQInteger tmask = sqtype(l) | sqtype(r);
            if (SQ_LIKELY(tmask == OT_INTEGER)) {
                SET_INT(TARGET, (SQUnsignedInteger)_integer(l) + (SQUnsignedInteger)_integer(r));
                DISPATCH();
            }
            if (SQ_UNLIKELY(tmask != OT_FLOAT && tmask != (OT_FLOAT | OT_INTEGER))) GENERAL();
            SET_FLOAT(TARGET, tofloat(l) + tofloat(r));
            DISPATCH();
        }
        OPCODE(SUB) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            SQInteger tmask = sqtype(l) | sqtype(r);
            if (SQ_LIKELY(tmask == OT_INTEGER)) {
                SET_INT(TARGET, (SQUnsignedInteger)_integer(l) - (SQUnsignedInteger)_integer(r));
                DISPATCH();
            }
            if (SQ_UNLIKELY(tmask != OT_FLOAT && tmask != (OT_FLOAT | OT_INTEGER))) GENERAL();
            SET_FLOAT(TARGET, tofloat(l) - tofloat(r));
            DISPATCH();
        }
        OPCODE(MUL) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            SQInteger tmask = sqtype(l) | sqtype(r);
            if (SQ_LIKELY(tmask == OT_INTEGER)) {
                SET_INT(TARGET, (SQUnsignedInteger)_integer(l) * (SQUnsignedInteger)_integer(r));
                DISPATCH();
            }
            if (SQ_UNLIKELY(tmask != OT_FLOAT && tmask != (OT_FLOAT | OT_INTEGER))) GENERAL();
            SET_FLOAT(TARGET, tofloat(l) * tofloat(r));
            DISPATCH();
        }
        OPCODE(DIV)
        OPCODE(MOD) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            SQInteger tmask = sqtype(l) | sqtype(r);
            if (INS.op == OP_DIV && (tmask == OT_FLOAT || tmask == (OT_FLOAT | OT_INTEGER))) {
                SET_FLOAT(TARGET, tofloat(l) / tofloat(r));
                DISPATCH();
            }
            if (SQ_UNLIKELY((sqtype(l) | sqtype(r)) != OT_INTEGER || _integer(r) == 0)) GENERAL();
            SQInteger i1 = _integer(l), i2 = _integer(r);
            SQInteger res;
            if (INS.op == OP_DIV)
                res = (i2 == -1) ? (SQInteger)(0u - (SQUnsignedInteger)i1) : i1 / i2;  // INT_MIN / -1 wraps
            else
                res = (i2 == -1) ? 0 : i1 % i2;
            SET_INT(TARGET, res);
            DISPATCH();
        }
        OPCODE(BITW) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            SQInteger res;
            if (SQ_UNLIKELY((sqtype(l) | sqtype(r)) != OT_INTEGER ||
                            !SQIntegerBitwise(arg3, _integer(l), _integer(r), res)))
                GENERAL();
            SET_INT(TARGET, res);
            DISPATCH();
        }
        OPCODE(EQ)
        OPCODE(NE) {
            const SQObjectPtr &a = R(arg2);
            const SQObjectPtr &b = arg3 ? lits[arg1] : R(arg1);
            bool res;
            IsEqual(a, b, res);
            SET_COND(INS.op == OP_EQ ? res : !res);
        }
        OPCODE(CMP) {
            SQObjectPtr &l = R(arg2), &r = R(arg1);
            if (SQ_UNLIKELY(arg3 == CMP_3W || !sq_isnumeric(l) || !sq_isnumeric(r))) GENERAL();
            if ((sqtype(l) | sqtype(r)) == OT_INTEGER) {
                SQInteger a = _integer(l), b = _integer(r);
                SET_COND(CompareIntegers(arg3, a, b));
            }
            SET_COND(CmpResult(arg3, CompareNumbers(l, r)));
        }
        OPCODE(AND) {
            if (IsFalse(R(arg2))) {
                SQInteger offset = arg1;
                ASSIGN(TARGET, R(arg2));
                ip += offset;
            }
            DISPATCH();
        }
        OPCODE(OR) {
            if (!IsFalse(R(arg2))) {
                SQInteger offset = arg1;
                ASSIGN(TARGET, R(arg2));
                ip += offset;
            }
            DISPATCH();
        }
        OPCODE(NEG) {
            SQObjectPtr &o = R(arg1);
            if (sqtype(o) == OT_INTEGER) {
                SET_INT(TARGET, 0u - (SQUnsignedInteger)_integer(o));
                DISPATCH();
            }
            if (SQ_UNLIKELY(sqtype(o) != OT_FLOAT)) GENERAL();
            SET_FLOAT(TARGET, -_float(o));
            DISPATCH();
        }
        OPCODE(NOT) {
            SET_BOOL(TARGET, IsFalse(R(arg1)));
            DISPATCH();
        }
        // ---- jumps
        OPCODE(JMP) {
            ip += arg1;
            DISPATCH();
        }
        OPCODE(JZ) {
            if (IsFalse(R(arg0))) ip += arg1;
            DISPATCH();
        }
        OPCODE(JNZ) {
            if (!IsFalse(R(arg0))) ip += arg1;
            DISPATCH();
        }
        // ---- outer variables, compound assignment and increments
        OPCODE(GETOUTER) {
            SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
            ASSIGN(TARGET, *(otr->_valptr));
            DISPATCH();
        }
        OPCODE(SETOUTER) {
            SQOuter *otr = _outer(_closure(ci->_closure)->_outervalues[(size_t)arg1]);
            ASSIGN(*(otr->_valptr), R(arg2));
            if (arg0 != SQ_NO_TARGET) ASSIGN(TARGET, R(arg2));
            DISPATCH();
        }
        OPCODE(COMPARITH) {
            // A field or table slot holding a number, changed by a number: no call can happen.
            SQInteger selfidx = (SQInteger)(((SQUnsignedInteger)arg1 & 0xFFFF0000) >> 16);
            SQObjectPtr &self = R(selfidx);
            SQObjectPtr &operand = R(arg1 & 0x0000FFFF);
            SQInteger op = arg3;
            SQObjectPtr *slot = nullptr;
            if (sqtype(self) == OT_INSTANCE) {
                bool isfield = false;
                slot = _instance(self)->GetMemberSlot(R(arg2), isfield);
                if (!isfield) slot = nullptr;
            } else if (sqtype(self) == OT_TABLE) {
                slot = _table(self)->GetSlot(R(arg2));
            }
            if (SQ_UNLIKELY(!slot || (op != '+' && op != '-' && op != '*'))) GENERAL();
            SQInteger tmask = sqtype(*slot) | sqtype(operand);
            if (SQ_LIKELY(tmask == OT_INTEGER)) {
                SQUnsignedInteger a = (SQUnsignedInteger)_integer(*slot);
                SQUnsignedInteger b = (SQUnsignedInteger)_integer(operand);
                SQInteger res = (SQInteger)(op == '+' ? a + b : (op == '-' ? a - b : a * b));
                StoreInteger(*slot, res);
                SET_INT(TARGET, res);
                DISPATCH();
            }
            if (SQ_UNLIKELY(tmask != OT_FLOAT && tmask != (OT_FLOAT | OT_INTEGER))) GENERAL();
            SQFloat a = tofloat(*slot), b = tofloat(operand);
            SQFloat res = op == '+' ? a + b : (op == '-' ? a - b : a * b);
            StoreFloat(*slot, res);
            SET_FLOAT(TARGET, res);
            DISPATCH();
        }
        OPCODE(INCL)
        OPCODE(PINCL) {
            SQObjectPtr &a = R(arg1);
            if (SQ_UNLIKELY(sqtype(a) != OT_INTEGER)) GENERAL();
            SQInteger old = _integer(a);
            SQInteger now = (SQInteger)((SQUnsignedInteger)old + (SQUnsignedInteger)(signed char)arg3);
            StoreInteger(a, now);
            if (INS.op == OP_PINCL) {
                SET_INT(TARGET, old);
            } else if (arg0 != arg1) {
                SET_INT(TARGET, now);
            }
            DISPATCH();
        }
        // The step and test of a counting loop: "INCL t, i; LOADINT t, K; CMP t, t, i; JZ t".
        // The step's result and the constant would only be overwritten in t by the test's.
        OPCODE(INCLJZ)
        OPCODE(INCLJNZ)
        OPCODE(PINCLJZ)
        OPCODE(PINCLJNZ) {
            SQObjectPtr &a = R(arg1);
            if (SQ_UNLIKELY(sqtype(a) != OT_INTEGER)) {
                if (INS.op == OP_INCLJZ || INS.op == OP_INCLJNZ) goto L_INCL;
                goto L_PINCL;
            }
            SQInteger now = (SQInteger)((SQUnsignedInteger)_integer(a) + (SQUnsignedInteger)(signed char)arg3);
            StoreInteger(a, now);
            bool c = CompareIntegers(ip[1]._arg3, now, ip[0]._arg1);
            SET_BOOL(R(ip[0]._arg0), c);
            if (c == (INS.op == OP_INCLJNZ || INS.op == OP_PINCLJNZ)) ip += ip[2]._arg1;
            ip += 3;
            DISPATCH();
        }
        // ---- returns and generators
        OPCODE(RETURN) {
            if (SQ_UNLIKELY(ci->_generator || ci->_etraps != 0 || sqtype(_debughook) != OT_NULL)) GENERAL();
            SQObject retval;
            if (arg0 != SQ_NO_TARGET) {
                retval = R(arg1);
                if (ISREFCOUNTED(sqtype(retval))) retval._unVal.pRefCounted->_uiRef++;
            } else {
                sq_makenull(retval);
            }
            SQInteger tgt = ci->_target;
            bool isroot = ci->_root;
            SYNC_OUT();
            {
                // LeaveFrame, with the common case of the register loop inline.
                SQInteger last_top = _top;
                SQInteger last_stackbase = _stackbase;
                --_callsstacksize;
                ci->_closure.Null();
                _stackbase -= ci->_prevstkbase;
                _top = _stackbase + ci->_prevtop;
                ci = _callsstacksize ? &_callsstack[(size_t)(_callsstacksize - 1)] : nullptr;
                if (_openouters) CloseOuters(&_stack[(size_t)last_stackbase]);
                for (SQObjectPtr *slot = _stack.data() + last_top, *end = _stack.data() + _top; slot > end;) {
                    --slot;
                    if (SQ_UNLIKELY(ISREFCOUNTED(sqtype(*slot)))) {
                        SQInteger at = slot - _stack.data();  // a release may move the stack
                        slot->Null();
                        slot = _stack.data() + at;
                        end = _stack.data() + _top;
                    } else {
                        sq_makenull(*slot);
                    }
                }
            }
            if (isroot) {  // back to the native caller of Execute
                SQObjectType oldType = outres._type;
                SQObjectValue oldVal = outres._unVal;
                outres._type = retval._type;
                outres._unVal = retval._unVal;
                if (ISREFCOUNTED(oldType) && --oldVal.pRefCounted->_uiRef == 0) oldVal.pRefCounted->Release();
                return true;
            }
            SYNC_IN();
            if (tgt != -1) {
                RELEASE_DEAD(MoveRaw(R(tgt), retval));
            } else if (ISREFCOUNTED(sqtype(retval)) && --retval._unVal.pRefCounted->_uiRef == 0) {
                RELEASE_DEAD(retval._unVal.pRefCounted);
            }
            DISPATCH();
        }
        OPCODE(EXISTS) {
            SQObjectPtr &o = R(arg1);
            SET_COND(sqtype(o) == OT_TABLE ? _table(o)->GetSlot(R(arg2)) != nullptr : Exists(o, R(arg2)));
        }
        // The next item of an array: key, value and iterator to R(arg2 ..), or the exit jump.
        OPCODE(FOREACH) {
            SQObjectPtr &cont = R(arg0), &iter = R(arg2 + 2);
            if (SQ_UNLIKELY(sqtype(cont) != OT_ARRAY ||
                            (sqtype(iter) != OT_NULL && sqtype(iter) != OT_INTEGER)))
                GENERAL();
            SQInteger idx = sqtype(iter) == OT_NULL ? 0 : _integer(iter);
            SQArray *arr = _array(cont);
            if (idx < 0 || idx >= arr->Size()) {
                ip += arg1;
                DISPATCH();
            }
            SQObject val = sq_realval(arr->_values[(size_t)idx]);
            if (ISREFCOUNTED(sqtype(val))) val._unVal.pRefCounted->_uiRef++;
            SQInteger kreg = arg2;
            SET_INT(R(kreg), idx);
            RELEASE_DEAD(MoveRaw(R(kreg + 1), val));
            SET_INT(R(kreg + 2), idx + 1);
            ip += 1;
            DISPATCH();
        }
        OPCODE(POSTFOREACH) {
            if (sqtype(R(arg0)) == OT_GENERATOR && _generator(R(arg0))->_state == SQGenerator::eDead)
                ip += (arg1 - 1);
            DISPATCH();
        }
        // ---- everything else runs through ExecuteOp
        OPCODE(DMOVE)
        OPCODE(NEWSLOTA)
        OPCODE(DELETE)
        OPCODE(INSTANCEOF)
        OPCODE(BWNOT)
        OPCODE(NEWARRAY)
        OPCODE(APPENDARRAY)
        OPCODE(NEWCLASS)
        OPCODE(INC)
        OPCODE(PINC)
        OPCODE(CLOSURE)
        OPCODE(YIELD)
        OPCODE(RESUME)
        OPCODE(CLONE)
        OPCODE(TYPEOF)
        OPCODE(PUSHTRAP)
        OPCODE(POPTRAP)
        OPCODE(THROW)
        OPCODE(GETBASE)
        OPCODE(CLOSE)
        OPCODE(LINE)
        default: GENERAL();
        }
    }

// ---- the exception path: unwind to the innermost trap of this Execute
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
    } catch (const std::bad_alloc &) {
        RaiseOutOfMemory();
        if (!running) {
            // Setting up the first frame failed: drop what was entered, as a failed call does.
            while (_callsstacksize > prevcss) LeaveFrame();
            if (ci == nullptr && raiseerror) CallErrorHandler(_lasterror);
            return false;
        }
    }
    }
}
