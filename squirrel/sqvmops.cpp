// Operations on values used by the interpreter loop and the API: slot access with delegation
// and metamethods, arithmetic, comparison, conversion to text, cloning and iteration.
#include "squirrel/squserdata.h"
#include "squirrel/sqvm.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// The character a numeric key reads in s, or -1 past either end; -1 .. -len+1 count from the end.
SQInteger StringIndex(const SQString *s, const SQObject &key) {
    SQInteger n = tointeger(key);
    SQInteger len = s->_len;
    if (n < 0) n = n > -len ? n + len : len;
    return n < len ? n : -1;
}

}  // namespace

bool SQVM::GetMetaMethodOf(const SQObjectPtr &o, SQMetaMethod mm, SQObjectPtr &closure) {
    switch (sqtype(o)) {
    case OT_TABLE:
    case OT_USERDATA: return _delegable(o)->GetMetaMethod(this, mm, closure);
    case OT_INSTANCE: return _instance(o)->GetMetaMethod(mm, closure);
    default: return false;
    }
}

bool SQVM::Get(const SQObjectPtr &selfIn, const SQObjectPtr &keyIn, SQObjectPtr &dest, bool raw, SQInteger selfidx) {
    SQObjectPtr self = selfIn, key = keyIn;  // the originals may live in a stack that moves
    switch (sqtype(self)) {
    case OT_TABLE:
        if (_table(self)->Get(key, dest)) return true;
        break;
    case OT_ARRAY:
        if (sq_isnumeric(key)) {
            if (_array(self)->Get(tointeger(key), dest)) return true;
            Raise_IdxError(key);
            return false;
        }
        break;
    case OT_INSTANCE:
        if (_instance(self)->Get(key, dest)) return true;
        break;
    case OT_CLASS:
        if (_class(self)->Get(key, dest)) return true;
        break;
    case OT_STRING:
        if (sq_isnumeric(key)) {
            SQInteger n = StringIndex(_string(self), key);
            if (n >= 0) {
                dest = SQObjectPtr((SQInteger)_stringval(self)[n]);
                return true;
            }
            Raise_IdxError(key);
            return false;
        }
        break;
    default: break;
    }
    if (!raw) {
        switch (FallBackGet(self, key, dest)) {
        case FALLBACK_OK: return true;
        case FALLBACK_NO_MATCH: break;
        case FALLBACK_ERROR: return false;
        }
        if (InvokeDefaultDelegate(self, key, dest)) return true;
    }
    if (selfidx == 0) {
        if (_table(_roottable)->Get(key, dest)) return true;
    }
    Raise_IdxError(key);
    return false;
}

bool SQVM::Exists(const SQObjectPtr &self, const SQObjectPtr &key) {
    SQObjectPtr dest;
    switch (sqtype(self)) {
    case OT_TABLE: return _table(self)->GetSlot(key) != nullptr;
    case OT_INSTANCE: return _instance(self)->Get(key, dest);
    case OT_CLASS: return _class(self)->Get(key, dest);
    case OT_ARRAY: return sq_isnumeric(key) && _array(self)->Get(tointeger(key), dest);
    case OT_STRING: return sq_isnumeric(key) && StringIndex(_string(self), key) >= 0;
    default: return false;
    }
}

bool SQVM::InvokeDefaultDelegate(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &dest) {
    SQTable *ddel = nullptr;
    switch (sqtype(self)) {
    case OT_CLASS: ddel = _table(_ss(this)->_class_default_delegate); break;
    case OT_TABLE: ddel = _table(_ss(this)->_table_default_delegate); break;
    case OT_ARRAY: ddel = _table(_ss(this)->_array_default_delegate); break;
    case OT_STRING: ddel = _table(_ss(this)->_string_default_delegate); break;
    case OT_INSTANCE: ddel = _table(_ss(this)->_instance_default_delegate); break;
    case OT_INTEGER:
    case OT_FLOAT:
    case OT_BOOL: ddel = _table(_ss(this)->_number_default_delegate); break;
    case OT_GENERATOR: ddel = _table(_ss(this)->_generator_default_delegate); break;
    case OT_CLOSURE:
    case OT_NATIVECLOSURE: ddel = _table(_ss(this)->_closure_default_delegate); break;
    case OT_THREAD: ddel = _table(_ss(this)->_thread_default_delegate); break;
    case OT_WEAKREF: ddel = _table(_ss(this)->_weakref_default_delegate); break;
    default: return false;
    }
    return ddel->Get(key, dest);
}

