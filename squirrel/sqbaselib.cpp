// The base library registered by sq_open and the default delegates of every type.
#include "squirrel/squserdata.h"
#include "squirrel/sqvm.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool str2num(const SQChar *s, SQObjectPtr &res) {
    char *end;
    if (strchr(s, '.') || strchr(s, 'e') || strchr(s, 'E')) {
        double r = strtod(s, &end);
        if (s == end) return false;
        res = (SQFloat)r;
        return true;
    }
    // as strtol with a 32-bit long: out-of-range values saturate
    long long r = strtoll(s, &end, 10);
    if (s == end) return false;
    if (r > INT32_MAX) r = INT32_MAX;
    if (r < INT32_MIN) r = INT32_MIN;
    res = (SQInteger)r;
    return true;
}

SQInteger base_dummy(HSQUIRRELVM) { return 0; }

SQInteger base_collectgarbage(HSQUIRRELVM v) {
    sq_pushinteger(v, sq_collectgarbage(v));
    return 1;
}

SQInteger base_getroottable(HSQUIRRELVM v) {
    v->Push(v->_roottable);
    return 1;
}

SQInteger base_getconsttable(HSQUIRRELVM v) {
    v->Push(_ss(v)->_consts);
    return 1;
}

SQInteger base_setroottable(HSQUIRRELVM v) {
    SQObjectPtr o = v->_roottable;
    if (SQ_FAILED(sq_setroottable(v))) return SQ_ERROR;
    v->Push(o);
    return 1;
}

SQInteger base_setconsttable(HSQUIRRELVM v) {
    SQObjectPtr o = _ss(v)->_consts;
    if (SQ_FAILED(sq_setconsttable(v))) return SQ_ERROR;
    v->Push(o);
    return 1;
}

SQInteger base_seterrorhandler(HSQUIRRELVM v) {
    sq_seterrorhandler(v);
    return 0;
}

SQInteger base_setdebughook(HSQUIRRELVM v) {
    sq_setdebughook(v);
    return 0;
}

SQInteger base_enabledebuginfo(HSQUIRRELVM v) {
    SQObjectPtr &o = stack_get(v, 2);
    sq_enabledebuginfo(v, SQ_IsFalse(o) ? SQFalse : SQTrue);
    return 0;
}

SQInteger base_getstackinfos(HSQUIRRELVM v) {
    SQInteger level;
    SQStackInfos si;
    SQInteger seq = 0;
    const SQChar *name = nullptr;
    sq_getinteger(v, -1, &level);
    if (SQ_SUCCEEDED(sq_stackinfos(v, level, &si))) {
        const SQChar *fn = "unknown";
        const SQChar *src = "unknown";
        if (si.funcname) fn = si.funcname;
        if (si.source) src = si.source;
        sq_newtable(v);
        sq_pushstring(v, "func", -1);
        sq_pushstring(v, fn, -1);
        sq_createslot(v, -3);
        sq_pushstring(v, "src", -1);
        sq_pushstring(v, src, -1);
        sq_createslot(v, -3);
        sq_pushstring(v, "line", -1);
        sq_pushinteger(v, si.line);
        sq_createslot(v, -3);
        sq_pushstring(v, "locals", -1);
        sq_newtable(v);
        seq = 0;
        while ((name = sq_getlocal(v, (SQUnsignedInteger)level, (SQUnsignedInteger)seq))) {
            sq_pushstring(v, name, -1);
            sq_push(v, -2);
            sq_createslot(v, -4);
            sq_pop(v, 1);
            seq++;
        }
        sq_createslot(v, -3);
        return 1;
    }
    return 0;
}

SQInteger base_assert(HSQUIRRELVM v) {
    if (SQ_IsFalse(stack_get(v, 2))) return sq_throwerror(v, "assertion failed");
    return 0;
}

SQInteger get_slice_params(HSQUIRRELVM v, SQInteger &sidx, SQInteger &eidx, SQObjectPtr &o) {
    SQInteger top = sq_gettop(v);
    sidx = 0;
    eidx = 0;
    o = stack_get(v, 1);
    if (top > 1) {
        SQObjectPtr &start = stack_get(v, 2);
        if (sq_isnumeric(start)) sidx = tointeger(start);
    }
    if (top > 2) {
        SQObjectPtr &end = stack_get(v, 3);
        if (sq_isnumeric(end)) eidx = tointeger(end);
    } else {
        eidx = sq_getsize(v, 1);
    }
    return 1;
}

SQInteger base_print(HSQUIRRELVM v) {
    const SQChar *str;
    if (SQ_FAILED(sq_tostring(v, 2))) return SQ_ERROR;
    sq_getstring(v, -1, &str);
    if (_ss(v)->_printfunc) _ss(v)->_printfunc(v, "%s", str);
    return 0;
}

SQInteger base_error(HSQUIRRELVM v) {
    const SQChar *str;
    if (SQ_FAILED(sq_tostring(v, 2))) return SQ_ERROR;
    sq_getstring(v, -1, &str);
    if (_ss(v)->_errorfunc) _ss(v)->_errorfunc(v, "%s", str);
    return 0;
}

