// The public C API over the VM.
#include "squirrel/squserdata.h"
#include "squirrel/sqvm.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
bool sq_aux_gettypedarg(HSQUIRRELVM v, SQInteger idx, SQObjectType type, SQObjectPtr **o) {
    *o = &stack_get(v, idx);
    if (sqtype(**o) != type) {
        SQObjectPtr oval = v->PrintObjVal(**o);
        v->Raise_Error("wrong argument type, expected '%s' got '%.50s'", IdType2Name(type), _stringval(oval));
        return false;
    }
    return true;
}
#define SQ_TYPED_ARG(v, idx, type, o) \
    if (!sq_aux_gettypedarg(v, idx, type, &o)) return SQ_ERROR;

SQRESULT sq_aux_invalidtype(HSQUIRRELVM v, SQObjectType type) {
    char buf[100];
    snprintf(buf, sizeof(buf), "unexpected type %s", IdType2Name(type));
    return sq_throwerror(v, buf);
}
}  // namespace

SQObjectPtr &stack_get(HSQUIRRELVM v, SQInteger idx) {
    return ((idx >= 0) ? (v->GetAt(idx + v->_stackbase - 1)) : (v->GetUp(idx)));
}

namespace {
// Frees the state and every object in it. Closing allocates a little; when even that fails, what
// could not be freed is left.
void CloseState(SQSharedState *ss) {
    try {
        if (sqtype(ss->_root_vm) == OT_THREAD) _thread(ss->_root_vm)->Finalize();
        ss->Close();
    } catch (const std::bad_alloc &) {
    }
    ss->_root_vm.Null();
    delete ss;
}
}  // namespace

HSQUIRRELVM sq_open(SQInteger initialstacksize) {
    SQSharedState *ss = nullptr;
    try {
        ss = new SQSharedState();
        ss->Init();
        SQVM *v = new SQVM(ss);
        ss->_root_vm = v;
        sq_init_default_delegates(ss, v);
        v->Init(nullptr, initialstacksize);
        return v;
    } catch (const std::bad_alloc &) {
        if (ss) CloseState(ss);
        return nullptr;
    }
}

HSQUIRRELVM sq_newthread(HSQUIRRELVM friendvm, SQInteger initialstacksize) try {
    SQSharedState *ss = _ss(friendvm);
    SQVM *v = new SQVM(ss);
    SQObjectPtr holder(v);
    v->Init(friendvm, initialstacksize);
    friendvm->Push(holder);
    return v;
} SQ_API_CATCH(friendvm, nullptr)

SQInteger sq_getvmstate(HSQUIRRELVM v) {
    if (v->_suspended) return SQ_VMSTATE_SUSPENDED;
    return v->_callsstacksize != 0 ? SQ_VMSTATE_RUNNING : SQ_VMSTATE_IDLE;
}

void sq_seterrorhandler(HSQUIRRELVM v) {
    SQObject o = stack_get(v, -1);
    if (sq_isclosure(o) || sq_isnativeclosure(o) || sq_isnull(o)) {
        v->_errorhandler = o;
        v->Pop();
    }
}

void sq_setdebughook(HSQUIRRELVM v) {
    SQObject o = stack_get(v, -1);
    if (sq_isclosure(o) || sq_isnativeclosure(o) || sq_isnull(o)) {
        v->_debughook = o;
        v->Pop();
    }
}

void sq_close(HSQUIRRELVM v) { CloseState(_ss(v)); }