SQInteger SQVM::FallBackGet(const SQObjectPtr &self, const SQObjectPtr &key, SQObjectPtr &dest) {
    switch (sqtype(self)) {
    case OT_TABLE:
    case OT_USERDATA:
        if (_delegable(self)->_delegate) {
            if (Get(SQObjectPtr(_delegable(self)->_delegate), key, dest, false, SQ_DONT_FALL_BACK)) return FALLBACK_OK;
        } else {
            return FALLBACK_NO_MATCH;
        }
        // fall through
    case OT_INSTANCE: {
        SQObjectPtr closure;
        if (GetMetaMethodOf(self, MT_GET, closure)) {
            Push(self);
            Push(key);
            _lasterror.Null();
            if (CallMetaMethod(closure, MT_GET, 2, dest)) return FALLBACK_OK;
            // a null error is a clean miss
            if (sqtype(_lasterror) != OT_NULL) return FALLBACK_ERROR;
        }
        break;
    }
    default: break;
    }
    return FALLBACK_NO_MATCH;
}

bool SQVM::Set(const SQObjectPtr &selfIn, const SQObjectPtr &keyIn, const SQObjectPtr &valIn, SQInteger selfidx) {
    SQObjectPtr self = selfIn, key = keyIn, val = valIn;
    switch (sqtype(self)) {
    case OT_TABLE:
        if (_table(self)->Set(key, val)) return true;
        break;
    case OT_INSTANCE: {
        bool isfield = false;
        // Only fields are the instance's own; a method or a static member is the class's, so
        // assigning one through the instance goes on as for a missing key (_set, then the
        // index error).
        SQObjectPtr *slot = _instance(self)->GetMemberSlot(key, isfield);
        if (slot && isfield) {
            *slot = val;
            return true;
        }
        break;
    }
    case OT_ARRAY:
        if (!sq_isnumeric(key)) {
            Raise_Error("indexing %s with %s", GetTypeName(self), GetTypeName(key));
            return false;
        }
        if (!_array(self)->Set(tointeger(key), val)) {
            Raise_IdxError(key);
            return false;
        }
        return true;
    case OT_USERDATA: break;
    default: Raise_Error("trying to set '%s'", GetTypeName(self)); return false;
    }
    switch (FallBackSet(self, key, val)) {
    case FALLBACK_OK: return true;
    case FALLBACK_NO_MATCH: break;
    case FALLBACK_ERROR: return false;
    }
    if (selfidx == 0) {
        if (_table(_roottable)->Set(key, val)) return true;
    }
    Raise_IdxError(key);
    return false;
}

SQInteger SQVM::FallBackSet(const SQObjectPtr &self, const SQObjectPtr &key, const SQObjectPtr &val) {
    switch (sqtype(self)) {
    case OT_TABLE:
        if (_table(self)->_delegate) {
            if (Set(SQObjectPtr(_table(self)->_delegate), key, val, SQ_DONT_FALL_BACK)) return FALLBACK_OK;
        } else {
            return FALLBACK_NO_MATCH;
        }
        // fall through
    case OT_INSTANCE:
    case OT_USERDATA: {
        SQObjectPtr closure;
        SQObjectPtr t;
        if (GetMetaMethodOf(self, MT_SET, closure)) {
            Push(self);
            Push(key);
            Push(val);
            _lasterror.Null();
            if (CallMetaMethod(closure, MT_SET, 3, t)) return FALLBACK_OK;
            if (sqtype(_lasterror) != OT_NULL) return FALLBACK_ERROR;
        }
        break;
    }
    default: break;
    }
    return FALLBACK_NO_MATCH;
}