SQInteger base_compilestring(HSQUIRRELVM v) {
    SQInteger nargs = sq_gettop(v);
    const SQChar *src = nullptr, *name = "unnamedbuffer";
    SQInteger size;
    sq_getstring(v, 2, &src);
    size = sq_getsize(v, 2);
    if (nargs > 2) sq_getstring(v, 3, &name);
    if (SQ_SUCCEEDED(sq_compilebuffer(v, src, size, name, SQFalse))) return 1;
    return SQ_ERROR;
}

SQInteger base_newthread(HSQUIRRELVM v) {
    SQObjectPtr &func = stack_get(v, 2);
    // a native closure has no prototype to size the stack from
    SQInteger stksize = sq_isclosure(func) ? (_closure(func)->Proto()->_stacksize << 1) + 2 : 64;
    HSQUIRRELVM newv = sq_newthread(v, (stksize < 64 ? 64 : stksize));
    if (newv == nullptr) return SQ_ERROR;
    sq_move(newv, v, -2);
    return 1;
}

SQInteger base_suspend(HSQUIRRELVM v) { return sq_suspendvm(v); }

SQInteger base_array(HSQUIRRELVM v) {
    SQInteger size = tointeger(stack_get(v, 2));
    if (size < 0) return sq_throwerror(v, "negative size");
    SQArray *a = SQArray::Create(_ss(v), size);
    SQObjectPtr holder(a);
    if (sq_gettop(v) > 2) {
        SQObjectPtr fill = stack_get(v, 3);
        for (SQInteger i = 0; i < size; i++) a->_values[(size_t)i] = fill;
    }
    v->Push(holder);
    return 1;
}

SQInteger base_type(HSQUIRRELVM v) {
    SQObjectPtr &o = stack_get(v, 2);
    v->Push(SQObjectPtr(SQString::Create(_ss(v), GetTypeName(o), -1)));
    return 1;
}

SQInteger base_callee(HSQUIRRELVM v) {
    if (v->_callsstacksize > 1) {
        v->Push(v->_callsstack[(size_t)(v->_callsstacksize - 2)]._closure);
        return 1;
    }
    return sq_throwerror(v, "no closure in the calls stack");
}

const SQRegFunction base_funcs[] = {
    {"seterrorhandler", base_seterrorhandler, 2, nullptr},
    {"setdebughook", base_setdebughook, 2, nullptr},
    {"enabledebuginfo", base_enabledebuginfo, 2, nullptr},
    {"getstackinfos", base_getstackinfos, 2, ".n"},
    {"getroottable", base_getroottable, 1, nullptr},
    {"setroottable", base_setroottable, 2, nullptr},
    {"getconsttable", base_getconsttable, 1, nullptr},
    {"setconsttable", base_setconsttable, 2, nullptr},
    {"assert", base_assert, 2, nullptr},
    {"print", base_print, 2, nullptr},
    {"error", base_error, 2, nullptr},
    {"compilestring", base_compilestring, -2, ".ss"},
    {"newthread", base_newthread, 2, ".c"},
    {"suspend", base_suspend, -1, nullptr},
    {"array", base_array, -2, ".n"},
    {"type", base_type, 2, nullptr},
    {"callee", base_callee, 0, nullptr},
    {"dummy", base_dummy, 0, nullptr},
    {"collectgarbage", base_collectgarbage, 0, nullptr},
    {nullptr, nullptr, 0, nullptr}};

// ---- number

SQInteger default_delegate_len(HSQUIRRELVM v) {
    v->Push(SQObjectPtr(sq_getsize(v, 1)));
    return 1;
}

SQInteger default_delegate_tofloat(HSQUIRRELVM v) {
    SQObjectPtr &o = stack_get(v, 1);
    switch (sqtype(o)) {
    case OT_STRING: {
        SQObjectPtr res;
        if (str2num(_stringval(o), res)) {
            v->Push(SQObjectPtr(tofloat(res)));
            break;
        }
        return sq_throwerror(v, "cannot convert the string");
    }
    case OT_INTEGER:
    case OT_FLOAT: v->Push(SQObjectPtr(tofloat(o))); break;
    case OT_BOOL: v->Push(SQObjectPtr((SQFloat)(_integer(o) ? 1 : 0))); break;
    default: v->PushNull(); break;
    }
    return 1;
}

SQInteger default_delegate_tointeger(HSQUIRRELVM v) {
    SQObjectPtr &o = stack_get(v, 1);
    switch (sqtype(o)) {
    case OT_STRING: {
        SQObjectPtr res;
        if (str2num(_stringval(o), res)) {
            v->Push(SQObjectPtr(tointeger(res)));
            break;
        }
        return sq_throwerror(v, "cannot convert the string");
    }
    case OT_INTEGER:
    case OT_FLOAT: v->Push(SQObjectPtr(tointeger(o))); break;
    case OT_BOOL: v->Push(SQObjectPtr((SQInteger)(_integer(o) ? 1 : 0))); break;
    default: v->PushNull(); break;
    }
    return 1;
}

SQInteger default_delegate_tostring(HSQUIRRELVM v) {
    if (SQ_FAILED(sq_tostring(v, 1))) return SQ_ERROR;
    return 1;
}

SQInteger obj_delegate_weakref(HSQUIRRELVM v) {
    sq_weakref(v, 1);
    return 1;
}

