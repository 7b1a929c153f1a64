// Compiled functions: the bytecode and the debug records of one function body, shared by all
// closures made from it. A prototype holds only constants and nested prototypes, so it never
// takes part in a reference cycle.
#pragma once

#include "squirrel/sqopcodes.h"
#include "squirrel/sqobject.h"

enum SQOuterType { otLOCAL = 0, otOUTER = 1 };

struct SQOuterVar {
    SQObjectPtr _name;
    SQInteger _src;  // register of the enclosing function, or its outer index
    SQOuterType _type;
};

struct SQLocalVarInfo {
    SQObjectPtr _name;
    SQInteger _start_op = 0;
    SQInteger _end_op = 0;
    SQInteger _pos = 0;
};

struct SQLineInfo {
    SQInteger _line;
    SQInteger _op;
};

struct SQFunctionProto : public SQRefCounted {
    SQObjectPtr _sourcename;
    SQObjectPtr _name;
    sqvector<SQInstruction> _instructions;
    SQObjectPtrVec _literals;
    SQObjectPtrVec _parameters;
    sqvector<SQOuterVar> _outervalues;
    sqvector<SQLocalVarInfo> _localvarinfos;
    sqvector<SQLineInfo> _lineinfos;
    sqvector<SQInteger> _defaultparams;  // registers of the enclosing function holding defaults
    SQObjectPtrVec _functions;
    SQInteger _stacksize = 0;
    bool _bgenerator = false;
    bool _varparams = false;
    // Arguments a plain call passes, this included; -1 when a call needs more than a new frame
    // (variable arguments, generators). Set by Prepare.
    SQInteger _plaincallargs = -1;

    static SQFunctionProto *Create() { return new SQFunctionProto(); }
    void Release() override { delete this; }
    // Readies a complete function for running: fuses its code and sets the derived fields.
    void Prepare();
    SQInteger GetLine(SQInteger instructionIndex) const;
    const SQChar *GetLocal(SQVM *v, SQInteger stackbase, SQInteger nseq, SQInteger nop);
};