bool SQVM::NewSlot(const SQObjectPtr &selfIn, const SQObjectPtr &keyIn, const SQObjectPtr &valIn, bool bstatic) {
    SQObjectPtr self = selfIn, key = keyIn, val = valIn;
    if (sqtype(key) == OT_NULL) {
        Raise_Error("null cannot be used as index");
        return false;
    }
    switch (sqtype(self)) {
    case OT_TABLE: {
        bool rawcall = true;
        if (_table(self)->_delegate) {
            SQObjectPtr res;
            if (!_table(self)->Get(key, res)) {
                SQObjectPtr closure;
                if (GetMetaMethodOf(self, MT_NEWSLOT, closure)) {
                    Push(self);
                    Push(key);
                    Push(val);
                    if (!CallMetaMethod(closure, MT_NEWSLOT, 3, res)) return false;
                    rawcall = false;
                }
            }
        }
        if (rawcall) _table(self)->NewSlot(key, val);
        break;
    }
    case OT_INSTANCE: {
        SQObjectPtr res;
        SQObjectPtr closure;
        if (GetMetaMethodOf(self, MT_NEWSLOT, closure)) {
            Push(self);
            Push(key);
            Push(val);
            if (!CallMetaMethod(closure, MT_NEWSLOT, 3, res)) return false;
            break;
        }
        Raise_Error("class instances do not support the new slot operator");
        return false;
    }
    case OT_CLASS:
        if (!_class(self)->NewSlot(_ss(this), key, val, bstatic)) {
            if (_class(self)->_locked) {
                Raise_Error("trying to modify a class that has already been instantiated");
                return false;
            } else {
                SQObjectPtr oval = PrintObjVal(key);
                Raise_Error("the property '%s' already exists", _stringval(oval));
                return false;
            }
        }
        break;
    default: Raise_Error("indexing %s with %s", GetTypeName(self), GetTypeName(key)); return false;
    }
    return true;
}

bool SQVM::NewSlotA(const SQObjectPtr &selfIn, const SQObjectPtr &key, const SQObjectPtr &val, const SQObjectPtr &attrs,
                    bool bstatic, bool raw) {
    SQObjectPtr self = selfIn;
    if (sqtype(self) != OT_CLASS) {
        Raise_Error("object must be a class");
        return false;
    }
    SQClass *c = _class(self);
    if (!raw) {
        SQObjectPtr mm = c->_metamethods[MT_NEWMEMBER];
        if (sqtype(mm) != OT_NULL) {
            Push(self);
            Push(key);
            Push(val);
            Push(attrs);
            Push(SQObjectPtr(bstatic));
            SQObjectPtr res;
            return CallMetaMethod(mm, MT_NEWMEMBER, 5, res);
        }
    }
    SQObjectPtr k = key, a = attrs;
    if (!NewSlot(self, k, val, bstatic)) return false;
    if (sqtype(a) != OT_NULL) c->SetAttributes(k, a);
    return true;
}

bool SQVM::DeleteSlot(const SQObjectPtr &selfIn, const SQObjectPtr &keyIn, SQObjectPtr &res) {
    SQObjectPtr self = selfIn, key = keyIn;
    switch (sqtype(self)) {
    case OT_TABLE:
    case OT_INSTANCE:
    case OT_USERDATA: {
        SQObjectPtr t;
        SQObjectPtr closure;
        if (GetMetaMethodOf(self, MT_DELSLOT, closure)) {
            Push(self);
            Push(key);
            return CallMetaMethod(closure, MT_DELSLOT, 2, res);
        }
        if (sqtype(self) == OT_TABLE) {
            if (_table(self)->Get(key, t)) {
                _table(self)->Remove(key);
            } else {
                Raise_IdxError(key);
                return false;
            }
        } else {
            Raise_Error("cannot delete a slot from %s", GetTypeName(self));
            return false;
        }
        res = t;
        break;
    }
    default: Raise_Error("attempt to delete a slot from a %s", GetTypeName(self)); return false;
    }
    return true;
}