SQInteger obj_clear(HSQUIRRELVM v) { return sq_clear(v, -1); }

SQInteger number_delegate_tochar(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    SQChar c = (SQChar)tointeger(o);
    v->Push(SQObjectPtr(SQString::Create(_ss(v), &c, 1)));
    return 1;
}

// ---- table

SQInteger table_rawdelete(HSQUIRRELVM v) {
    if (SQ_FAILED(sq_rawdeleteslot(v, 1, SQTrue))) return SQ_ERROR;
    return 1;
}

SQInteger container_rawexists(HSQUIRRELVM v) {
    if (SQ_SUCCEEDED(sq_rawget(v, -2))) {
        sq_pushbool(v, SQTrue);
        return 1;
    }
    sq_pushbool(v, SQFalse);
    return 1;
}

SQInteger container_rawset(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_rawset(v, -3)) ? 0 : SQ_ERROR; }

SQInteger container_rawget(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_rawget(v, -2)) ? 1 : SQ_ERROR; }

SQInteger table_setdelegate(HSQUIRRELVM v) {
    if (SQ_FAILED(sq_setdelegate(v, -2))) return SQ_ERROR;
    sq_push(v, -1);
    return 1;
}

SQInteger table_getdelegate(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_getdelegate(v, -1)) ? 1 : SQ_ERROR; }

// ---- array

SQInteger array_append(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_arrayappend(v, -2)) ? 0 : SQ_ERROR; }

SQInteger array_extend(HSQUIRRELVM v) {
    _array(stack_get(v, 1))->Extend(_array(stack_get(v, 2)));
    return 0;
}

SQInteger array_reverse(HSQUIRRELVM v) { return sq_arrayreverse(v, -1); }

SQInteger array_pop(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_arraypop(v, 1, SQTrue)) ? 1 : SQ_ERROR; }

SQInteger array_top(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    if (_array(o)->Size() > 0) {
        v->Push(_array(o)->Top());
        return 1;
    }
    return sq_throwerror(v, "top() on a empty array");
}

SQInteger array_insert(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    SQObject &idx = stack_get(v, 2);
    SQObject &val = stack_get(v, 3);
    if (!_array(o)->Insert(tointeger(idx), val)) return sq_throwerror(v, "index out of range");
    return 0;
}

SQInteger array_remove(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    SQObject &idx = stack_get(v, 2);
    if (!sq_isnumeric(idx)) return sq_throwerror(v, "wrong type");
    SQObjectPtr val;
    if (_array(o)->Get(tointeger(idx), val)) {
        _array(o)->Remove(tointeger(idx));
        v->Push(val);
        return 1;
    }
    return sq_throwerror(v, "idx out of range");
}

SQInteger array_resize(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    SQObject &nsize = stack_get(v, 2);
    SQObjectPtr fill;
    if (sq_isnumeric(nsize)) {
        if (sq_gettop(v) > 2) fill = stack_get(v, 3);
        SQInteger n = tointeger(nsize);
        if (n < 0) return sq_throwerror(v, "negative size");
        _array(o)->Resize(n, fill);
        return 0;
    }
    return sq_throwerror(v, "size must be a number");
}

SQInteger MapArray(SQArray *dest, SQArray *src, HSQUIRRELVM v) {
    SQObjectPtr temp;
    SQInteger size = src->Size();
    for (SQInteger n = 0; n < size; n++) {
        if (!src->Get(n, temp)) break;
        v->Push(SQObjectPtr(src));
        v->Push(temp);
        if (SQ_FAILED(sq_call(v, 2, SQTrue, SQFalse))) return SQ_ERROR;
        if (n < dest->Size()) dest->Set(n, v->GetUp(-1));
        v->Pop();
    }
    return 0;
}

SQInteger array_map(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    SQInteger size = _array(o)->Size();
    SQObjectPtr ret = SQArray::Create(_ss(v), size);
    if (SQ_FAILED(MapArray(_array(ret), _array(o), v))) return SQ_ERROR;
    v->Push(ret);
    return 1;
}

SQInteger array_apply(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    if (SQ_FAILED(MapArray(_array(o), _array(o), v))) return SQ_ERROR;
    return 0;
}

SQInteger array_reduce(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    SQArray *a = _array(o);
    SQInteger size = a->Size();
    if (size == 0) return 0;
    SQObjectPtr res;
    a->Get(0, res);
    if (size > 1) {
        SQObjectPtr other;
        for (SQInteger n = 1; n < size; n++) {
            if (!a->Get(n, other)) break;
            v->Push(o);
            v->Push(res);
            v->Push(other);
            if (SQ_FAILED(sq_call(v, 3, SQTrue, SQFalse))) return SQ_ERROR;
            res = v->GetUp(-1);
            v->Pop();
        }
    }
    v->Push(res);
    return 1;
}

SQInteger array_filter(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    SQArray *a = _array(o);
    SQObjectPtr ret = SQArray::Create(_ss(v), 0);
    SQInteger size = a->Size();
    SQObjectPtr val;
    for (SQInteger n = 0; n < size; n++) {
        if (!a->Get(n, val)) break;
        v->Push(o);
        v->Push(SQObjectPtr(n));
        v->Push(val);
        if (SQ_FAILED(sq_call(v, 3, SQTrue, SQFalse))) return SQ_ERROR;
        if (!SQ_IsFalse(v->GetUp(-1))) _array(ret)->Append(val);
        v->Pop();
    }
    v->Push(ret);
    return 1;
}

