// Per-function compile state: registers (locals and temporaries), literals, outer variables,
// line records and the instruction buffer, turned into a SQFunctionProto at the end.
//
// Register allocation is a stack, with no liveness analysis. _vlocals holds one entry per
// register in use, from register 0 (`this`) up: an entry with a name is a local variable, an
// entry without is a temporary. The compiler evaluates every expression into a register it
// pushes on _targetstack: PushTarget() takes the next free register as a temporary, PopTarget()
// hands the value's register to its user and frees it again when it was a temporary, which is
// then always the topmost register. `local x = e` evaluates e into the next register and names
// it (PushLocalVariable); a block remembers the stack size at its start and drops its locals at
// its end (SetStackSize), recording each one's range of instructions for the debug records. So
// the registers of a statement's temporaries are reused by the next statement, and _stacksize,
// the highest count ever reached, is the frame size the prototype asks for.
//
// Calls rely on the order: the callee, `this` and the arguments go to consecutive temporaries,
// which become the callee's frame without a copy (see the stack layout in sqvm.h). Operands are
// 8 bits wide and 0xFF means "no target", so a function has at most SQ_MAX_REGISTERS registers.
//
// A local that an inner function uses is marked captured; the scope that drops it then emits
// OP_CLOSE so that the closures keep its last value. Names resolve innermost first: a local of
// this function, else an outer variable found through the enclosing states (GetOuterVariable,
// which adds it to every function in between), else a slot of `this` or the root table at run
// time. Literals are numbered through a table from constant to index, so each appears once.
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
    sqvector<LocalSlot> _vlocals;      // one per register in use; unnamed: a temporary
    sqvector<SQInteger> _targetstack;  // registers holding values not yet used
    SQInteger _stacksize = 0;             // most registers ever in use: the frame size
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
    SQInteger _traps = 0;  // try blocks open at this point of the function
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