bool SQVM::Clone(const SQObjectPtr &selfIn, SQObjectPtr &target) {
    SQObjectPtr self = selfIn;
    SQObjectPtr newobj;
    switch (sqtype(self)) {
    case OT_TABLE: newobj = _table(self)->Clone(); goto cloned_mt;
    case OT_INSTANCE: {
        newobj = _instance(self)->Clone(_ss(this));
    cloned_mt:
        SQObjectPtr closure;
        if (GetMetaMethodOf(newobj, MT_CLONED, closure)) {
            Push(newobj);
            Push(self);
            SQObjectPtr res;
            if (!CallMetaMethod(closure, MT_CLONED, 2, res)) return false;
        }
        target = newobj;
        return true;
    }
    case OT_ARRAY: target = _array(self)->Clone(); return true;
    default: Raise_Error("cloning a %s", GetTypeName(self)); return false;
    }
}

bool SQVM::IsEqual(const SQObjectPtr &o1, const SQObjectPtr &o2, bool &res) {
    if (sqtype(o1) == sqtype(o2)) {
        res = (_rawval(o1) == _rawval(o2));
    } else {
        if (sq_isnumeric(o1) && sq_isnumeric(o2))
            res = (tofloat(o1) == tofloat(o2));
        else
            res = false;
    }
    return true;
}

bool SQVM::ObjCmp(const SQObjectPtr &o1In, const SQObjectPtr &o2In, SQInteger &result) {
    SQObjectPtr o1 = o1In, o2 = o2In;
    SQObjectType t1 = sqtype(o1), t2 = sqtype(o2);
    if (t1 == t2) {
        if (_rawval(o1) == _rawval(o2)) {
            result = 0;
            return true;
        }
        switch (t1) {
        case OT_STRING: {
            int order = strcmp(_stringval(o1), _stringval(o2));
            result = order < 0 ? -1 : (order > 0 ? 1 : 0);
            return true;
        }
        case OT_INTEGER: result = _integer(o1) < _integer(o2) ? -1 : 1; return true;
        case OT_FLOAT: result = (_float(o1) < _float(o2)) ? -1 : 1; return true;
        case OT_TABLE:
        case OT_USERDATA:
        case OT_INSTANCE: {
            SQObjectPtr closure;
            if (GetMetaMethodOf(o1, MT_CMP, closure)) {
                Push(o1);
                Push(o2);
                SQObjectPtr res;
                if (CallMetaMethod(closure, MT_CMP, 2, res)) {
                    if (sqtype(res) != OT_INTEGER) {
                        Raise_Error("_cmp must return an integer");
                        return false;
                    }
                    result = _integer(res);
                    return true;
                }
                return false;
            }
        }
            // fall through
        default: result = (_userpointer(o1) < _userpointer(o2)) ? -1 : 1; return true;
        }
    }
    if (sq_isnumeric(o1) && sq_isnumeric(o2)) {
        SQFloat f1 = tofloat(o1), f2 = tofloat(o2);
        result = (f1 == f2) ? 0 : (f1 < f2 ? -1 : 1);
        return true;
    }
    if (t1 == OT_NULL) {
        result = -1;
        return true;
    }
    if (t2 == OT_NULL) {
        result = 1;
        return true;
    }
    Raise_CompareError(o1, o2);
    return false;
}

bool SQVM::CmpOp(SQInteger op, const SQObjectPtr &o1, const SQObjectPtr &o2, SQObjectPtr &res) {
    SQInteger r;
    if (!ObjCmp(o1, o2, r)) return false;
    switch (op) {
    case CMP_G: res = (r > 0); return true;
    case CMP_GE: res = (r >= 0); return true;
    case CMP_L: res = (r < 0); return true;
    case CMP_LE: res = (r <= 0); return true;
    case CMP_3W: res = r; return true;
    }
    return false;
}