SQInteger array_find(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    SQObjectPtr val = stack_get(v, 2);
    SQArray *a = _array(o);
    SQInteger size = a->Size();
    SQObjectPtr temp;
    for (SQInteger n = 0; n < size; n++) {
        bool res = false;
        a->Get(n, temp);
        if (SQVM::IsEqual(temp, val, res) && res) {
            v->Push(SQObjectPtr(n));
            return 1;
        }
    }
    return 0;
}

// An array being sorted and its compare function (null: the < and > operators). The compare
// function is called straight through the VM, as the root table's method, with the two
// elements as arguments in three stack slots kept from base for the whole sort.
struct SortState {
    HSQUIRRELVM v;
    SQArray *arr;
    SQObjectPtr func;
    SQInteger base;
};

bool SortCompare(SortState &s, const SQObjectPtr &a, const SQObjectPtr &b, SQInteger &ret) {
    HSQUIRRELVM v = s.v;
    if (sqtype(s.func) == OT_NULL) return v->ObjCmp(a, b, ret);
    SQObjectPtr &self = v->_stack[(size_t)s.base];
    if (_rawval(self) != _rawval(v->_roottable) || sqtype(self) != sqtype(v->_roottable))
        self = v->_roottable;
    v->_stack[(size_t)s.base + 1] = a;
    v->_stack[(size_t)s.base + 2] = b;
    SQObjectPtr res;
    if (!v->Call(s.func, 3, s.base, res, SQFalse)) {
        if (!sq_isstring(v->_lasterror)) v->Raise_Error("compare func failed");
        return false;
    }
    if (!sq_isnumeric(res)) {
        v->Raise_Error("numeric value expected as return value of the compare function");
        return false;
    }
    ret = tointeger(res);
    return true;
}

// Compares two elements by position. The compare function may resize the array, so the
// elements are copied before the call and the size is checked after it.
bool SortCompareAt(SortState &s, SQInteger ia, SQInteger ib, SQInteger bottom, SQInteger &ret) {
    SQObjectPtr a = s.arr->_values[(size_t)ia], b = s.arr->_values[(size_t)ib];
    if (!SortCompare(s, a, b, ret)) return false;
    if (s.arr->Size() <= bottom) {
        s.v->Raise_Error("array resized during sort");
        return false;
    }
    return true;
}

bool HeapSiftDown(SortState &s, SQInteger root, SQInteger bottom) {
    SQInteger maxChild;
    bool done = false;
    SQInteger ret;
    SQInteger root2;
    while (((root2 = root * 2) <= bottom) && (!done)) {
        if (root2 == bottom) {
            maxChild = root2;
        } else {
            if (!SortCompareAt(s, root2, root2 + 1, bottom, ret)) return false;
            maxChild = ret > 0 ? root2 : root2 + 1;
        }
        if (!SortCompareAt(s, root, maxChild, bottom, ret)) return false;
        if (ret < 0) {
            if (root == maxChild) {
                s.v->Raise_Error("inconsistent compare function");
                return false;
            }
            s.arr->_values[(size_t)root].Swap(s.arr->_values[(size_t)maxChild]);
            root = maxChild;
        } else {
            done = true;
        }
    }
    return true;
}

SQInteger array_sort(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    if (_array(o)->Size() > 1) {
        SortState s{v, _array(o), SQObjectPtr(), 0};
        if (sq_gettop(v) == 2) {
            s.func = stack_get(v, 2);
            s.base = v->_top;
            v->Push(v->_roottable);
            v->PushNull();
            v->PushNull();
        }
        SQInteger array_size = s.arr->Size();
        for (SQInteger i = (array_size / 2); i >= 0; i--) {
            if (!HeapSiftDown(s, i, array_size - 1)) return SQ_ERROR;
        }
        for (SQInteger i = array_size - 1; i >= 1; i--) {
            s.arr->_values[0].Swap(s.arr->_values[(size_t)i]);
            if (!HeapSiftDown(s, 0, i - 1)) return SQ_ERROR;
        }
        if (sqtype(s.func) != OT_NULL) v->Pop(3);
    }
    return 0;
}

SQInteger array_slice(HSQUIRRELVM v) {
    SQInteger sidx, eidx;
    SQObjectPtr o;
    if (get_slice_params(v, sidx, eidx, o) == -1) return -1;
    SQInteger alen = _array(o)->Size();
    if (sidx < 0) sidx = alen + sidx;
    if (eidx < 0) eidx = alen + eidx;
    if (eidx < sidx) return sq_throwerror(v, "wrong indexes");
    if (eidx > alen || sidx < 0) return sq_throwerror(v, "slice out of range");
    SQArray *arr = SQArray::Create(_ss(v), eidx - sidx);
    SQObjectPtr holder(arr);
    SQObjectPtr t;
    SQInteger count = 0;
    for (SQInteger i = sidx; i < eidx; i++) {
        _array(o)->Get(i, t);
        arr->Set(count++, t);
    }
    v->Push(holder);
    return 1;
}

