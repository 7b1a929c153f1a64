// Compiled closures to and from a byte stream (sq_writeclosure / sq_readclosure).
//
// Format, all integers little-endian:
//   the stream tag (SQ_BYTECODE_STREAM_TAG as an u16, the two bytes FA FA that mark a compiled
//   file), "SQZB" magic, u32 format version, u8 sizeof(SQInteger), u8 sizeof(SQFloat), u8 sizeof(SQChar),
//   the function prototype, "TAIL".
// A prototype: source name and name (values), then counted lists of literals, parameters,
// outer variables (u8 kind, i32 source, name), local variable records (name, i32 pos, start, end),
// line records (i32 line, i32 op), default parameter registers (i32), instructions
// (u8 op, u8 arg0, i32 arg1, u8 arg2, u8 arg3) and nested prototypes, then i32 stack size and
// u8 flags (1: generator, 2: variable parameters). A value is a u8 kind (0 null, 1 integer,
// 2 float, 3 bool, 4 string) and its payload (i32; f32 bits; u8; u32 length and bytes).
// Reading checks every count and operand index, so a damaged stream fails instead of running.
#include "squirrel/sqfuncproto.h"
#include "squirrel/sqvm.h"

#include <cstring>

namespace {

const unsigned char kMagic[4] = {'S', 'Q', 'Z', 'B'};
const unsigned char kTail[4] = {'T', 'A', 'I', 'L'};
const SQUnsignedInteger32 kFormatVersion = 1;
const SQUnsignedInteger32 kMaxCount = 1u << 24;  // any list longer than this is damage
const int kMaxNesting = 200;

enum ValueKind : unsigned char { VK_NULL = 0, VK_INTEGER, VK_FLOAT, VK_BOOL, VK_STRING };

struct Writer {
    SQVM *v;
    SQWRITEFUNC write;
    SQUserPointer up;
    bool Bytes(const void *p, SQInteger n) {
        if (n == 0) return true;
        if (write(up, (SQUserPointer)p, n) != n) {
            v->Raise_Error("io error, write function failure");
            return false;
        }
        return true;
    }
    bool U8(unsigned v8) {
        unsigned char b = (unsigned char)v8;
        return Bytes(&b, 1);
    }
    bool U32(SQUnsignedInteger32 x) {
        unsigned char b[4] = {(unsigned char)x, (unsigned char)(x >> 8), (unsigned char)(x >> 16),
                              (unsigned char)(x >> 24)};
        return Bytes(b, 4);
    }
    bool I32(SQInteger x) { return U32((SQUnsignedInteger32)x); }
    bool Value(const SQObjectPtr &o) {
        switch (sqtype(o)) {
        case OT_NULL: return U8(VK_NULL);
        case OT_INTEGER: return U8(VK_INTEGER) && I32(_integer(o));
        case OT_FLOAT: {
            SQUnsignedInteger32 bits;
            std::memcpy(&bits, &_float(o), 4);
            return U8(VK_FLOAT) && U32(bits);
        }
        case OT_BOOL: return U8(VK_BOOL) && U8(_integer(o) ? 1 : 0);
        case OT_STRING:
            return U8(VK_STRING) && U32((SQUnsignedInteger32)_string(o)->_len) &&
                   Bytes(_stringval(o), _string(o)->_len);
        default: v->Raise_Error("cannot serialize a %s", GetTypeName(o)); return false;
        }
    }
    bool Proto(const SQFunctionProto *f) {
        if (!Value(f->_sourcename) || !Value(f->_name)) return false;
        if (!U32((SQUnsignedInteger32)f->_literals.size())) return false;
        for (const auto &o : f->_literals)
            if (!Value(o)) return false;
        if (!U32((SQUnsignedInteger32)f->_parameters.size())) return false;
        for (const auto &o : f->_parameters)
            if (!Value(o)) return false;
        if (!U32((SQUnsignedInteger32)f->_outervalues.size())) return false;
        for (const auto &ov : f->_outervalues)
            if (!U8(ov._type) || !I32(ov._src) || !Value(ov._name)) return false;
        if (!U32((SQUnsignedInteger32)f->_localvarinfos.size())) return false;
        for (const auto &lv : f->_localvarinfos)
            if (!Value(lv._name) || !I32(lv._pos) || !I32(lv._start_op) || !I32(lv._end_op)) return false;
        if (!U32((SQUnsignedInteger32)f->_lineinfos.size())) return false;
        for (const auto &li : f->_lineinfos)
            if (!I32(li._line) || !I32(li._op)) return false;
        if (!U32((SQUnsignedInteger32)f->_defaultparams.size())) return false;
        for (SQInteger d : f->_defaultparams)
            if (!I32(d)) return false;
        if (!U32((SQUnsignedInteger32)f->_instructions.size())) return false;
        for (const auto &ins : f->_instructions)
            if (!U8(SQBaseOpcode(ins.op)) || !U8(ins._arg0) || !I32(ins._arg1) || !U8(ins._arg2) || !U8(ins._arg3)) return false;
        if (!U32((SQUnsignedInteger32)f->_functions.size())) return false;
        for (const auto &fn : f->_functions)
            if (!Proto(_funcproto(fn))) return false;
        return I32(f->_stacksize) && U8((f->_bgenerator ? 1 : 0) | (f->_varparams ? 2 : 0));
    }
};

struct Reader {
    SQVM *v;
    SQREADFUNC read;
    SQUserPointer up;
    bool Fail(const char *what) {
        v->Raise_Error("invalid bytecode stream: %s", what);
        return false;
    }
    bool Bytes(void *p, SQInteger n) {
        if (n == 0) return true;
        if (read(up, p, n) != n) return Fail("unexpected end");
        return true;
    }
    bool U8(unsigned &out) {
        unsigned char b;
        if (!Bytes(&b, 1)) return false;
        out = b;
        return true;
    }
    bool U32(SQUnsignedInteger32 &out) {
        unsigned char b[4];
        if (!Bytes(b, 4)) return false;
        out = (SQUnsignedInteger32)b[0] | ((SQUnsignedInteger32)b[1] << 8) | ((SQUnsignedInteger32)b[2] << 16) |
              ((SQUnsignedInteger32)b[3] << 24);
        return true;
    }
    bool I32(SQInteger &out) {
        SQUnsignedInteger32 u;
        if (!U32(u)) return false;
        out = (SQInteger)u;
        return true;
    }
    bool Count(SQUnsignedInteger32 &n) {
        if (!U32(n)) return false;
        if (n > kMaxCount) return Fail("count too large");
        return true;
    }
    bool Value(SQObjectPtr &o) {
        unsigned kind;
        if (!U8(kind)) return false;
        switch (kind) {
        case VK_NULL: o.Null(); return true;
        case VK_INTEGER: {
            SQInteger i;
            if (!I32(i)) return false;
            o = i;
            return true;
        }
        case VK_FLOAT: {
            SQUnsignedInteger32 bits;
            if (!U32(bits)) return false;
            SQFloat f;
            std::memcpy(&f, &bits, 4);
            o = f;
            return true;
        }
        case VK_BOOL: {
            unsigned b;
            if (!U8(b)) return false;
            o = b != 0;
            return true;
        }
        case VK_STRING: {
            SQUnsignedInteger32 len;
            if (!Count(len)) return false;
            // Grown as the bytes arrive, for the same reason as List.
            sqvector<char> text;
            while (text.size() < len) {
                size_t have = text.size(), chunk = len - have < 65536 ? len - have : 65536;
                text.resize(have + chunk);
                if (!Bytes(text.data() + have, (SQInteger)chunk)) return false;
            }
            o = SQObjectPtr(SQString::Create(_ss(v), len ? text.data() : "", (SQInteger)len));
            return true;
        }
        default: return Fail("unknown value kind");
        }
    }
    // A counted list, read one item at a time: a damaged count runs into the end of the stream
    // instead of allocating room for items that are not there.
    template <typename T, typename ReadItem>
    bool List(sqvector<T> &items, ReadItem readItem) {
        SQUnsignedInteger32 count;
        if (!Count(count)) return false;
        items.clear();
        items.reserve(count < 64 ? count : 64);
        for (SQUnsignedInteger32 i = 0; i < count; i++) {
            items.emplace_back();
            if (!readItem(items.back())) return false;
        }
        return true;
    }
    bool String(SQObjectPtr &o, bool nullable) {
        if (!Value(o)) return false;
        if (sqtype(o) == OT_STRING || (nullable && sqtype(o) == OT_NULL)) return true;
        return Fail("name expected");
    }
    bool Proto(SQObjectPtr &out, int depth);
};

// Operand checks: every register lies in the frame, every index in its table, every jump lands on an
// instruction. The frame is widened to cover every register the code, its parameters, its named locals
// and the closures it makes name; the compiler's frames already do, so its streams read back unchanged.
bool IsJump(unsigned op) {
    return op == OP_JMP || op == OP_JZ || op == OP_JNZ || op == OP_AND || op == OP_OR || op == OP_FOREACH ||
           op == OP_POSTFOREACH || op == OP_PUSHTRAP;
}
bool Arg1IsRegister(unsigned op) {
    switch (op) {
    case OP_MOVE: case OP_DMOVE: case OP_GET: case OP_SET: case OP_NEWSLOT: case OP_NEWSLOTA: case OP_DELETE:
    case OP_PREPCALL: case OP_CALL: case OP_TAILCALL: case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV:
    case OP_MOD: case OP_BITW: case OP_CMP: case OP_EXISTS: case OP_INSTANCEOF: case OP_NEG: case OP_NOT:
    case OP_BWNOT: case OP_APPENDARRAY: case OP_INC: case OP_PINC: case OP_INCL: case OP_PINCL: case OP_YIELD:
    case OP_RESUME: case OP_RETURN: case OP_CLONE: case OP_TYPEOF: case OP_CLOSE: case OP_GETBASE:
        return true;
    default: return false;
    }
}

// The byte operands that name registers. The others hold flags, operators, steps, counts, or zeros the
// VM never reads. SQ_NO_TARGET (0xFF) means "none" only where the VM tests for it.
enum : unsigned { kReg0 = 1, kReg0OrNone = 2, kReg2 = 4, kReg2OrNone = 8, kReg3 = 16 };
unsigned ByteRegisters(unsigned op) {
    switch (op) {
    case OP_DMOVE: case OP_PREPCALL: case OP_PREPCALLK: return kReg0 | kReg2 | kReg3;
    case OP_SET: case OP_NEWSLOT: return kReg0OrNone | kReg2 | kReg3;
    case OP_NEWSLOTA: return kReg2 | kReg3;  // arg0: flags
    case OP_SETOUTER: return kReg0OrNone | kReg2;
    case OP_NEWCLASS: return kReg0 | kReg2OrNone;
    case OP_GETK: case OP_GET: case OP_DELETE: case OP_CALL: case OP_TAILCALL: case OP_ADD: case OP_SUB:
    case OP_MUL: case OP_DIV: case OP_MOD: case OP_BITW: case OP_EQ: case OP_NE: case OP_CMP: case OP_EXISTS:
    case OP_INSTANCEOF: case OP_AND: case OP_OR: case OP_COMPARITH: case OP_INC: case OP_PINC: case OP_FOREACH:
        return kReg0 | kReg2;
    case OP_RETURN: case OP_YIELD:  // arg0: whether there is a value; arg2: the frame's size there
    case OP_JMP: case OP_POPTRAP: case OP_CLOSE: case OP_LINE: return 0;
    default: return kReg0;
    }
}

bool Verify(Reader &r, SQFunctionProto *f) {
    SQInteger n = (SQInteger)f->_instructions.size();
    if (n == 0) return r.Fail("empty function");
    if (f->_stacksize < 1 || f->_stacksize > 4096) return r.Fail("bad stack size");
    if (f->_parameters.size() > 256) return r.Fail("too many parameters");
    SQInteger frame = f->_stacksize;
    auto cover = [&frame](SQInteger reg) {
        if (reg + 1 > frame) frame = reg + 1;
    };
    for (SQInteger pc = 0; pc < n; pc++) {
        const SQInstruction &ins = f->_instructions[(size_t)pc];
        if (ins.op >= OP_BASECOUNT) return r.Fail("unknown opcode");
        unsigned regs = ByteRegisters(ins.op);
        if ((regs & kReg0) || ((regs & kReg0OrNone) && ins._arg0 != SQ_NO_TARGET)) cover(ins._arg0);
        if ((regs & kReg2) || ((regs & kReg2OrNone) && ins._arg2 != 0xFF)) cover(ins._arg2);
        if (regs & kReg3) cover(ins._arg3);
        bool noValue = (ins.op == OP_RETURN || ins.op == OP_YIELD) && ins._arg0 == SQ_NO_TARGET;
        if (Arg1IsRegister(ins.op) && !noValue) {
            if (ins._arg1 < 0 || ins._arg1 > 255) return r.Fail("register out of range");
            cover(ins._arg1);
        }
        switch (ins.op) {
        case OP_LOAD:
        case OP_GETK:
        case OP_PREPCALLK:
            if (ins._arg1 < 0 || ins._arg1 >= (SQInteger)f->_literals.size()) return r.Fail("literal out of range");
            break;
        case OP_EQ:
        case OP_NE:
            if (ins._arg3 ? (ins._arg1 < 0 || ins._arg1 >= (SQInteger)f->_literals.size())
                          : (ins._arg1 < 0 || ins._arg1 > 255))
                return r.Fail("operand out of range");
            if (!ins._arg3) cover(ins._arg1);
            break;
        case OP_CMP:
            if (ins._arg3 > CMP_3W) return r.Fail("unknown comparison");
            break;
        case OP_COMPARITH: {
            SQInteger a = ins._arg1 >> 16, b = ins._arg1 & 0xFFFF;
            if (ins._arg1 < 0 || a > 255 || b > 255) return r.Fail("register out of range");
            cover(a);
            cover(b);
            break;
        }
        case OP_NEWCLASS:
            if (ins._arg1 < -1 || ins._arg1 > 255) return r.Fail("register out of range");
            cover(ins._arg1);
            break;
        case OP_LOADNULLS:
            if (ins._arg1 < 0 || ins._arg1 > 256 || ins._arg0 + ins._arg1 > 256) return r.Fail("register out of range");
            cover(ins._arg0 + ins._arg1 - 1);
            break;
        case OP_NEWTABLE:
        case OP_NEWARRAY:
            if (ins._arg1 < 0 || ins._arg1 > (1 << 20)) return r.Fail("size hint out of range");
            break;
        case OP_CALL:
        case OP_TAILCALL: cover(ins._arg2 + ins._arg3 - 1); break;
        case OP_FOREACH: cover(ins._arg2 + 2); break;
        case OP_CLOSURE:
            if (ins._arg1 < 0 || ins._arg1 >= (SQInteger)f->_functions.size()) return r.Fail("function out of range");
            break;
        case OP_GETOUTER:
        case OP_SETOUTER:
            if (ins._arg1 < 0 || ins._arg1 >= (SQInteger)f->_outervalues.size()) return r.Fail("outer out of range");
            break;
        default: break;
        }
        if (IsJump(ins.op)) {
            long long target = (long long)pc + 1 + ins._arg1;
            if (ins.op == OP_POSTFOREACH) target = (long long)pc + ins._arg1;
            if (target < 0 || target >= n) return r.Fail("jump out of range");
        }
    }
    if (f->_instructions.back().op != OP_RETURN) return r.Fail("function does not end with a return");
    for (const auto &d : f->_defaultparams)
        if (d < 0 || d > 255) return r.Fail("default parameter out of range");
    for (const auto &ov : f->_outervalues)
        if (ov._src < 0 || ov._src > 255) return r.Fail("outer out of range");
    cover((SQInteger)f->_parameters.size() - 1);
    for (const auto &lv : f->_localvarinfos) cover(lv._pos);
    // A closure made here takes its default values and captured locals from this frame, and the
    // outers it shares from this function's own.
    for (const auto &fn : f->_functions) {
        const SQFunctionProto *inner = _funcproto(fn);
        for (SQInteger d : inner->_defaultparams) cover(d);
        for (const auto &ov : inner->_outervalues) {
            if (ov._type == otLOCAL)
                cover(ov._src);
            else if (ov._src >= (SQInteger)f->_outervalues.size())
                return r.Fail("outer out of range");
        }
    }
    f->_stacksize = frame;
    return true;
}

bool Reader::Proto(SQObjectPtr &out, int depth) {
    if (depth > kMaxNesting) return Fail("functions nested too deeply");
    SQFunctionProto *f = SQFunctionProto::Create();
    out = SQObjectPtr(f);
    if (!String(f->_sourcename, true) || !String(f->_name, true)) return false;
    if (!List(f->_literals, [this](SQObjectPtr &o) { return Value(o); })) return false;
    if (!List(f->_parameters, [this](SQObjectPtr &o) { return String(o, false); })) return false;
    if (!List(f->_outervalues, [this](SQOuterVar &ov) {
            unsigned kind;
            if (!U8(kind) || !I32(ov._src) || !String(ov._name, false)) return false;
            if (kind != otLOCAL && kind != otOUTER) return Fail("unknown outer kind");
            ov._type = (SQOuterType)kind;
            return true;
        }))
        return false;
    if (!List(f->_localvarinfos, [this](SQLocalVarInfo &lv) {
            if (!String(lv._name, false) || !I32(lv._pos) || !I32(lv._start_op) || !I32(lv._end_op)) return false;
            if (lv._pos < 0 || lv._pos > 255) return Fail("local out of range");
            return true;
        }))
        return false;
    if (!List(f->_lineinfos, [this](SQLineInfo &li) { return I32(li._line) && I32(li._op); })) return false;
    if (!List(f->_defaultparams, [this](SQInteger &d) { return I32(d); })) return false;
    if (!List(f->_instructions, [this](SQInstruction &ins) {
            unsigned op, a0, a2, a3;
            SQInteger a1;
            if (!U8(op) || !U8(a0) || !I32(a1) || !U8(a2) || !U8(a3)) return false;
            ins.op = (unsigned char)op;
            ins._arg0 = (unsigned char)a0;
            ins._arg1 = (SQInt32)a1;
            ins._arg2 = (unsigned char)a2;
            ins._arg3 = (unsigned char)a3;
            return true;
        }))
        return false;
    if (!List(f->_functions, [this, depth](SQObjectPtr &fn) { return Proto(fn, depth + 1); })) return false;
    unsigned flags;
    if (!I32(f->_stacksize) || !U8(flags)) return false;
    if (flags & ~3u) return Fail("unknown flags");
    // The closure made from the main function has no outer values to share.
    if (depth == 0 && !f->_outervalues.empty()) return Fail("outer variables in the main function");
    f->_bgenerator = (flags & 1) != 0;
    f->_varparams = (flags & 2) != 0;
    if ((SQInteger)f->_parameters.size() < 1) return Fail("missing this parameter");
    if (!Verify(*this, f)) return false;
    f->Prepare();
    return true;
}

}  // namespace