bool SQVM::ToString(const SQObjectPtr &oIn, SQObjectPtr &res) {
    SQObjectPtr o = oIn;
    char buf[64];
    switch (sqtype(o)) {
    case OT_STRING: res = o; return true;
    case OT_FLOAT: snprintf(buf, sizeof(buf), "%g", (double)_float(o)); break;
    case OT_INTEGER: snprintf(buf, sizeof(buf), "%d", _integer(o)); break;
    case OT_BOOL: snprintf(buf, sizeof(buf), "%s", _integer(o) ? "true" : "false"); break;
    case OT_TABLE:
    case OT_USERDATA:
    case OT_INSTANCE: {
        SQObjectPtr closure;
        if (GetMetaMethodOf(o, MT_TOSTRING, closure)) {
            Push(o);
            if (CallMetaMethod(closure, MT_TOSTRING, 1, res)) {
                if (sqtype(res) == OT_STRING) return true;
            } else {
                return false;
            }
        }
    }
        // fall through
    default: snprintf(buf, sizeof(buf), "(%s : 0x%p)", GetTypeName(o), (void *)o._unVal.pRefCounted); break;
    }
    res = SQString::Create(_ss(this), buf);
    return true;
}

bool SQVM::StringCat(const SQObjectPtr &str, const SQObjectPtr &obj, SQObjectPtr &dest) {
    SQObjectPtr a, b;
    if (!ToString(str, a)) return false;
    if (!ToString(obj, b)) return false;
    SQInteger l = _string(a)->_len, ol = _string(b)->_len;
    sqstring s;
    s.reserve((size_t)(l + ol));
    s.append(_stringval(a), (size_t)l);
    s.append(_stringval(b), (size_t)ol);
    dest = SQString::Create(_ss(this), s.data(), (SQInteger)s.size());
    return true;
}

bool SQVM::TypeOf(const SQObjectPtr &obj1, SQObjectPtr &dest) {
    SQObjectPtr closure;
    if (sqtype(obj1) == OT_INSTANCE || sqtype(obj1) == OT_TABLE || sqtype(obj1) == OT_USERDATA) {
        if (GetMetaMethodOf(obj1, MT_TYPEOF, closure)) {
            Push(obj1);
            return CallMetaMethod(closure, MT_TYPEOF, 1, dest);
        }
    }
    dest = SQString::Create(_ss(this), GetTypeName(obj1));
    return true;
}

bool SQVM::ArithMetaMethod(SQInteger op, const SQObjectPtr &o1, const SQObjectPtr &o2, SQObjectPtr &dest) {
    SQMetaMethod mm;
    switch (op) {
    case '+': mm = MT_ADD; break;
    case '-': mm = MT_SUB; break;
    case '/': mm = MT_DIV; break;
    case '*': mm = MT_MUL; break;
    case '%': mm = MT_MODULO; break;
    default: mm = MT_ADD; assert(0); break;
    }
    SQObjectPtr closure;
    if (GetMetaMethodOf(o1, mm, closure)) {
        Push(o1);
        Push(o2);
        return CallMetaMethod(closure, mm, 2, dest);
    }
    Raise_Error("arith op %c on between '%s' and '%s'", (int)op, GetTypeName(o1), GetTypeName(o2));
    return false;
}