// ---- string

SQInteger string_slice(HSQUIRRELVM v) {
    SQInteger sidx, eidx;
    SQObjectPtr o;
    if (SQ_FAILED(get_slice_params(v, sidx, eidx, o))) return -1;
    SQInteger slen = _string(o)->_len;
    if (sidx < 0) sidx = slen + sidx;
    if (eidx < 0) eidx = slen + eidx;
    if (eidx < sidx) return sq_throwerror(v, "wrong indexes");
    if (eidx > slen || sidx < 0) return sq_throwerror(v, "slice out of range");
    v->Push(SQObjectPtr(SQString::Create(_ss(v), &_stringval(o)[sidx], eidx - sidx)));
    return 1;
}

SQInteger string_find(HSQUIRRELVM v) {
    SQInteger top, start_idx = 0;
    const SQChar *str, *substr, *ret;
    if (((top = sq_gettop(v)) > 1) && SQ_SUCCEEDED(sq_getstring(v, 1, &str)) &&
        SQ_SUCCEEDED(sq_getstring(v, 2, &substr))) {
        if (top > 2) sq_getinteger(v, 3, &start_idx);
        SQInteger len = sq_getsize(v, 1);
        if (start_idx >= 0 && start_idx < len) {
            if ((ret = strstr(&str[start_idx], substr))) {
                sq_pushinteger(v, (SQInteger)(ret - str));
                return 1;
            }
        }
        return 0;
    }
    return sq_throwerror(v, "invalid param");
}

SQInteger string_changecase(HSQUIRRELVM v, bool upper) {
    SQObject str = stack_get(v, 1);
    SQInteger len = _string(str)->_len;
    sqstring s(_stringval(str), (size_t)len);
    for (auto &c : s) c = (char)(upper ? toupper((unsigned char)c) : tolower((unsigned char)c));
    v->Push(SQObjectPtr(SQString::Create(_ss(v), s.data(), len)));
    return 1;
}
SQInteger string_tolower(HSQUIRRELVM v) { return string_changecase(v, false); }
SQInteger string_toupper(HSQUIRRELVM v) { return string_changecase(v, true); }

// ---- closure

SQInteger closure_pcall(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_call(v, sq_gettop(v) - 1, SQTrue, SQFalse)) ? 1 : SQ_ERROR; }

SQInteger closure_call(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_call(v, sq_gettop(v) - 1, SQTrue, SQTrue)) ? 1 : SQ_ERROR; }

SQInteger closure_acall_impl(HSQUIRRELVM v, SQBool raiseerror) {
    SQArray *aparams = _array(stack_get(v, 2));
    SQInteger nparams = aparams->Size();
    v->Push(stack_get(v, 1));
    for (SQInteger i = 0; i < nparams; i++) v->Push(aparams->_values[(size_t)i]);
    return SQ_SUCCEEDED(sq_call(v, nparams, SQTrue, raiseerror)) ? 1 : SQ_ERROR;
}
SQInteger closure_acall(HSQUIRRELVM v) { return closure_acall_impl(v, SQTrue); }
SQInteger closure_pacall(HSQUIRRELVM v) { return closure_acall_impl(v, SQFalse); }

SQInteger closure_bindenv(HSQUIRRELVM v) {
    if (SQ_FAILED(sq_bindenv(v, 1))) return SQ_ERROR;
    return 1;
}

SQInteger closure_getinfos(HSQUIRRELVM v) {
    SQObject o = stack_get(v, 1);
    SQTable *res = SQTable::Create(_ss(v), 4);
    SQObjectPtr holder(res);
    SQSharedState *ss = _ss(v);
    if (sqtype(o) == OT_CLOSURE) {
        SQFunctionProto *f = _closure(o)->Proto();
        SQInteger nparams = (SQInteger)f->_parameters.size() + (f->_varparams ? 1 : 0);
        SQObjectPtr params = SQArray::Create(ss, nparams);
        SQObjectPtr defparams = SQArray::Create(ss, (SQInteger)f->_defaultparams.size());
        for (SQInteger n = 0; n < (SQInteger)f->_parameters.size(); n++)
            _array(params)->Set(n, f->_parameters[(size_t)n]);
        for (SQInteger j = 0; j < (SQInteger)f->_defaultparams.size(); j++)
            _array(defparams)->Set(j, _closure(o)->_defaultparams[(size_t)j]);
        if (f->_varparams) _array(params)->Set(nparams - 1, SQSTR(ss, "..."));
        res->NewSlot(SQSTR(ss, "native"), SQObjectPtr(false));
        res->NewSlot(SQSTR(ss, "name"), f->_name);
        res->NewSlot(SQSTR(ss, "src"), f->_sourcename);
        res->NewSlot(SQSTR(ss, "parameters"), params);
        res->NewSlot(SQSTR(ss, "varargs"), SQObjectPtr((SQInteger)(f->_varparams ? 1 : 0)));
        res->NewSlot(SQSTR(ss, "defparams"), defparams);
    } else {
        SQNativeClosure *nc = _nativeclosure(o);
        res->NewSlot(SQSTR(ss, "native"), SQObjectPtr(true));
        res->NewSlot(SQSTR(ss, "name"), nc->_name);
        res->NewSlot(SQSTR(ss, "paramscheck"), SQObjectPtr(nc->_nparamscheck));
        SQObjectPtr typecheck;
        if (!nc->_typecheck.empty()) {
            typecheck = SQArray::Create(ss, (SQInteger)nc->_typecheck.size());
            for (SQInteger n = 0; n < (SQInteger)nc->_typecheck.size(); n++)
                _array(typecheck)->Set(n, SQObjectPtr(nc->_typecheck[(size_t)n]));
        }
        res->NewSlot(SQSTR(ss, "typecheck"), typecheck);
    }
    v->Push(holder);
    return 1;
}