SQRESULT sq_compile(HSQUIRRELVM v, SQLEXREADFUNC read, SQUserPointer p, const SQChar *sourcename, SQBool raiseerror) try {
    SQObjectPtr o;
    if (sq_compile_buffer(v, read, p, sourcename, o, raiseerror ? true : false, _ss(v)->_debuginfo)) {
        v->Push(SQClosure::Create(_ss(v), _funcproto(o)));
        return SQ_OK;
    }
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

namespace {
struct BufState {
    const SQChar *buf;
    SQInteger ptr;
    SQInteger size;
};
SQInteger buf_lexfeed(SQUserPointer file) {
    BufState *buf = (BufState *)file;
    if (buf->size < (buf->ptr + 1)) return 0;
    return (unsigned char)buf->buf[buf->ptr++];
}
}  // namespace

SQRESULT sq_compilebuffer(HSQUIRRELVM v, const SQChar *s, SQInteger size, const SQChar *sourcename, SQBool raiseerror) {
    BufState buf;
    buf.buf = s;
    buf.size = size;
    buf.ptr = 0;
    return sq_compile(v, buf_lexfeed, &buf, sourcename, raiseerror);
}

void sq_enabledebuginfo(HSQUIRRELVM v, SQBool enable) { _ss(v)->_debuginfo = enable ? true : false; }
void sq_notifyallexceptions(HSQUIRRELVM v, SQBool enable) { _ss(v)->_notifyallexceptions = enable ? true : false; }
void sq_setcompilererrorhandler(HSQUIRRELVM v, SQCOMPILERERROR f) { _ss(v)->_compilererrorhandler = f; }

void sq_addref(HSQUIRRELVM v, HSQOBJECT *po) try { _ss(v)->AddRef(*po); } SQ_API_CATCH(v)
SQUnsignedInteger sq_getrefcount(HSQUIRRELVM v, HSQOBJECT *po) { return _ss(v)->GetRefCount(*po); }
SQBool sq_release(HSQUIRRELVM v, HSQOBJECT *po) { return _ss(v)->Release(*po) ? SQTrue : SQFalse; }

const SQChar *sq_objtostring(const HSQOBJECT *o) {
    if (sq_type(*o) == OT_STRING) return _stringval(*o);
    return nullptr;
}
SQInteger sq_objtointeger(const HSQOBJECT *o) {
    if (sq_isnumeric(*o)) return tointeger(*o);
    return 0;
}
SQFloat sq_objtofloat(const HSQOBJECT *o) {
    if (sq_isnumeric(*o)) return tofloat(*o);
    return 0;
}
SQBool sq_objtobool(const HSQOBJECT *o) {
    if (sq_isbool(*o)) return _integer(*o) ? SQTrue : SQFalse;
    return SQFalse;
}

void sq_pushnull(HSQUIRRELVM v) try { v->PushNull(); } SQ_API_CATCH(v)
void sq_pushstring(HSQUIRRELVM v, const SQChar *s, SQInteger len) try {
    if (s)
        v->Push(SQObjectPtr(SQString::Create(_ss(v), s, len)));
    else
        v->PushNull();
} SQ_API_CATCH(v)
void sq_pushinteger(HSQUIRRELVM v, SQInteger n) try { v->PushNumber(n); } SQ_API_CATCH(v)
void sq_pushbool(HSQUIRRELVM v, SQBool b) try { v->Push(SQObjectPtr(b ? true : false)); } SQ_API_CATCH(v)
void sq_pushfloat(HSQUIRRELVM v, SQFloat n) try { v->PushNumber(n); } SQ_API_CATCH(v)
void sq_pushuserpointer(HSQUIRRELVM v, SQUserPointer p) try { v->Push(SQObjectPtr(p)); } SQ_API_CATCH(v)

SQUserPointer sq_newuserdata(HSQUIRRELVM v, SQUnsignedInteger size) try {
    SQUserData *ud = SQUserData::Create(_ss(v), (SQInteger)size);
    v->Push(SQObjectPtr(ud));
    return ud->Data();
} SQ_API_CATCH(v, nullptr)

void sq_newtable(HSQUIRRELVM v) try { v->Push(SQObjectPtr(SQTable::Create(_ss(v), 0))); } SQ_API_CATCH(v)

void sq_newarray(HSQUIRRELVM v, SQInteger size) try {
    if (size < 0) size = 0;
    v->Push(SQObjectPtr(SQArray::Create(_ss(v), size)));
} SQ_API_CATCH(v)

SQRESULT sq_newclass(HSQUIRRELVM v, SQBool hasbase) try {
    SQClass *baseclass = nullptr;
    if (hasbase) {
        SQObjectPtr &base = stack_get(v, -1);
        if (sqtype(base) != OT_CLASS) return sq_throwerror(v, "invalid base type");
        baseclass = _class(base);
    }
    SQObjectPtr newclass(SQClass::Create(_ss(v), baseclass));
    if (baseclass) v->Pop();
    v->Push(newclass);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQBool sq_instanceof(HSQUIRRELVM v) try {
    SQObjectPtr &inst = stack_get(v, -1);
    SQObjectPtr &cl = stack_get(v, -2);
    if (sqtype(inst) != OT_INSTANCE || sqtype(cl) != OT_CLASS) return sq_throwerror(v, "invalid param type");
    return _instance(inst)->InstanceOf(_class(cl)) ? SQTrue : SQFalse;
} SQ_API_CATCH(v, SQFalse)

SQRESULT sq_arrayappend(HSQUIRRELVM v, SQInteger idx) try {
    sq_aux_paramscheck(v, 2);
    SQObjectPtr *arr;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, arr);
    _array(*arr)->Append(v->GetUp(-1));
    v->Pop();
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_arraypop(HSQUIRRELVM v, SQInteger idx, SQBool pushval) try {
    sq_aux_paramscheck(v, 1);
    SQObjectPtr *arr;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, arr);
    if (_array(*arr)->Size() > 0) {
        if (pushval != 0) v->Push(_array(*arr)->Top());
        _array(*arr)->Pop();
        return SQ_OK;
    }
    return sq_throwerror(v, "empty array");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_arrayresize(HSQUIRRELVM v, SQInteger idx, SQInteger newsize) try {
    sq_aux_paramscheck(v, 1);
    SQObjectPtr *arr;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, arr);
    if (newsize >= 0) {
        _array(*arr)->Resize(newsize);
        return SQ_OK;
    }
    return sq_throwerror(v, "negative size");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_arrayreverse(HSQUIRRELVM v, SQInteger idx) try {
    sq_aux_paramscheck(v, 1);
    SQObjectPtr *o;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, o);
    SQArray *arr = _array(*o);
    SQInteger size = arr->Size();
    for (SQInteger i = 0; i < size / 2; i++) arr->_values[(size_t)i].Swap(arr->_values[(size_t)(size - 1 - i)]);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_arrayremove(HSQUIRRELVM v, SQInteger idx, SQInteger itemidx) try {
    sq_aux_paramscheck(v, 1);
    SQObjectPtr *arr;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, arr);
    return _array(*arr)->Remove(itemidx) ? SQ_OK : sq_throwerror(v, "index out of range");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_arrayinsert(HSQUIRRELVM v, SQInteger idx, SQInteger destpos) try {
    sq_aux_paramscheck(v, 1);
    SQObjectPtr *arr;
    SQ_TYPED_ARG(v, idx, OT_ARRAY, arr);
    SQRESULT ret = _array(*arr)->Insert(destpos, v->GetUp(-1)) ? SQ_OK : sq_throwerror(v, "index out of range");
    v->Pop();
    return ret;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_newclosure(HSQUIRRELVM v, SQFUNCTION func, SQUnsignedInteger nfreevars) try {
    SQNativeClosure *nc = SQNativeClosure::Create(_ss(v), func, (SQInteger)nfreevars);
    SQObjectPtr holder(nc);
    for (SQUnsignedInteger i = 0; i < nfreevars; i++) {
        nc->_outervalues[i] = v->Top();
        v->Pop();
    }
    v->Push(holder);
} SQ_API_CATCH(v)

SQRESULT sq_getclosureinfo(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger *nparams, SQUnsignedInteger *nfreevars) try {
    SQObject o = stack_get(v, idx);
    if (sq_isclosure(o)) {
        SQFunctionProto *proto = _closure(o)->Proto();
        *nparams = (SQUnsignedInteger)proto->_parameters.size();
        *nfreevars = (SQUnsignedInteger)proto->_outervalues.size();
        return SQ_OK;
    }
    return sq_throwerror(v, "the object is not a closure");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_setnativeclosurename(HSQUIRRELVM v, SQInteger idx, const SQChar *name) try {
    SQObject o = stack_get(v, idx);
    if (sq_isnativeclosure(o)) {
        _nativeclosure(o)->_name = SQString::Create(_ss(v), name);
        return SQ_OK;
    }
    return sq_throwerror(v, "the object is not a nativeclosure");
} SQ_API_CATCH(v, SQ_ERROR)

// Compiles a type mask ("n|s", ".", ...) into one bit set per parameter; -1 when the mask is invalid.
static bool CompileTypemask(sqvector<SQInteger> &res, const SQChar *typemask) {
    SQInteger i = 0;
    SQInteger mask = 0;
    while (typemask[i] != 0) {
        switch (typemask[i]) {
        case 'o': mask |= _RT_NULL; break;
        case 'i': mask |= _RT_INTEGER; break;
        case 'f': mask |= _RT_FLOAT; break;
        case 'n': mask |= (_RT_FLOAT | _RT_INTEGER); break;
        case 's': mask |= _RT_STRING; break;
        case 't': mask |= _RT_TABLE; break;
        case 'a': mask |= _RT_ARRAY; break;
        case 'u': mask |= _RT_USERDATA; break;
        case 'c': mask |= (_RT_CLOSURE | _RT_NATIVECLOSURE); break;
        case 'b': mask |= _RT_BOOL; break;
        case 'g': mask |= _RT_GENERATOR; break;
        case 'p': mask |= _RT_USERPOINTER; break;
        case 'v': mask |= _RT_THREAD; break;
        case 'x': mask |= _RT_INSTANCE; break;
        case 'y': mask |= _RT_CLASS; break;
        case 'r': mask |= _RT_WEAKREF; break;
        case '.':
            mask = -1;
            res.push_back(mask);
            i++;
            mask = 0;
            continue;
        case ' ':
            i++;
            continue;
        default: return false;
        }
        i++;
        if (typemask[i] == '|') {
            i++;
            if (typemask[i] == 0) return false;
            continue;
        }
        res.push_back(mask);
        mask = 0;
    }
    return true;
}

SQRESULT sq_setparamscheck(HSQUIRRELVM v, SQInteger nparamscheck, const SQChar *typemask) try {
    SQObject o = stack_get(v, -1);
    if (!sq_isnativeclosure(o)) return sq_throwerror(v, "native closure expected");
    SQNativeClosure *nc = _nativeclosure(o);
    nc->_nparamscheck = nparamscheck;
    if (typemask) {
        sqvector<SQInteger> res;
        if (!CompileTypemask(res, typemask)) return sq_throwerror(v, "invalid typemask");
        nc->_typecheck = res;
    } else {
        nc->_typecheck.clear();
    }
    if (nparamscheck == SQ_MATCHTYPEMASKSTRING) nc->_nparamscheck = (SQInteger)nc->_typecheck.size();
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_bindenv(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &o = stack_get(v, idx);
    if (!sq_isnativeclosure(o) && !sq_isclosure(o)) return sq_throwerror(v, "the target is not a closure");
    SQObjectPtr &env = stack_get(v, -1);
    if (!sq_istable(env) && !sq_isclass(env) && !sq_isinstance(env))
        return sq_throwerror(v, "invalid environment");
    SQObjectPtr ret;
    if (sq_isclosure(o)) {
        SQClosure *c = _closure(o)->Clone();
        ret = c;
        c->_env = env;
    } else {
        SQNativeClosure *c = _nativeclosure(o)->Clone();
        ret = c;
        c->_env = env;
    }
    v->Pop();
    v->Push(ret);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_clear(HSQUIRRELVM v, SQInteger idx) try {
    SQObject &o = stack_get(v, idx);
    switch (sqtype(o)) {
    case OT_TABLE: _table(o)->Clear(); break;
    case OT_ARRAY: _array(o)->Resize(0); break;
    default: return sq_throwerror(v, "clear only works on table and array");
    }
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_pushroottable(HSQUIRRELVM v) try { v->PushObject(v->_roottable); } SQ_API_CATCH(v)
void sq_pushregistrytable(HSQUIRRELVM v) try { v->Push(_ss(v)->_registry); } SQ_API_CATCH(v)
void sq_pushconsttable(HSQUIRRELVM v) try { v->Push(_ss(v)->_consts); } SQ_API_CATCH(v)

SQRESULT sq_setroottable(HSQUIRRELVM v) try {
    SQObject o = stack_get(v, -1);
    if (sq_istable(o) || sq_isnull(o)) {
        v->_roottable = o;
        v->Pop();
        return SQ_OK;
    }
    return sq_throwerror(v, "ivalid type");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_setconsttable(HSQUIRRELVM v) try {
    SQObject o = stack_get(v, -1);
    if (sq_istable(o)) {
        _ss(v)->_consts = o;
        v->Pop();
        return SQ_OK;
    }
    return sq_throwerror(v, "ivalid type, expected table");
} SQ_API_CATCH(v, SQ_ERROR)

void sq_setforeignptr(HSQUIRRELVM v, SQUserPointer p) { v->_foreignptr = p; }
SQUserPointer sq_getforeignptr(HSQUIRRELVM v) { return v->_foreignptr; }

void sq_push(HSQUIRRELVM v, SQInteger idx) try { v->Push(stack_get(v, idx)); } SQ_API_CATCH(v)
SQObjectType sq_gettype(HSQUIRRELVM v, SQInteger idx) { return sqtype(stack_get(v, idx)); }

SQRESULT sq_tostring(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &o = stack_get(v, idx);
    SQObjectPtr res;
    if (!v->ToString(o, res)) return SQ_ERROR;
    v->Push(res);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_tobool(HSQUIRRELVM v, SQInteger idx, SQBool *b) try {
    SQObjectPtr &o = stack_get(v, idx);
    *b = SQ_IsFalse(o) ? SQFalse : SQTrue;
} SQ_API_CATCH(v)

SQRESULT sq_getinteger(HSQUIRRELVM v, SQInteger idx, SQInteger *i) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sq_isnumeric(o)) {
        *i = tointeger(o);
        return SQ_OK;
    }
    return SQ_ERROR;
}

SQRESULT sq_getfloat(HSQUIRRELVM v, SQInteger idx, SQFloat *f) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sq_isnumeric(o)) {
        *f = tofloat(o);
        return SQ_OK;
    }
    return SQ_ERROR;
}

SQRESULT sq_getbool(HSQUIRRELVM v, SQInteger idx, SQBool *b) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sq_isbool(o)) {
        *b = _integer(o) ? SQTrue : SQFalse;
        return SQ_OK;
    }
    return SQ_ERROR;
}

SQRESULT sq_getstring(HSQUIRRELVM v, SQInteger idx, const SQChar **c) {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_STRING, o);
    *c = _stringval(*o);
    return SQ_OK;
}

SQRESULT sq_getthread(HSQUIRRELVM v, SQInteger idx, HSQUIRRELVM *thread) {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_THREAD, o);
    *thread = _thread(*o);
    return SQ_OK;
}

SQRESULT sq_clone(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &o = stack_get(v, idx);
    SQObjectPtr res;
    if (!v->Clone(o, res)) return SQ_ERROR;
    v->Push(res);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQInteger sq_getsize(HSQUIRRELVM v, SQInteger idx) {
    SQObjectPtr &o = stack_get(v, idx);
    switch (sqtype(o)) {
    case OT_STRING: return _string(o)->_len;
    case OT_TABLE: return _table(o)->CountUsed();
    case OT_ARRAY: return _array(o)->Size();
    case OT_USERDATA: return _userdata(o)->_size;
    case OT_INSTANCE: return _instance(o)->_class->_udsize;
    case OT_CLASS: return _class(o)->_udsize;
    default: return sq_aux_invalidtype(v, sqtype(o));
    }
}

SQRESULT sq_getuserdata(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p, SQUserPointer *typetag) {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_USERDATA, o);
    (*p) = _userdata(*o)->Data();
    if (typetag) *typetag = _userdata(*o)->_typetag;
    return SQ_OK;
}

SQRESULT sq_settypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer typetag) {
    SQObjectPtr &o = stack_get(v, idx);
    switch (sqtype(o)) {
    case OT_USERDATA: _userdata(o)->_typetag = typetag; break;
    case OT_CLASS: _class(o)->_typetag = typetag; break;
    default: return sq_throwerror(v, "invalid object type");
    }
    return SQ_OK;
}