SQRESULT sq_writeclosure(HSQUIRRELVM v, SQWRITEFUNC writef, SQUserPointer up) try {
    SQObjectPtr &o = stack_get(v, -1);
    if (sqtype(o) != OT_CLOSURE) return sq_throwerror(v, "the object is not a closure");
    SQFunctionProto *f = _closure(o)->Proto();
    if (!f->_outervalues.empty()) return sq_throwerror(v, "a closure with free variables bound cannot be serialized");
    Writer w{v, writef, up};
    bool ok = w.U8(SQ_BYTECODE_STREAM_TAG & 0xFF) && w.U8(SQ_BYTECODE_STREAM_TAG >> 8) && w.Bytes(kMagic, 4) &&
              w.U32(kFormatVersion) && w.U8(sizeof(SQInteger)) && w.U8(sizeof(SQFloat)) &&
              w.U8(sizeof(SQChar)) && w.Proto(f) && w.Bytes(kTail, 4);
    return ok ? SQ_OK : SQ_ERROR;
} SQ_API_CATCH(v, SQ_ERROR)

SQRESULT sq_readclosure(HSQUIRRELVM v, SQREADFUNC readf, SQUserPointer up) try {
    Reader r{v, readf, up};
    unsigned char magic[4];
    SQUnsignedInteger32 version;
    unsigned intSize, floatSize, charSize;
    unsigned char tag[2];
    if (!r.Bytes(tag, 2)) return SQ_ERROR;
    if ((tag[0] | tag[1] << 8) != SQ_BYTECODE_STREAM_TAG)
        return sq_throwerror(v, "invalid bytecode stream: bad tag");
    if (!r.Bytes(magic, 4)) return SQ_ERROR;
    if (std::memcmp(magic, kMagic, 4) != 0) return sq_throwerror(v, "invalid bytecode stream: bad magic");
    if (!r.U32(version) || !r.U8(intSize) || !r.U8(floatSize) || !r.U8(charSize)) return SQ_ERROR;
    if (version != kFormatVersion) return sq_throwerror(v, "invalid bytecode stream: unsupported version");
    if (intSize != sizeof(SQInteger) || floatSize != sizeof(SQFloat) || charSize != sizeof(SQChar))
        return sq_throwerror(v, "invalid bytecode stream: built with other number sizes");
    SQObjectPtr proto;
    if (!r.Proto(proto, 0)) return SQ_ERROR;
    if (!r.Bytes(magic, 4)) return SQ_ERROR;
    if (std::memcmp(magic, kTail, 4) != 0) return sq_throwerror(v, "invalid bytecode stream: bad tail");
    v->Push(SQObjectPtr(SQClosure::Create(_ss(v), _funcproto(proto))));
    return SQ_OK;
} SQ_API_CATCH(v, SQ_ERROR)