// ---- generator and thread

SQInteger generator_getstatus(HSQUIRRELVM v) {
    SQObject &o = stack_get(v, 1);
    switch (_generator(o)->_state) {
    case SQGenerator::eSuspended: v->Push(SQSTR(_ss(v), "suspended")); break;
    case SQGenerator::eRunning: v->Push(SQSTR(_ss(v), "running")); break;
    case SQGenerator::eDead: v->Push(SQSTR(_ss(v), "dead")); break;
    }
    return 1;
}

SQInteger thread_call(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    if (sqtype(o) == OT_THREAD) {
        SQVM *t = _thread(o);
        if (sq_getvmstate(t) != SQ_VMSTATE_IDLE) return sq_throwerror(v, "cannot call a running thread");
        SQInteger nparams = sq_gettop(v);
        t->Push(t->_roottable);
        for (SQInteger i = 2; i < (nparams + 1); i++) sq_move(t, v, i);
        if (SQ_SUCCEEDED(sq_call(t, nparams, SQTrue, SQTrue))) {  // an error ending the run reaches the handler
            sq_move(v, t, -1);
            sq_pop(t, 1);
            return 1;
        }
        v->_lasterror = t->_lasterror;
        return SQ_ERROR;
    }
    return sq_throwerror(v, "wrong parameter");
}

SQInteger thread_wakeup(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    if (sqtype(o) == OT_THREAD) {
        SQVM *thread = _thread(o);
        SQInteger state = sq_getvmstate(thread);
        if (state != SQ_VMSTATE_SUSPENDED) {
            switch (state) {
            case SQ_VMSTATE_IDLE: return sq_throwerror(v, "cannot wakeup a idle thread");
            case SQ_VMSTATE_RUNNING: return sq_throwerror(v, "cannot wakeup a running thread");
            }
        }
        SQInteger wakeupret = sq_gettop(v) > 1 ? 1 : 0;
        if (wakeupret) sq_move(thread, v, 2);
        if (SQ_SUCCEEDED(sq_wakeupvm(thread, (SQBool)wakeupret, SQTrue, SQTrue, SQFalse))) {
            sq_move(v, thread, -1);
            sq_pop(thread, 1);
            if (sq_getvmstate(thread) == SQ_VMSTATE_IDLE) sq_settop(thread, 1);
            return 1;
        }
        sq_settop(thread, 1);
        v->_lasterror = thread->_lasterror;
        return SQ_ERROR;
    }
    return sq_throwerror(v, "wrong parameter");
}

SQInteger thread_getstatus(HSQUIRRELVM v) {
    SQObjectPtr &o = stack_get(v, 1);
    switch (sq_getvmstate(_thread(o))) {
    case SQ_VMSTATE_IDLE: sq_pushstring(v, "idle", -1); break;
    case SQ_VMSTATE_RUNNING: sq_pushstring(v, "running", -1); break;
    case SQ_VMSTATE_SUSPENDED: sq_pushstring(v, "suspended", -1); break;
    default: return sq_throwerror(v, "internal VM error");
    }
    return 1;
}

SQInteger thread_getstackinfos(HSQUIRRELVM v) {
    SQObjectPtr o = stack_get(v, 1);
    SQVM *thread = _thread(o);
    SQInteger threadtop = sq_gettop(thread);
    SQInteger level;
    sq_getinteger(v, -1, &level);
    SQStackInfos si;
    if (SQ_SUCCEEDED(sq_stackinfos(thread, level, &si))) {
        sq_newtable(v);
        sq_pushstring(v, "func", -1);
        sq_pushstring(v, si.funcname ? si.funcname : "unknown", -1);
        sq_createslot(v, -3);
        sq_pushstring(v, "src", -1);
        sq_pushstring(v, si.source ? si.source : "unknown", -1);
        sq_createslot(v, -3);
        sq_pushstring(v, "line", -1);
        sq_pushinteger(v, si.line);
        sq_createslot(v, -3);
        sq_settop(thread, threadtop);
        return 1;
    }
    sq_settop(thread, threadtop);
    return 0;
}

// ---- class and instance

SQInteger class_getattributes(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_getattributes(v, -2)) ? 1 : SQ_ERROR; }
SQInteger class_setattributes(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_setattributes(v, -3)) ? 1 : SQ_ERROR; }
SQInteger class_instance(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_createinstance(v, -1)) ? 1 : SQ_ERROR; }
SQInteger class_getbase(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_getbase(v, -1)) ? 1 : SQ_ERROR; }
SQInteger instance_getclass(HSQUIRRELVM v) { return SQ_SUCCEEDED(sq_getclass(v, 1)) ? 1 : SQ_ERROR; }