SQRESULT sq_getobjtypetag(const HSQOBJECT *o, SQUserPointer *typetag) {
    switch (sq_type(*o)) {
    case OT_INSTANCE: *typetag = _instance(*o)->_class->_typetag; break;
    case OT_USERDATA: *typetag = _userdata(*o)->_typetag; break;
    case OT_CLASS: *typetag = _class(*o)->_typetag; break;
    default: return SQ_ERROR;
    }
    return SQ_OK;
}

SQRESULT sq_gettypetag(HSQUIRRELVM v, SQInteger idx, SQUserPointer *typetag) {
    SQObjectPtr &o = stack_get(v, idx);
    if (SQ_FAILED(sq_getobjtypetag(&o, typetag))) return sq_throwerror(v, "invalid object type");
    return SQ_OK;
}

SQRESULT sq_getuserpointer(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p) {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_USERPOINTER, o);
    (*p) = _userpointer(*o);
    return SQ_OK;
}

SQRESULT sq_setinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer p) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sqtype(o) != OT_INSTANCE) return sq_throwerror(v, "the object is not a class instance");
    _instance(o)->_userpointer = p;
    return SQ_OK;
}

SQRESULT sq_setclassudsize(HSQUIRRELVM v, SQInteger idx, SQInteger udsize) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sqtype(o) != OT_CLASS) return sq_throwerror(v, "the object is not a class");
    if (_class(o)->_locked) return sq_throwerror(v, "the class is locked");
    _class(o)->_udsize = udsize;
    return SQ_OK;
}

