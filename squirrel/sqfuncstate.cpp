#include "squirrel/sqfuncstate.h"

SQFuncState::SQFuncState(SQSharedState *ss, SQFuncState *parent, ErrorFunc efunc, void *ed)
    : _parent(parent), _sharedstate(ss), _errfunc(efunc), _errtarget(ed) {
    _literals = SQTable::Create(ss, 0);
}

void SQFuncState::AddInstruction(SQOpcode op, SQInteger arg0, SQInteger arg1, SQInteger arg2, SQInteger arg3) {
    _instructions.push_back(SQInstruction(op, arg0, arg1, arg2, arg3));
}

void SQFuncState::SetInstructionParam(SQInteger pos, SQInteger arg, SQInteger val) {
    SQInstruction &i = _instructions[(size_t)pos];
    switch (arg) {
    case 0: i._arg0 = (unsigned char)val; break;
    case 1: i._arg1 = (SQInt32)val; break;
    case 2: i._arg2 = (unsigned char)val; break;
    case 3: i._arg3 = (unsigned char)val; break;
    }
}

// The index of a literal, numbering a new one in the order first seen. The table key makes
// equal constants share one index (1 and 1.0 differ: they differ in type).
SQInteger SQFuncState::GetConstant(const SQObject &cons) {
    SQObjectPtr val;
    SQObjectPtr key(cons);
    if (!_table(_literals)->Get(key, val)) {
        val = _nliterals;
        _table(_literals)->NewSlot(key, val);
        _nliterals++;
        if (_nliterals > 0x7FFFFFF) Error("internal compiler error: too many literals");
    }
    return _integer(val);
}

SQObjectPtr SQFuncState::CreateString(const SQChar *s, SQInteger len) {
    return SQObjectPtr(SQString::Create(_sharedstate, s, len));
}

SQObjectPtr SQFuncState::CreateTable() { return SQObjectPtr(SQTable::Create(_sharedstate, 0)); }

// Whether name is a `const` or `enum` of the shared constant table, read at compile time.
bool SQFuncState::IsConstant(const SQObject &name, SQObject &e) {
    SQObjectPtr val;
    if (_table(_sharedstate->_consts)->Get(SQObjectPtr(name), val)) {
        e = val;
        return true;
    }
    return false;
}

// A new temporary at the top of the registers, raising the frame size when needed.
SQInteger SQFuncState::AllocStackPos() {
    SQInteger npos = (SQInteger)_vlocals.size();
    _vlocals.push_back(LocalSlot());
    if ((SQInteger)_vlocals.size() > _stacksize) {
        if (_vlocals.size() > SQ_MAX_REGISTERS) Error("internal compiler error: too many locals");
        _stacksize = (SQInteger)_vlocals.size();
    }
    return npos;
}

// Pushes register n as the target of the next value, or a new temporary when n is -1.
SQInteger SQFuncState::PushTarget(SQInteger n) {
    if (n != -1) {
        _targetstack.push_back(n);
        return n;
    }
    n = AllocStackPos();
    _targetstack.push_back(n);
    return n;
}

// Pops the register of the last value; a temporary is freed, and it is always the top one.
SQInteger SQFuncState::PopTarget() {
    SQInteger npos = _targetstack.back();
    if (!IsLocal((SQUnsignedInteger)npos)) {
        assert(npos == (SQInteger)_vlocals.size() - 1);
        _vlocals.pop_back();
    }
    _targetstack.pop_back();
    return npos;
}

void SQFuncState::SetStackSize(SQInteger n) {
    while ((SQInteger)_vlocals.size() > n) {
        LocalSlot &lvi = _vlocals.back();
        if (sqtype(lvi.name) != OT_NULL) {
            SQLocalVarInfo info;
            info._name = lvi.name;
            info._start_op = lvi.start_op;
            info._end_op = GetCurrentPos();
            info._pos = lvi.pos;
            _localvarinfos.push_back(info);
        }
        _vlocals.pop_back();
    }
}

bool SQFuncState::IsLocal(SQUnsignedInteger stkpos) {
    if (stkpos >= _vlocals.size()) return false;
    return sqtype(_vlocals[stkpos].name) != OT_NULL;
}

// Whether a local at or above register from is used by an inner function (needs OP_CLOSE).
bool SQFuncState::HasCapturedLocals(SQInteger from) {
    for (size_t i = (size_t)from; i < _vlocals.size(); i++) {
        if (_vlocals[i].captured) return true;
    }
    return false;
}