SQInteger class_newmember(HSQUIRRELVM v, bool raw) {
    SQInteger top = sq_gettop(v);
    SQObjectPtr attrs;
    bool bstatic = false;
    if (top >= 4) attrs = stack_get(v, 4);
    if (top >= 5) bstatic = !SQ_IsFalse(stack_get(v, 5));
    SQObjectPtr self = stack_get(v, 1), key = stack_get(v, 2), val = stack_get(v, 3);
    return v->NewSlotA(self, key, val, attrs, bstatic, raw) ? 0 : SQ_ERROR;
}
SQInteger class_newmember_mm(HSQUIRRELVM v) { return class_newmember(v, false); }
SQInteger class_rawnewmember(HSQUIRRELVM v) { return class_newmember(v, true); }

// ---- weakref

SQInteger weakref_ref(HSQUIRRELVM v) {
    if (SQ_FAILED(sq_getweakrefval(v, 1))) return SQ_ERROR;
    return 1;
}

const SQRegFunction number_delegate[] = {{"tointeger", default_delegate_tointeger, 1, "n|b"},
                                         {"tofloat", default_delegate_tofloat, 1, "n|b"},
                                         {"tostring", default_delegate_tostring, 1, "."},
                                         {"tochar", number_delegate_tochar, 1, "n|b"},
                                         {"weakref", obj_delegate_weakref, 1, nullptr},
                                         {nullptr, nullptr, 0, nullptr}};

const SQRegFunction table_delegate[] = {{"len", default_delegate_len, 1, "t"},
                                        {"rawget", container_rawget, 2, "t"},
                                        {"rawset", container_rawset, 3, "t"},
                                        {"rawdelete", table_rawdelete, 2, "t"},
                                        {"rawin", container_rawexists, 2, "t"},
                                        {"weakref", obj_delegate_weakref, 1, nullptr},
                                        {"tostring", default_delegate_tostring, 1, "."},
                                        {"clear", obj_clear, 1, "."},
                                        {"setdelegate", table_setdelegate, 2, ".t|o"},
                                        {"getdelegate", table_getdelegate, 1, "."},
                                        {nullptr, nullptr, 0, nullptr}};

const SQRegFunction array_delegate[] = {{"len", default_delegate_len, 1, "a"},
                                        {"append", array_append, 2, "a"},
                                        {"extend", array_extend, 2, "aa"},
                                        {"push", array_append, 2, "a"},
                                        {"pop", array_pop, 1, "a"},
                                        {"top", array_top, 1, "a"},
                                        {"insert", array_insert, 3, "an"},
                                        {"remove", array_remove, 2, "an"},
                                        {"resize", array_resize, -2, "an"},
                                        {"reverse", array_reverse, 1, "a"},
                                        {"sort", array_sort, -1, "ac"},
                                        {"slice", array_slice, -1, "ann"},
                                        {"weakref", obj_delegate_weakref, 1, nullptr},
                                        {"tostring", default_delegate_tostring, 1, "."},
                                        {"clear", obj_clear, 1, "."},
                                        {"map", array_map, 2, "ac"},
                                        {"apply", array_apply, 2, "ac"},
                                        {"reduce", array_reduce, 2, "ac"},
                                        {"filter", array_filter, 2, "ac"},
                                        {"find", array_find, 2, "a."},
                                        {nullptr, nullptr, 0, nullptr}};

const SQRegFunction string_delegate[] = {{"len", default_delegate_len, 1, "s"},
                                         {"tointeger", default_delegate_tointeger, 1, "s"},
                                         {"tofloat", default_delegate_tofloat, 1, "s"},
                                         {"tostring", default_delegate_tostring, 1, "."},
                                         {"slice", string_slice, -1, " s n  n"},
                                         {"find", string_find, -2, "s s n "},
                                         {"tolower", string_tolower, 1, "s"},
                                         {"toupper", string_toupper, 1, "s"},
                                         {"weakref", obj_delegate_weakref, 1, nullptr},
                                         {nullptr, nullptr, 0, nullptr}};

const SQRegFunction closure_delegate[] = {{"call", closure_call, -1, "c"},
                                          {"pcall", closure_pcall, -1, "c"},
                                          {"acall", closure_acall, 2, "ca"},
                                          {"pacall", closure_pacall, 2, "ca"},
                                          {"weakref", obj_delegate_weakref, 1, nullptr},
                                          {"tostring", default_delegate_tostring, 1, "."},
                                          {"bindenv", closure_bindenv, 2, "c x|y|t"},
                                          {"getinfos", closure_getinfos, 1, "c"},
                                          {nullptr, nullptr, 0, nullptr}};

const SQRegFunction generator_delegate[] = {{"getstatus", generator_getstatus, 1, "g"},
                                            {"weakref", obj_delegate_weakref, 1, nullptr},
                                            {"tostring", default_delegate_tostring, 1, "."},
                                            {nullptr, nullptr, 0, nullptr}};