bool SQVM::Arith(SQInteger op, SQObjectPtr &trg, const SQObjectPtr &o1, const SQObjectPtr &o2) {
    SQInteger tmask = sqtype(o1) | sqtype(o2);
    if (tmask == OT_INTEGER) {
        SQInteger i1 = _integer(o1), i2 = _integer(o2);
        SQUnsignedInteger u1 = (SQUnsignedInteger)i1, u2 = (SQUnsignedInteger)i2;
        SQInteger res;
        switch (op) {
        case '+': res = (SQInteger)(u1 + u2); break;
        case '-': res = (SQInteger)(u1 - u2); break;
        case '*': res = (SQInteger)(u1 * u2); break;
        case '/':
            if (i2 == 0) {
                Raise_Error("division by zero");
                return false;
            }
            res = (i2 == -1) ? (SQInteger)(0u - u1) : i1 / i2;  // INT_MIN / -1 wraps
            break;
        case '%':
            if (i2 == 0) {
                Raise_Error("modulo by zero");
                return false;
            }
            res = (i2 == -1) ? 0 : i1 % i2;
            break;
        default: res = 0; break;
        }
        trg = res;
        return true;
    }
    if (tmask == (OT_FLOAT | OT_INTEGER) || tmask == OT_FLOAT) {
        SQFloat f1 = tofloat(o1), f2 = tofloat(o2), res;
        switch (op) {
        case '+': res = f1 + f2; break;
        case '-': res = f1 - f2; break;
        case '*': res = f1 * f2; break;
        case '/': res = f1 / f2; break;
        case '%': res = std::fmod(f1, f2); break;
        default: res = 0; break;
        }
        trg = res;
        return true;
    }
    if (op == '+' && (tmask & _RT_STRING)) return StringCat(o1, o2, trg);
    SQObjectPtr a = o1, b = o2;
    return ArithMetaMethod(op, a, b, trg);
}

bool SQVM::BitwiseOp(SQInteger op, SQObjectPtr &trg, const SQObjectPtr &o1, const SQObjectPtr &o2) {
    if ((sqtype(o1) | sqtype(o2)) == OT_INTEGER) {
        SQInteger res;
        if (!SQIntegerBitwise(op, _integer(o1), _integer(o2), res)) {
            Raise_Error("internal vm error bitwise op failed");
            return false;
        }
        trg = res;
        return true;
    }
    Raise_Error("bitwise op between '%s' and '%s'", GetTypeName(o1), GetTypeName(o2));
    return false;
}

bool SQVM::NegOp(SQObjectPtr &target, const SQObjectPtr &o) {
    switch (sqtype(o)) {
    case OT_INTEGER: target = (SQInteger)(0u - (SQUnsignedInteger)_integer(o)); return true;
    case OT_FLOAT: target = -_float(o); return true;
    case OT_TABLE:
    case OT_USERDATA:
    case OT_INSTANCE: {
        SQObjectPtr closure;
        if (GetMetaMethodOf(o, MT_UNM, closure)) {
            Push(o);
            return CallMetaMethod(closure, MT_UNM, 1, target);
        }
        break;
    }
    default: break;
    }
    Raise_Error("attempt to negate a %s", GetTypeName(o));
    return false;
}

bool SQVM::DerefInc(SQInteger op, SQObjectPtr &target, SQObjectPtr &self, SQObjectPtr &key, SQObjectPtr &incr,
                    bool postfix, SQInteger selfidx) {
    SQObjectPtr tmp, tself = self, tkey = key, tincr = incr, result;
    if (!Get(tself, tkey, tmp, false, selfidx)) return false;
    if (!Arith(op, result, tmp, tincr)) return false;
    if (!Set(tself, tkey, result, selfidx)) return false;
    target = postfix ? tmp : result;
    return true;
}

bool SQVM::CLOSURE_OP(SQObjectPtr &target, SQFunctionProto *func) {
    SQClosure *closure = SQClosure::Create(_ss(this), func);
    SQObjectPtr holder(closure);
    SQInteger nouters = (SQInteger)func->_outervalues.size();
    for (SQInteger i = 0; i < nouters; i++) {
        SQOuterVar &v = func->_outervalues[(size_t)i];
        switch (v._type) {
        case otLOCAL: FindOuter(closure->_outervalues[(size_t)i], &STK(v._src)); break;
        case otOUTER: closure->_outervalues[(size_t)i] = _closure(ci->_closure)->_outervalues[(size_t)v._src]; break;
        }
    }
    SQInteger ndefparams = (SQInteger)func->_defaultparams.size();
    for (SQInteger i = 0; i < ndefparams; i++) closure->_defaultparams[(size_t)i] = STK(func->_defaultparams[(size_t)i]);
    target = holder;
    return true;
}