// Names the next register; the local is visible from the next instruction on.
SQInteger SQFuncState::PushLocalVariable(const SQObject &name) {
    SQInteger pos = (SQInteger)_vlocals.size();
    LocalSlot lvi;
    lvi.name = name;
    lvi.start_op = GetCurrentPos() + 1;
    lvi.pos = pos;
    _vlocals.push_back(lvi);
    if ((SQInteger)_vlocals.size() > _stacksize) {
        if (_vlocals.size() > SQ_MAX_REGISTERS) Error("internal compiler error: too many locals");
        _stacksize = (SQInteger)_vlocals.size();
    }
    return pos;
}

// The register of the innermost visible local called name, or -1.
SQInteger SQFuncState::GetLocalVariable(const SQObject &name) {
    for (SQInteger i = (SQInteger)_vlocals.size() - 1; i >= 0; i--) {
        const LocalSlot &lvi = _vlocals[(size_t)i];
        if (sqtype(lvi.name) == OT_STRING && _string(lvi.name) == _string(name)) return i;
    }
    return -1;
}

// The outer index of name: an outer this function already has, else a local of the enclosing
// function (captured: otLOCAL, by register) or one of its outers (otOUTER, by outer index),
// which the enclosing functions get first. -1 when no enclosing function has the name.
SQInteger SQFuncState::GetOuterVariable(const SQObject &name) {
    SQInteger outers = (SQInteger)_outervalues.size();
    for (SQInteger i = 0; i < outers; i++) {
        if (_string(_outervalues[(size_t)i]._name) == _string(name)) return i;
    }
    if (!_parent) return -1;
    SQInteger pos = _parent->GetLocalVariable(name);
    if (pos == -1) {
        pos = _parent->GetOuterVariable(name);
        if (pos == -1) return -1;
        _outervalues.push_back(SQOuterVar{SQObjectPtr(name), pos, otOUTER});
    } else {
        _parent->_vlocals[(size_t)pos].captured = true;
        _outervalues.push_back(SQOuterVar{SQObjectPtr(name), pos, otLOCAL});
    }
    return (SQInteger)_outervalues.size() - 1;
}

void SQFuncState::AddParameter(const SQObject &name) {
    PushLocalVariable(name);
    _parameters.push_back(SQObjectPtr(name));
}

// Line records map instruction indexes to lines; a record that no instruction follows yet is
// moved to the new line instead of adding a second one at the same index.
void SQFuncState::AddLineInfos(SQInteger line, bool lineop, bool force) {
    if (_lastline != line || force) {
        SQInteger op = NextPos();
        if (!_lineinfos.empty() && _lineinfos.back()._op == op)
            _lineinfos.back()._line = line;  // no instruction belongs to the previous record
        else
            _lineinfos.push_back(SQLineInfo{line, op});
        if (lineop) AddInstruction(OP_LINE, 0, line);
        _lastline = line;
    }
}

// The finished prototype: literals placed by their index, the records copied, the code fused.
SQObjectPtr SQFuncState::BuildProto() {
    SQFunctionProto *f = SQFunctionProto::Create();
    SQObjectPtr holder(f);  // owns the prototype while it is filled
    f->_sourcename = _sourcename;
    f->_name = _name;
    f->_instructions = _instructions;
    f->_literals.resize((size_t)_nliterals);
    SQObjectPtr refidx, key, val;
    SQInteger idx;
    while ((idx = _table(_literals)->Next(false, refidx, key, val)) != -1) {
        f->_literals[(size_t)_integer(val)] = key;
        refidx = idx;
    }
    f->_parameters = _parameters;
    f->_outervalues = _outervalues;
    f->_localvarinfos = _localvarinfos;
    f->_lineinfos = _lineinfos;
    f->_defaultparams = _defaultparams;
    f->_functions = _functions;
    f->_stacksize = _stacksize;
    f->_bgenerator = _bgenerator;
    f->_varparams = _varparams;
    f->Prepare();
    return holder;
}

// The state of a nested function; this state owns it until PopChildState.
SQFuncState *SQFuncState::PushChildState(SQSharedState *ss) {
    _childstates.push_back(std::make_unique<SQFuncState>(ss, this, _errfunc, _errtarget));
    return _childstates.back().get();
}

void SQFuncState::PopChildState() { _childstates.pop_back(); }