const SQRegFunction thread_delegate[] = {{"call", thread_call, -1, "v"},
                                         {"wakeup", thread_wakeup, -1, "v"},
                                         {"getstatus", thread_getstatus, 1, "v"},
                                         {"weakref", obj_delegate_weakref, 1, nullptr},
                                         {"getstackinfos", thread_getstackinfos, 2, "vn"},
                                         {"tostring", default_delegate_tostring, 1, "."},
                                         {nullptr, nullptr, 0, nullptr}};

const SQRegFunction class_delegate[] = {{"getattributes", class_getattributes, 2, "y."},
                                        {"setattributes", class_setattributes, 3, "y.."},
                                        {"rawget", container_rawget, 2, "y"},
                                        {"rawset", container_rawset, 3, "y"},
                                        {"rawin", container_rawexists, 2, "y"},
                                        {"weakref", obj_delegate_weakref, 1, nullptr},
                                        {"tostring", default_delegate_tostring, 1, "."},
                                        {"instance", class_instance, 1, "y"},
                                        {"getbase", class_getbase, 1, "y"},
                                        {"newmember", class_newmember_mm, -3, "y"},
                                        {"rawnewmember", class_rawnewmember, -3, "y"},
                                        {nullptr, nullptr, 0, nullptr}};

const SQRegFunction instance_delegate[] = {{"getclass", instance_getclass, 1, "x"},
                                           {"rawget", container_rawget, 2, "x"},
                                           {"rawset", container_rawset, 3, "x"},
                                           {"rawin", container_rawexists, 2, "x"},
                                           {"weakref", obj_delegate_weakref, 1, nullptr},
                                           {"tostring", default_delegate_tostring, 1, "."},
                                           {nullptr, nullptr, 0, nullptr}};

const SQRegFunction weakref_delegate[] = {{"ref", weakref_ref, 1, "r"},
                                          {"weakref", obj_delegate_weakref, 1, nullptr},
                                          {"tostring", default_delegate_tostring, 1, "."},
                                          {nullptr, nullptr, 0, nullptr}};

// The entry points report running out of memory as an error; while a VM is being opened it
// must fail the opening instead.
void Require(bool succeeded) {
    if (!succeeded) throw std::bad_alloc();
}

// Sets key to the value pushed by push in the table on top of the stack.
template <class Push>
void SetSlot(HSQUIRRELVM v, const SQChar *key, Push push) {
    const SQInteger top = sq_gettop(v);
    sq_pushstring(v, key, -1);
    push();
    Require(sq_gettop(v) == top + 2 && SQ_SUCCEEDED(sq_createslot(v, -3)));
}

void RegisterFunctions(HSQUIRRELVM v, const SQRegFunction *funcs) {
    for (SQInteger i = 0; funcs[i].name; i++) {
        SetSlot(v, funcs[i].name, [&] {
            sq_newclosure(v, funcs[i].f, 0);
            Require(sq_gettop(v) >= 2 && SQ_SUCCEEDED(sq_setparamscheck(v, funcs[i].nparamscheck, funcs[i].typemask)) &&
                    SQ_SUCCEEDED(sq_setnativeclosurename(v, -1, funcs[i].name)));
        });
    }
}

SQObjectPtr CreateDefaultDelegate(HSQUIRRELVM v, const SQRegFunction *funcs) {
    const SQInteger top = sq_gettop(v);
    sq_newtable(v);
    Require(sq_gettop(v) == top + 1);
    RegisterFunctions(v, funcs);
    SQObjectPtr t = v->Top();
    v->Pop();
    return t;
}

}  // namespace

void sq_base_register(HSQUIRRELVM v) {
    const SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    Require(sq_gettop(v) == top + 1);
    RegisterFunctions(v, base_funcs);
    SetSlot(v, "_versionnumber_", [&] { sq_pushinteger(v, SQUIRREL_VERSION_NUMBER); });
    SetSlot(v, "_version_", [&] { sq_pushstring(v, SQUIRREL_VERSION, -1); });
    SetSlot(v, "_charsize_", [&] { sq_pushinteger(v, (SQInteger)sizeof(SQChar)); });
    SetSlot(v, "_intsize_", [&] { sq_pushinteger(v, (SQInteger)sizeof(SQInteger)); });
    SetSlot(v, "_floatsize_", [&] { sq_pushinteger(v, (SQInteger)sizeof(SQFloat)); });
    sq_pop(v, 1);
}

void sq_init_default_delegates(SQSharedState *ss, SQVM *v) {
    v->_stack.resize(256);
    ss->_table_default_delegate = CreateDefaultDelegate(v, table_delegate);
    ss->_array_default_delegate = CreateDefaultDelegate(v, array_delegate);
    ss->_string_default_delegate = CreateDefaultDelegate(v, string_delegate);
    ss->_number_default_delegate = CreateDefaultDelegate(v, number_delegate);
    ss->_closure_default_delegate = CreateDefaultDelegate(v, closure_delegate);
    ss->_generator_default_delegate = CreateDefaultDelegate(v, generator_delegate);
    ss->_thread_default_delegate = CreateDefaultDelegate(v, thread_delegate);
    ss->_class_default_delegate = CreateDefaultDelegate(v, class_delegate);
    ss->_instance_default_delegate = CreateDefaultDelegate(v, instance_delegate);
    ss->_weakref_default_delegate = CreateDefaultDelegate(v, weakref_delegate);
}