bool SQVM::CLASS_OP(SQObjectPtr &target, SQInteger baseclass, SQInteger attributes) {
    SQClass *base = nullptr;
    SQObjectPtr attrs;
    if (baseclass != -1) {
        if (sqtype(STK(baseclass)) != OT_CLASS) {
            Raise_Error("trying to inherit from a %s", GetTypeName(STK(baseclass)));
            return false;
        }
        base = _class(STK(baseclass));
    }
    if (attributes != SQ_NO_TARGET) attrs = STK(attributes);
    SQObjectPtr cls = SQClass::Create(_ss(this), base);
    if (sqtype(_class(cls)->_metamethods[MT_INHERITED]) != OT_NULL) {
        SQObjectPtr ret;
        SQObjectPtr mm = _class(cls)->_metamethods[MT_INHERITED];
        Push(cls);
        Push(attrs);
        Call(mm, 2, _top - 2, ret, SQFalse);
        Pop(2);
    }
    _class(cls)->_attributes = attrs;
    target = cls;
    return true;
}

// Advances a foreach loop over the container in register cont; key, value and iterator are the
// three registers from kreg. Sets jump to exitpos at the end, 1 to skip the generator check.
bool SQVM::FOREACH_OP(SQObjectPtr &o1, SQObjectPtr &o2, SQObjectPtr &o3, SQObjectPtr &o4, SQInteger kreg, int exitpos,
                      int &jump) {
    (void)o2;
    (void)o3;
    SQObjectPtr cont = o1, iter = o4, key, val;
    SQInteger nrefidx;
    switch (sqtype(cont)) {
    case OT_TABLE: nrefidx = _table(cont)->Next(false, iter, key, val); goto simple;
    case OT_ARRAY: nrefidx = _array(cont)->Next(iter, key, val); goto simple;
    case OT_STRING: nrefidx = _string(cont)->Next(iter, key, val); goto simple;
    case OT_CLASS:
        nrefidx = _class(cont)->Next(iter, key, val);
    simple:
        if (nrefidx == -1) {
            jump = exitpos;
            return true;
        }
        STK(kreg) = key;
        STK(kreg + 1) = val;
        STK(kreg + 2) = nrefidx;
        jump = 1;
        return true;
    case OT_USERDATA:
    case OT_INSTANCE: {
        SQObjectPtr closure, itr;
        if (GetMetaMethodOf(cont, MT_NEXTI, closure)) {
            Push(cont);
            Push(iter);
            if (!CallMetaMethod(closure, MT_NEXTI, 2, itr)) return false;
            STK(kreg) = itr;
            STK(kreg + 2) = itr;
            if (sqtype(itr) == OT_NULL) {
                jump = exitpos;
                return true;
            }
            if (!Get(cont, itr, val, false, SQ_DONT_FALL_BACK)) {
                Raise_Error("_nexti returned an invalid idx");
                return false;
            }
            STK(kreg + 1) = val;
            jump = 1;
            return true;
        }
        Raise_Error("_nexti failed");
        return false;
    }
    case OT_GENERATOR:
        if (_generator(cont)->_state == SQGenerator::eDead) {
            jump = exitpos;
            return true;
        }
        if (_generator(cont)->_state == SQGenerator::eSuspended) {
            SQInteger idx = 0;
            if (sqtype(iter) == OT_INTEGER) idx = _integer(iter) + 1;
            STK(kreg) = idx;
            STK(kreg + 2) = idx;
            jump = 0;
            return _generator(cont)->Resume(this, kreg + 1);
        }
        Raise_Error("trying to iterate a running generator");
        return false;
    default: Raise_Error("cannot iterate %s", GetTypeName(cont)); return false;
    }
}
