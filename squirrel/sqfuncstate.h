// Per-function compile state: registers (locals and temporaries), literals, outer variables,
// line records and the instruction buffer, turned into a SQFunctionProto at the end.
#pragma once

#include "squirrel/sqfuncproto.h"
#include "squirrel/sqstate.h"

#include <memory>

struct SQFuncState : SQAllocated {
    typedef void (*ErrorFunc)(void *ud, const SQChar *msg);
    SQFuncState(SQSharedState *ss, SQFuncState *parent, ErrorFunc efunc, void *ed);

    void AddInstruction(SQOpcode op, SQInteger arg0 = 0, SQInteger arg1 = 0, SQInteger arg2 = 0, SQInteger arg3 = 0);
    void SetInstructionParam(SQInteger pos, SQInteger arg, SQInteger val);
    // Index of the last instruction.
    SQInteger GetCurrentPos() const { return (SQInteger)_instructions.size() - 1; }
    SQInteger NextPos() const { return (SQInteger)_instructions.size(); }
    // Points the jump at pos to the instruction index target.
    void PatchJump(SQInteger pos, SQInteger target) { SetInstructionParam(pos, 1, target - (pos + 1)); }

    SQInteger GetConstant(const SQObject &cons);
    SQObjectPtr CreateString(const SQChar *s, SQInteger len = -1);
    SQObjectPtr CreateTable();
    bool IsConstant(const SQObject &name, SQObject &e);

    SQInteger PushLocalVariable(const SQObject &name);
    void AddParameter(const SQObject &name);
    void AddDefaultParam(SQInteger trg) { _defaultparams.push_back(trg); }
    SQInteger GetLocalVariable(const SQObject &name);
    SQInteger GetOuterVariable(const SQObject &name);
    bool IsLocal(SQUnsignedInteger stkpos);
    bool HasCapturedLocals(SQInteger from);
    SQInteger GenerateCode();
    SQInteger GetStackSize() const { return (SQInteger)_vlocals.size(); }
    // Drops locals down to n, recording their debug ranges.
    void SetStackSize(SQInteger n);
    SQInteger TopTarget() { return _targetstack.back(); }
    SQInteger PopTarget();
    SQInteger PushTarget(SQInteger n = -1);
    SQInteger AllocStackPos();
    // Records where a source line starts; with lineop also emits OP_LINE for the debug hook.
    void AddLineInfos(SQInteger line, bool lineop, bool force = false);
    SQObjectPtr BuildProto();
    SQFuncState *PushChildState(SQSharedState *ss);
    void PopChildState();

    struct LocalSlot {
        SQObjectPtr name;
        SQInteger start_op = 0;
        SQInteger pos = 0;
        bool captured = false;
    };

    SQObjectPtr _name;
    SQObjectPtr _sourcename;
    sqvector<SQInstruction> _instructions;
    sqvector<LocalSlot> _vlocals;
    sqvector<SQInteger> _targetstack;
    SQInteger _stacksize = 0;
    bool _varparams = false;
    bool _bgenerator = false;
    sqvector<SQInteger> _unresolvedbreaks;
    sqvector<SQInteger> _unresolvedcontinues;
    SQObjectPtrVec _functions;
    SQObjectPtrVec _parameters;
    sqvector<SQOuterVar> _outervalues;
    sqvector<SQInteger> _breaktargets;     // traps opened since the innermost breakable block began
    sqvector<SQInteger> _continuetargets;  // same, for loops
    sqvector<SQInteger> _blockstacksizes;  // stack size at the start of each loop or switch
    sqvector<SQInteger> _defaultparams;
    SQInteger _lastline = 0;
    SQInteger _traps = 0;
    SQFuncState *_parent;

private:
    sqvector<SQLocalVarInfo> _localvarinfos;
    sqvector<SQLineInfo> _lineinfos;
    SQObjectPtr _literals;  // table: constant -> index
    SQInteger _nliterals = 0;
    sqvector<std::unique_ptr<SQFuncState>> _childstates;
    SQSharedState *_sharedstate;
    ErrorFunc _errfunc;
    void *_errtarget;
    void Error(const SQChar *err) { _errfunc(_errtarget, err); }
};