SQRESULT sq_getinstanceup(HSQUIRRELVM v, SQInteger idx, SQUserPointer *p, SQUserPointer typetag) {
    SQObjectPtr &o = stack_get(v, idx);
    if (sqtype(o) != OT_INSTANCE) return sq_throwerror(v, "the object is not a class instance");
    (*p) = _instance(o)->_userpointer;
    if (typetag != nullptr) {
        SQClass *cl = _instance(o)->_class;
        do {
            if (cl->_typetag == typetag) return SQ_OK;
            cl = cl->_base;
        } while (cl != nullptr);
        return sq_throwerror(v, "invalid type tag");
    }
    return SQ_OK;
}

SQInteger sq_gettop(HSQUIRRELVM v) { return (v->_top) - v->_stackbase; }

void sq_settop(HSQUIRRELVM v, SQInteger newtop) try {
    SQInteger top = sq_gettop(v);
    if (top > newtop)
        sq_pop(v, top - newtop);
    else
        while (top++ < newtop) sq_pushnull(v);
} SQ_API_CATCH(v)

void sq_pop(HSQUIRRELVM v, SQInteger nelemstopop) {
    assert(v->_top - v->_stackbase >= nelemstopop);
    v->Pop(nelemstopop);
}

void sq_poptop(HSQUIRRELVM v) {
    assert(v->_top - v->_stackbase >= 1);
    v->Pop();
}

void sq_remove(HSQUIRRELVM v, SQInteger idx) {
    SQInteger abs = (idx >= 0) ? (v->_stackbase + idx - 1) : (v->_top + idx);
    // The values above move down whole, with their references; the removed one is released last,
    // once the stack is consistent again (its release hook may use the VM).
    SQObject *slots = v->_stack.data();
    SQObject removed = slots[abs];
    SQInteger last = v->_top - 1;
    if (abs + 1 == last)
        slots[abs] = slots[last];  // the common removal just below the top, without a block move
    else
        for (SQInteger i = abs; i < last; i++) slots[i] = slots[i + 1];
    slots[last]._type = OT_NULL;
    slots[last]._unVal.raw = 0;
    v->_top = last;
    if (ISREFCOUNTED(sqtype(removed)) && --removed._unVal.pRefCounted->_uiRef == 0) removed._unVal.pRefCounted->Release();
}

SQInteger sq_cmp(HSQUIRRELVM v) try {
    SQInteger res = 0;
    v->ObjCmp(stack_get(v, -1), stack_get(v, -2), res);
    return res;
} SQ_API_CATCH(v, 0)

SQRESULT sq_newslot(HSQUIRRELVM v, SQInteger idx, SQBool bstatic) try {
    sq_aux_paramscheck(v, 3);
    SQObjectPtr self = stack_get(v, idx);
    if (sqtype(self) == OT_TABLE || sqtype(self) == OT_CLASS) {
        SQObjectPtr key = v->GetUp(-2);
        if (sqtype(key) == OT_NULL) return sq_throwerror(v, "null is not a valid key");
        if (!v->NewSlot(self, key, v->GetUp(-1), bstatic ? true : false)) return SQ_ERROR;
        v->Pop(2);
        return SQ_OK;
    }
    return sq_throwerror(v, "invalid type");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_deleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) try {
    sq_aux_paramscheck(v, 2);
    SQObjectPtr *self;
    SQ_TYPED_ARG(v, idx, OT_TABLE, self);
    SQObjectPtr key = v->GetUp(-1);
    if (sqtype(key) == OT_NULL) return sq_throwerror(v, "null is not a valid key");
    SQObjectPtr res;
    if (!v->DeleteSlot(*self, key, res)) return SQ_ERROR;
    v->Pop();
    if (pushval) v->Push(res);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_set(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr self = stack_get(v, idx);
    if (v->Set(self, v->GetUp(-2), v->GetUp(-1), SQ_DONT_FALL_BACK)) {
        v->Pop(2);
        return SQ_OK;
    }
    v->Pop(2);
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_rawset(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr self = stack_get(v, idx);
    SQObjectPtr key = v->GetUp(-2);
    SQObjectPtr val = v->GetUp(-1);
    if (sqtype(key) == OT_NULL) {
        v->Pop(2);
        return sq_throwerror(v, "null key");
    }
    switch (sqtype(self)) {
    case OT_TABLE:
        _table(self)->NewSlot(key, val);
        v->Pop(2);
        return SQ_OK;
    case OT_CLASS:
        v->Pop(2);
        if (!_class(self)->NewSlot(_ss(v), key, val, false))
            return sq_throwerror(v, "trying to modify a class that has already been instantiated");
        return SQ_OK;
    case OT_INSTANCE:
        if (_instance(self)->Set(key, val)) {
            v->Pop(2);
            return SQ_OK;
        }
        break;
    case OT_ARRAY:
        if (v->Set(self, key, val, SQ_DONT_FALL_BACK)) {
            v->Pop(2);
            return SQ_OK;
        }
        break;
    default: v->Pop(2); return sq_throwerror(v, "rawset works only on array/table/class and instance");
    }
    v->Raise_IdxError(key);
    v->Pop(2);
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_setdelegate(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &self = stack_get(v, idx);
    SQObjectPtr mt = v->GetUp(-1);
    SQObjectType type = sqtype(self);
    switch (type) {
    case OT_TABLE:
        if (sqtype(mt) == OT_TABLE) {
            if (!_table(self)->SetDelegate(_table(mt))) return sq_throwerror(v, "delagate cycle");
            v->Pop();
        } else if (sqtype(mt) == OT_NULL) {
            _table(self)->SetDelegate(nullptr);
            v->Pop();
        } else {
            return sq_aux_invalidtype(v, type);
        }
        break;
    case OT_USERDATA:
        if (sqtype(mt) == OT_TABLE) {
            _userdata(self)->SetDelegate(_table(mt));
            v->Pop();
        } else if (sqtype(mt) == OT_NULL) {
            _userdata(self)->SetDelegate(nullptr);
            v->Pop();
        } else {
            return sq_aux_invalidtype(v, type);
        }
        break;
    default: return sq_aux_invalidtype(v, type);
    }
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_rawdeleteslot(HSQUIRRELVM v, SQInteger idx, SQBool pushval) try {
    sq_aux_paramscheck(v, 2);
    SQObjectPtr *self;
    SQ_TYPED_ARG(v, idx, OT_TABLE, self);
    SQObjectPtr key = v->GetUp(-1);
    SQObjectPtr t;
    if (_table(*self)->Get(key, t)) _table(*self)->Remove(key);
    if (pushval != 0)
        v->GetUp(-1) = t;
    else
        v->Pop();
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getdelegate(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &self = stack_get(v, idx);
    switch (sqtype(self)) {
    case OT_TABLE:
    case OT_USERDATA:
        if (!_delegable(self)->_delegate) {
            v->PushNull();
            break;
        }
        v->Push(SQObjectPtr(_delegable(self)->_delegate));
        break;
    default: return sq_throwerror(v, "wrong type");
    }
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_get(HSQUIRRELVM v, SQInteger idx) try {
    // A slot of the table itself, as SQVM::Get finds it first; anything else takes the full path.
    if (sqtype(stack_get(v, idx)) == OT_TABLE) {
        if (const SQObjectPtr *slot = _table(stack_get(v, idx))->GetSlot(v->GetUp(-1))) {
            v->GetUp(-1) = sq_realval(*slot);
            return SQ_OK;
        }
    }
    SQObjectPtr self = stack_get(v, idx);
    SQObjectPtr key = v->GetUp(-1);
    SQObjectPtr res;
    if (v->Get(self, key, res, false, SQ_DONT_FALL_BACK)) {
        v->GetUp(-1) = res;  // the key's slot takes the value
        return SQ_OK;
    }
    v->Pop();
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_rawget(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr self = stack_get(v, idx);
    SQObjectPtr key = v->GetUp(-1);
    SQObjectPtr res;
    bool ok = false;
    switch (sqtype(self)) {
    case OT_TABLE: ok = _table(self)->Get(key, res); break;
    case OT_CLASS: ok = _class(self)->Get(key, res); break;
    case OT_INSTANCE: ok = _instance(self)->Get(key, res); break;
    case OT_ARRAY: ok = v->Get(self, key, res, true, SQ_DONT_FALL_BACK); break;
    default: v->Pop(); return sq_throwerror(v, "rawget works only on array/table/instance and class");
    }
    v->Pop();
    if (ok) {
        v->Push(res);
        return SQ_OK;
    }
    return sq_throwerror(v, "the index doesn't exist");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getstackobj(HSQUIRRELVM v, SQInteger idx, HSQOBJECT *po) {
    *po = stack_get(v, idx);
    return SQ_OK;
}

const SQChar *sq_getlocal(HSQUIRRELVM v, SQUnsignedInteger level, SQUnsignedInteger idx) {
    SQInteger cstksize = v->_callsstacksize;
    SQInteger lvl = (cstksize - (SQInteger)level) - 1;
    SQInteger stackbase = v->_stackbase;
    if (lvl < cstksize && lvl >= 0) {
        for (SQInteger i = 0; i < (SQInteger)level; i++) {
            SQCallInfo &ci = v->_callsstack[(size_t)((cstksize - i) - 1)];
            stackbase -= ci._prevstkbase;
        }
        SQCallInfo &ci = v->_callsstack[(size_t)lvl];
        if (sqtype(ci._closure) != OT_CLOSURE) return nullptr;
        SQClosure *c = _closure(ci._closure);
        SQFunctionProto *func = c->Proto();
        SQInteger outers = (SQInteger)func->_outervalues.size();
        if (outers > (SQInteger)idx) {
            v->Push(*_outer(c->_outervalues[idx])->_valptr);
            return _stringval(func->_outervalues[idx]._name);
        }
        idx -= (SQUnsignedInteger)outers;
        return func->GetLocal(v, stackbase, (SQInteger)idx, (SQInteger)(ci._ip - func->_instructions.data()) - 1);
    }
    return nullptr;
}

void sq_pushobject(HSQUIRRELVM v, HSQOBJECT obj) try { v->PushObject(obj); } SQ_API_CATCH(v)

void sq_resetobject(HSQOBJECT *po) {
    po->_unVal.raw = 0;
    po->_type = OT_NULL;
}

SQRESULT sq_throwerror(HSQUIRRELVM v, const SQChar *err) try {
    v->_lasterror = SQString::Create(_ss(v), err);
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_reseterror(HSQUIRRELVM v) { v->_lasterror.Null(); }
void sq_getlasterror(HSQUIRRELVM v) try { v->Push(v->_lasterror); } SQ_API_CATCH(v)

SQRESULT sq_reservestack(HSQUIRRELVM v, SQInteger nsize) try {
    if (!v->EnsureStack(v->_top + nsize + SQ_MIN_STACK_OVERHEAD)) return SQ_ERROR;
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_resume(HSQUIRRELVM v, SQBool retval, SQBool raiseerror) try {
    if (sqtype(v->GetUp(-1)) == OT_GENERATOR) {
        SQObjectPtr gen = v->GetUp(-1);
        v->PushNull();
        if (!v->Execute(gen, 0, v->_top, v->GetUp(-1), raiseerror, SQVM::ET_RESUME_GENERATOR)) {
            v->Raise_Error(v->_lasterror);
            return SQ_ERROR;
        }
        if (!retval) v->Pop();
        return SQ_OK;
    }
    return sq_throwerror(v, "only generators can be resumed");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_call(HSQUIRRELVM v, SQInteger params, SQBool retval, SQBool raiseerror) try {
    SQObjectPtr res;
    SQObjectPtr clo = v->GetUp(-(params + 1));
    bool called = v->Call(clo, params, v->_top - params, res, raiseerror ? SQTrue : SQFalse);
    // Back in the host: the scratch register must not keep the last value read
    // alive, or a release hook would wait for the next script.
    if (v->_callsstacksize == 0) v->temp_reg.Null();
    if (called) {
        if (!v->_suspended) v->Pop(params);
        if (retval) v->Push(res);
        return SQ_OK;
    }
    v->Pop(params);
    return SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_suspendvm(HSQUIRRELVM v) {
    if (v->_suspended) return sq_throwerror(v, "cannot suspend an already suspended vm");
    if (v->_nnativecalls != 2) return sq_throwerror(v, "cannot suspend through native calls");
    return SQ_SUSPEND_FLAG;
}

SQRESULT sq_wakeupvm(HSQUIRRELVM v, SQBool wakeupret, SQBool retval, SQBool raiseerror, SQBool throwerror) try {
    SQObjectPtr ret;
    if (!v->_suspended) return sq_throwerror(v, "cannot resume a vm that is not running any code");
    SQInteger target = v->_suspended_target;
    if (wakeupret) {
        if (target != -1) v->GetAt(v->_stackbase + target) = v->GetUp(-1);
        v->Pop();
    } else if (target != -1) {
        v->GetAt(v->_stackbase + target).Null();
    }
    SQObjectPtr dummy;
    if (!v->Execute(dummy, -1, -1, ret, raiseerror, throwerror ? SQVM::ET_RESUME_THROW_VM : SQVM::ET_RESUME_VM))
        return SQ_ERROR;
    if (retval) v->Push(ret);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_setreleasehook(HSQUIRRELVM v, SQInteger idx, SQRELEASEHOOK hook) {
    if (sq_gettop(v) >= 1) {
        SQObjectPtr &ud = stack_get(v, idx);
        switch (sqtype(ud)) {
        case OT_USERDATA: _userdata(ud)->_hook = hook; break;
        case OT_INSTANCE: _instance(ud)->_hook = hook; break;
        case OT_CLASS: _class(ud)->_hook = hook; break;
        default: break;
        }
    }
}


SQChar *sq_getscratchpad(HSQUIRRELVM v, SQInteger minsize) try { return _ss(v)->GetScratchPad(minsize); } SQ_API_CATCH(v, nullptr)

SQInteger sq_collectgarbage(HSQUIRRELVM v) try { return _ss(v)->CollectGarbage(v); } SQ_API_CATCH(v, SQ_ERROR)

const SQChar *sq_getfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) {
    SQObjectPtr &self = stack_get(v, idx);
    switch (sqtype(self)) {
    case OT_CLOSURE: {
        SQClosure *clo = _closure(self);
        SQFunctionProto *fp = clo->Proto();
        if (fp->_outervalues.size() > nval) {
            v->Push(*_outer(clo->_outervalues[nval])->_valptr);
            return _stringval(fp->_outervalues[nval]._name);
        }
        break;
    }
    case OT_NATIVECLOSURE: {
        SQNativeClosure *clo = _nativeclosure(self);
        if (clo->_outervalues.size() > nval) {
            v->Push(clo->_outervalues[nval]);
            return "@NATIVE";
        }
        break;
    }
    default: break;
    }
    return nullptr;
}

SQRESULT sq_setfreevariable(HSQUIRRELVM v, SQInteger idx, SQUnsignedInteger nval) try {
    SQObjectPtr &self = stack_get(v, idx);
    switch (sqtype(self)) {
    case OT_CLOSURE: {
        SQFunctionProto *fp = _closure(self)->Proto();
        if (fp->_outervalues.size() > nval) {
            *(_outer(_closure(self)->_outervalues[nval])->_valptr) = stack_get(v, -1);
        } else {
            return sq_throwerror(v, "invalid free var index");
        }
        break;
    }
    case OT_NATIVECLOSURE:
        if (_nativeclosure(self)->_outervalues.size() > nval) {
            _nativeclosure(self)->_outervalues[nval] = stack_get(v, -1);
        } else {
            return sq_throwerror(v, "invalid free var index");
        }
        break;
    default: return sq_aux_invalidtype(v, sqtype(self));
    }
    v->Pop();
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_setattributes(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_CLASS, o);
    SQObjectPtr &key = stack_get(v, -2);
    SQObjectPtr &val = stack_get(v, -1);
    SQObjectPtr attrs;
    if (sqtype(key) == OT_NULL) {
        attrs = _class(*o)->_attributes;
        _class(*o)->_attributes = val;
        v->Pop(2);
        v->Push(attrs);
        return SQ_OK;
    } else if (_class(*o)->GetAttributes(key, attrs)) {
        _class(*o)->SetAttributes(key, val);
        v->Pop(2);
        v->Push(attrs);
        return SQ_OK;
    }
    return sq_throwerror(v, "wrong index");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getattributes(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_CLASS, o);
    SQObjectPtr &key = stack_get(v, -1);
    SQObjectPtr attrs;
    if (sqtype(key) == OT_NULL) {
        attrs = _class(*o)->_attributes;
        v->Pop();
        v->Push(attrs);
        return SQ_OK;
    } else if (_class(*o)->GetAttributes(key, attrs)) {
        v->Pop();
        v->Push(attrs);
        return SQ_OK;
    }
    return sq_throwerror(v, "wrong index");
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getclass(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_INSTANCE, o);
    v->Push(SQObjectPtr(_instance(*o)->_class));
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_createinstance(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_CLASS, o);
    v->Push(SQObjectPtr(_class(*o)->CreateInstance()));
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_weakref(HSQUIRRELVM v, SQInteger idx) try {
    SQObject &o = stack_get(v, idx);
    if (ISREFCOUNTED(sqtype(o))) {
        v->Push(SQObjectPtr(_refcounted(o)->GetWeakRef(sqtype(o))));
        return;
    }
    v->Push(SQObjectPtr(o));
} SQ_API_CATCH(v)

SQRESULT sq_getweakrefval(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr &o = stack_get(v, idx);
    if (sqtype(o) != OT_WEAKREF) return sq_throwerror(v, "the object must be a weakref");
    v->Push(SQObjectPtr(_weakref(o)->_obj));
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getdefaultdelegate(HSQUIRRELVM v, SQObjectType t) try {
    SQSharedState *ss = _ss(v);
    switch (t) {
    case OT_TABLE: v->Push(ss->_table_default_delegate); break;
    case OT_ARRAY: v->Push(ss->_array_default_delegate); break;
    case OT_STRING: v->Push(ss->_string_default_delegate); break;
    case OT_INTEGER:
    case OT_FLOAT: v->Push(ss->_number_default_delegate); break;
    case OT_GENERATOR: v->Push(ss->_generator_default_delegate); break;
    case OT_CLOSURE:
    case OT_NATIVECLOSURE: v->Push(ss->_closure_default_delegate); break;
    case OT_THREAD: v->Push(ss->_thread_default_delegate); break;
    case OT_CLASS: v->Push(ss->_class_default_delegate); break;
    case OT_INSTANCE: v->Push(ss->_instance_default_delegate); break;
    case OT_WEAKREF: v->Push(ss->_weakref_default_delegate); break;
    default: return sq_throwerror(v, "the type doesn't have a default delegate");
    }
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_next(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr o = stack_get(v, idx), refpos = stack_get(v, -1), realkey, val;
    if (sqtype(o) == OT_GENERATOR) return sq_throwerror(v, "cannot iterate a generator");
    SQInteger nidx;
    switch (sqtype(o)) {
    case OT_TABLE: nidx = _table(o)->Next(true, refpos, realkey, val); break;
    case OT_ARRAY: nidx = _array(o)->Next(refpos, realkey, val); break;
    case OT_STRING: nidx = _string(o)->Next(refpos, realkey, val); break;
    case OT_CLASS: nidx = _class(o)->Next(refpos, realkey, val); break;
    default: return sq_throwerror(v, "cannot iterate this type");
    }
    if (nidx == -1) return SQ_ERROR;
    v->GetUp(-1) = SQObjectPtr(nidx);
    v->Push(realkey);
    v->Push(val);
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_getbase(HSQUIRRELVM v, SQInteger idx) try {
    SQObjectPtr *o = nullptr;
    SQ_TYPED_ARG(v, idx, OT_CLASS, o);
    if (_class(*o)->_base)
        v->Push(SQObjectPtr(_class(*o)->_base));
    else
        v->PushNull();
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)

void sq_setprintfunc(HSQUIRRELVM v, SQPRINTFUNCTION printfunc, SQPRINTFUNCTION errfunc) {
    _ss(v)->_printfunc = printfunc;
    _ss(v)->_errorfunc = errfunc;
}
SQPRINTFUNCTION sq_getprintfunc(HSQUIRRELVM v) { return _ss(v)->_printfunc; }
SQPRINTFUNCTION sq_geterrorfunc(HSQUIRRELVM v) { return _ss(v)->_errorfunc; }

void sq_move(HSQUIRRELVM dest, HSQUIRRELVM src, SQInteger idx) try { dest->Push(stack_get(src, idx)); } SQ_API_CATCH(dest)

void *sq_malloc(SQUnsignedInteger size) {
    try {
        return sq_vm_malloc(size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void *sq_realloc(void *p, SQUnsignedInteger, SQUnsignedInteger newsize) {
    try {
        return sq_vm_realloc(p, newsize);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void sq_free(void *p, SQUnsignedInteger) { sq_vm_free(p); }

SQRESULT sq_stackinfos(HSQUIRRELVM v, SQInteger level, SQStackInfos *si) {
    SQInteger cssize = v->_callsstacksize;
    if (level >= 0 && cssize > level) {
        std::memset(si, 0, sizeof(SQStackInfos));
        SQCallInfo &ci = v->_callsstack[(size_t)(cssize - level - 1)];
        switch (sqtype(ci._closure)) {
        case OT_CLOSURE: {
            SQFunctionProto *func = _closure(ci._closure)->Proto();
            if (sqtype(func->_name) == OT_STRING) si->funcname = _stringval(func->_name);
            if (sqtype(func->_sourcename) == OT_STRING) si->source = _stringval(func->_sourcename);
            si->line = func->GetLine((SQInteger)(ci._ip - func->_instructions.data()) - 1);
            break;
        }
        case OT_NATIVECLOSURE:
            si->source = "NATIVE";
            si->funcname = "unknown";
            if (sqtype(_nativeclosure(ci._closure)->_name) == OT_STRING)
                si->funcname = _stringval(_nativeclosure(ci._closure)->_name);
            si->line = -1;
            break;
        default: break;
        }
        return SQ_OK;
    }
    return SQ_ERROR;
}

SQRESULT sq_getfunctioninfo(HSQUIRRELVM v, SQInteger level, SQFunctionInfo *fi) try {
    SQInteger cssize = v->_callsstacksize;
    if (level >= 0 && cssize > level) {
        SQCallInfo &ci = v->_callsstack[(size_t)(cssize - level - 1)];
        if (sq_isclosure(ci._closure)) {
            SQFunctionProto *func = _closure(ci._closure)->Proto();
            fi->funcid = func;
            fi->name = sqtype(func->_name) == OT_STRING ? _stringval(func->_name) : "unknown";
            fi->source = sqtype(func->_sourcename) == OT_STRING ? _stringval(func->_sourcename) : "unknown";
            return SQ_OK;
        }
    }
    return sq_throwerror(v, "the object is not a closure");
} SQ_API_CATCH(v, SQ_ERROR)
