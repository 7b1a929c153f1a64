// One-pass compiler from tokens to register bytecode. Each expression leaves its value in a
// target register on the function state's target stack; the expression state (_es) tells
// whether the last value is a plain value, a local, an outer variable or an object slot that
// has not been read yet (so that assignment, calls and ++ can use the object and key).
//
// How it reads, top down: Compile sets up the main function (`this` and vargv) and compiles
// statements to the end; Statement dispatches on the first token; Expression handles
// assignment and ?: over one function per precedence level, from LogicalOrExp down to
// PrefixedExpr (a Factor followed by '.', '[]', calls and postfix ++/--). Registers come and go
// in stack order (see sqfuncstate.h): a sub-expression's temporaries are freed, in reverse order,
// by the expression that uses them, so a statement leaves only the locals it declares behind.
//
// The expression state makes reads lazy. For a.b the object and key stay in two registers
// (OBJECT) until the next token shows what is wanted: a read (GET), an assignment (SET), a new
// slot (NEWSLOT), a call (PREPCALL: callee and `this` at once) or ++ (INC). A LOCAL is used in
// place, without a move; an OUTER is read or written through GETOUTER/SETOUTER. NeedGet decides.
//
// Jumps are emitted with a zero offset and patched once the target is known; break and
// continue jumps wait in the function state until their loop ends, and pop the traps opened in
// between. Errors are C++ exceptions inside the compiler only: Compile catches them and turns
// them into the VM's error, with the source name, line and column, before anything leaves.
#include "squirrel/sqfuncstate.h"
#include "squirrel/sqlexer.h"
#include "squirrel/sqvm.h"

#include <cstdarg>
#include <cstdio>

namespace {

enum ExpType { EXPR = 1, OBJECT = 2, BASE = 3, LOCAL = 4, OUTER = 5 };

struct ExpState {
    SQInteger etype = EXPR;
    SQInteger epos = -1;
    bool donot_get = false;
};

struct CompileError {
    sqstring message;
};

constexpr int kMaxNesting = 200;

#define NEW_SLOT_ATTRIBUTES_FLAG 0x01
#define NEW_SLOT_STATIC_FLAG 0x02

class SQCompiler {
public:
    SQCompiler(SQVM *v, SQLEXREADFUNC rg, SQUserPointer up, const SQChar *sourcename, bool raiseerror, bool lineinfo)
        : _raiseerror(raiseerror), _lineinfo(lineinfo), _vm(v) {
        _lex.Init(_ss(v), rg, up, &SQCompiler::ThrowError, this);
        _sourcename = SQString::Create(_ss(v), sourcename);
    }

    static void ThrowError(void *ud, const SQChar *s) {
        (void)ud;
        throw CompileError{s};
    }

    void Error(const SQChar *s, ...) {
        char buf[512];
        va_list vl;
        va_start(vl, s);
        vsnprintf(buf, sizeof(buf), s, vl);
        va_end(vl);
        throw CompileError{buf};
    }

    void Lex() { _token = _lex.Lex(); }

    SQObjectPtr Expect(SQInteger tok) {
        if (_token != tok) {
            if (_token == TK_CONSTRUCTOR && tok == TK_IDENTIFIER) {
                // "constructor" may name a member
            } else {
                if (tok > 255) {
                    const SQChar *etypename;
                    switch (tok) {
                    case TK_IDENTIFIER: etypename = "IDENTIFIER"; break;
                    case TK_STRING_LITERAL: etypename = "STRING_LITERAL"; break;
                    case TK_INTEGER: etypename = "INTEGER"; break;
                    case TK_FLOAT: etypename = "FLOAT"; break;
                    default: etypename = _lex.Tok2Str(tok);
                    }
                    Error("expected '%s'", etypename);
                }
                Error("expected '%c'", (int)tok);
            }
        }
        SQObjectPtr ret;
        switch (tok) {
        case TK_IDENTIFIER: ret = _fs->CreateString(_lex._svalue); break;
        case TK_STRING_LITERAL: ret = _fs->CreateString(_lex._svalue, _lex._svaluelen); break;
        case TK_INTEGER: ret = SQObjectPtr(_lex._nvalue); break;
        case TK_FLOAT: ret = SQObjectPtr(_lex._fvalue); break;
        }
        Lex();
        return ret;
    }

    bool IsEndOfStatement() {
        return (_lex._prevtoken == '\n') || (_token == SQUIRREL_EOB) || (_token == '}') || (_token == ';');
    }
    void OptionalSemicolon() {
        if (_token == ';') {
            Lex();
            return;
        }
        if (!IsEndOfStatement()) Error("end of statement expected (; or lf)");
    }
    void MoveIfCurrentTargetIsLocal() {
        SQInteger trg = _fs->TopTarget();
        if (_fs->IsLocal((SQUnsignedInteger)trg)) {
            trg = _fs->PopTarget();
            _fs->AddInstruction(OP_MOVE, _fs->PushTarget(), trg);
        }
    }

    bool Compile(SQObjectPtr &o) {
        SQFuncState funcstate(_ss(_vm), nullptr, &SQCompiler::ThrowError, this);
        funcstate._name = SQString::Create(_ss(_vm), "main");
        _fs = &funcstate;
        _fs->AddParameter(_fs->CreateString("this"));
        _fs->AddParameter(_fs->CreateString("vargv"));
        _fs->_varparams = true;
        _fs->_sourcename = _sourcename;
        SQInteger stacksize = _fs->GetStackSize();
        try {
            Lex();
            while (_token > 0) {
                Statement();
                if (_lex._prevtoken != '}' && _lex._prevtoken != ';') OptionalSemicolon();
            }
            _fs->SetStackSize(stacksize);
            _fs->AddLineInfos(_lex._currentline, _lineinfo, true);
            _fs->AddInstruction(OP_RETURN, 0xFF);
            _fs->SetStackSize(0);
            o = _fs->BuildProto();
        } catch (CompileError &e) {
            ReportError(e.message.c_str());
            _vm->_lasterror = SQString::Create(_ss(_vm), e.message.c_str(), -1);
            return false;
        } catch (const std::bad_alloc &) {
            ReportError("out of memory");
            _vm->RaiseOutOfMemory();
            return false;
        }
        return true;
    }

    void ReportError(const SQChar *message) {
        if (_raiseerror && _ss(_vm)->_compilererrorhandler) {
            _ss(_vm)->_compilererrorhandler(_vm, message, sqtype(_sourcename) == OT_STRING ? _stringval(_sourcename) : "unknown",
                                             _lex._currentline, _lex._currentcolumn);
        }
    }

    struct NestingGuard {
        explicit NestingGuard(SQCompiler *c) : comp(c) {
            if (++comp->_nesting > kMaxNesting) comp->Error("script nesting too deep");
        }
        ~NestingGuard() { comp->_nesting--; }
        SQCompiler *comp;
    };

    // ---- statements

    void Statements() {
        while (_token != '}' && _token != TK_DEFAULT && _token != TK_CASE) {
            Statement();
            if (_lex._prevtoken != '}' && _lex._prevtoken != ';') OptionalSemicolon();
        }
    }

    void BeginScope(SQInteger &saved) { saved = _fs->GetStackSize(); }
    void EndScope(SQInteger saved, bool close = true) {
        if (_fs->GetStackSize() != saved) {
            if (close && _fs->HasCapturedLocals(saved)) _fs->AddInstruction(OP_CLOSE, 0, saved);
            _fs->SetStackSize(saved);
        }
    }

    void Statement(bool closeframe = true) {
        NestingGuard guard(this);
        _fs->AddLineInfos(_lex._currentline, _lineinfo);
        switch (_token) {
        case ';': Lex(); break;
        case TK_IF: IfStatement(); break;
        case TK_WHILE: WhileStatement(); break;
        case TK_DO: DoWhileStatement(); break;
        case TK_FOR: ForStatement(); break;
        case TK_FOREACH: ForEachStatement(); break;
        case TK_SWITCH: SwitchStatement(); break;
        case TK_LOCAL: LocalDeclStatement(); break;
        case TK_RETURN:
        case TK_YIELD: {
            SQOpcode op;
            if (_token == TK_RETURN) {
                op = OP_RETURN;
            } else {
                op = OP_YIELD;
                _fs->_bgenerator = true;
            }
            Lex();
            if (!IsEndOfStatement()) {
                CommaExpr();
                SQInteger src = _fs->PopTarget();
                if (op == OP_RETURN && _fs->_traps == 0 && !_fs->_instructions.empty()) {
                    SQInstruction &last = _fs->_instructions.back();
                    // return f(...): reuse the frame
                    if (last.op == OP_CALL && last._arg0 == src && !_fs->_bgenerator) last.op = OP_TAILCALL;
                }
                if (op == OP_RETURN && _fs->_traps > 0) _fs->AddInstruction(OP_POPTRAP, 0, _fs->_traps);
                _fs->AddInstruction(op, 1, src, _fs->GetStackSize());
            } else {
                if (op == OP_RETURN && _fs->_traps > 0) _fs->AddInstruction(OP_POPTRAP, 0, _fs->_traps);
                _fs->AddInstruction(op, 0xFF, 0, _fs->GetStackSize());
            }
            break;
        }
        case TK_BREAK:
            if (_fs->_breaktargets.empty()) Error("'break' has to be in a loop block");
            if (_fs->_breaktargets.back() > 0) _fs->AddInstruction(OP_POPTRAP, 0, _fs->_breaktargets.back());
            ResolveOuters();
            _fs->AddInstruction(OP_JMP, 0, -1234);
            _fs->_unresolvedbreaks.push_back(_fs->GetCurrentPos());
            Lex();
            break;
        case TK_CONTINUE:
            if (_fs->_continuetargets.empty()) Error("'continue' has to be in a loop block");
            if (_fs->_continuetargets.back() > 0) _fs->AddInstruction(OP_POPTRAP, 0, _fs->_continuetargets.back());
            ResolveOuters();
            _fs->AddInstruction(OP_JMP, 0, -1234);
            _fs->_unresolvedcontinues.push_back(_fs->GetCurrentPos());
            Lex();
            break;
        case TK_FUNCTION: FunctionStatement(); break;
        case TK_CLASS: ClassStatement(); break;
        case TK_ENUM: EnumStatement(); break;
        case '{': {
            SQInteger saved;
            BeginScope(saved);
            Lex();
            Statements();
            Expect('}');
            EndScope(saved, closeframe);
            break;
        }
        case TK_TRY: TryCatchStatement(); break;
        case TK_THROW:
            Lex();
            CommaExpr();
            _fs->AddInstruction(OP_THROW, _fs->PopTarget());
            break;
        case TK_CONST: {
            Lex();
            SQObjectPtr id = Expect(TK_IDENTIFIER);
            Expect('=');
            SQObjectPtr val = ExpectScalar();
            OptionalSemicolon();
            _table(_ss(_vm)->_consts)->NewSlot(id, val);
            break;
        }
        default:
            CommaExpr();
            _fs->PopTarget();
            break;
        }
    }

    // Closes the outers of locals declared inside the innermost loop before jumping out of it.
    void ResolveOuters() {
        if (_fs->_blockstacksizes.empty()) return;
        SQInteger level = _fs->_blockstacksizes.back();
        if (_fs->GetStackSize() != level && _fs->HasCapturedLocals(level)) _fs->AddInstruction(OP_CLOSE, 0, level);
    }

    // ---- expressions: assignment and the conditional operator

    void CommaExpr() {
        for (Expression(); _token == ','; _fs->PopTarget(), Lex(), CommaExpr()) {
        }
    }

    static bool IsAssignment(SQInteger token) {
        switch (token) {
        case '=':
        case TK_NEWSLOT:
        case TK_MINUSEQ:
        case TK_PLUSEQ:
        case TK_MULEQ:
        case TK_DIVEQ:
        case TK_MODEQ: return true;
        default: return false;
        }
    }

    void Expression() {
        NestingGuard guard(this);
        ExpState es = _es;
        _es.etype = EXPR;
        _es.epos = -1;
        _es.donot_get = false;
        LogicalOrExp();
        if (IsAssignment(_token)) {
            SQInteger op = _token;
            SQInteger ds = _es.etype;
            SQInteger pos = _es.epos;
            if (ds == EXPR) Error("can't assign expression");
            else if (ds == BASE) Error("'base' cannot be modified");
            Lex();
            Expression();
            switch (op) {
            case TK_NEWSLOT:
                if (ds == OBJECT || ds == BASE)
                    EmitDerefOp(OP_NEWSLOT);
                else
                    Error("can't 'create' a local slot");
                break;
            case '=':
                switch (ds) {
                case LOCAL: {
                    SQInteger src = _fs->PopTarget();
                    SQInteger dst = _fs->TopTarget();
                    _fs->AddInstruction(OP_MOVE, dst, src);
                    break;
                }
                case OBJECT:
                case BASE: EmitDerefOp(OP_SET); break;
                case OUTER: {
                    SQInteger src = _fs->PopTarget();
                    SQInteger dst = _fs->PushTarget();
                    _fs->AddInstruction(OP_SETOUTER, dst, pos, src);
                    break;
                }
                }
                break;
            default: EmitCompoundArith(op, ds, pos); break;
            }
        } else if (_token == '?') {
            Lex();
            _fs->AddInstruction(OP_JZ, _fs->PopTarget());
            SQInteger jzpos = _fs->GetCurrentPos();
            SQInteger trg = _fs->PushTarget();
            Expression();
            SQInteger first_exp = _fs->PopTarget();
            if (trg != first_exp) _fs->AddInstruction(OP_MOVE, trg, first_exp);
            _fs->AddInstruction(OP_JMP, 0, 0);
            SQInteger jmppos = _fs->GetCurrentPos();
            Expect(':');
            _fs->PatchJump(jzpos, _fs->NextPos());
            Expression();
            SQInteger second_exp = _fs->PopTarget();
            if (trg != second_exp) _fs->AddInstruction(OP_MOVE, trg, second_exp);
            _fs->PatchJump(jmppos, _fs->NextPos());
        }
        _es = es;
    }

    // ---- compound assignment and the binary operators, one function per precedence level

    SQOpcode ArithOpByToken(SQInteger tok) {
        switch (tok) {
        case TK_PLUSEQ:
        case '+': return OP_ADD;
        case TK_MINUSEQ:
        case '-': return OP_SUB;
        case TK_MULEQ:
        case '*': return OP_MUL;
        case TK_DIVEQ:
        case '/': return OP_DIV;
        case TK_MODEQ:
        case '%': return OP_MOD;
        }
        assert(0);
        return OP_ADD;
    }
    SQInteger CompArithCharByToken(SQInteger tok) {
        switch (tok) {
        case TK_MINUSEQ: return '-';
        case TK_PLUSEQ: return '+';
        case TK_DIVEQ: return '/';
        case TK_MULEQ: return '*';
        case TK_MODEQ: return '%';
        }
        assert(0);
        return 0;
    }

    void EmitCompoundArith(SQInteger tok, SQInteger etype, SQInteger pos) {
        switch (etype) {
        case LOCAL: {
            SQInteger p2 = _fs->PopTarget();
            SQInteger p1 = _fs->PopTarget();
            _fs->PushTarget(p1);
            _fs->AddInstruction(ArithOpByToken(tok), p1, p2, p1, 0);
            break;
        }
        case OBJECT:
        case BASE: {
            SQInteger val = _fs->PopTarget();
            SQInteger key = _fs->PopTarget();
            SQInteger src = _fs->PopTarget();
            _fs->AddInstruction(OP_COMPARITH, _fs->PushTarget(), (src << 16) | val, key, CompArithCharByToken(tok));
            break;
        }
        case OUTER: {
            SQInteger val = _fs->TopTarget();
            SQInteger tmp = _fs->PushTarget();
            _fs->AddInstruction(OP_GETOUTER, tmp, pos);
            _fs->AddInstruction(ArithOpByToken(tok), tmp, val, tmp, 0);
            _fs->AddInstruction(OP_SETOUTER, tmp, pos, tmp);
            _fs->PopTarget();
            _fs->PopTarget();
            SQInteger result = _fs->PushTarget();
            if (result != tmp) _fs->AddInstruction(OP_MOVE, result, tmp);
            break;
        }
        }
    }

    void EmitDerefOp(SQOpcode op) {
        SQInteger val = _fs->PopTarget();
        SQInteger key = _fs->PopTarget();
        SQInteger src = _fs->PopTarget();
        _fs->AddInstruction(op, _fs->PushTarget(), src, key, val);
    }
    void Emit2ArgsOP(SQOpcode op, SQInteger p3 = 0) {
        SQInteger p2 = _fs->PopTarget();
        SQInteger p1 = _fs->PopTarget();
        _fs->AddInstruction(op, _fs->PushTarget(), p1, p2, p3);
    }

    // An operator's result cannot be assigned to. Checked before the operator takes its operands:
    // an operand followed by an assignment is left unfetched for it (see NeedGet).
    void RefuseAssignment() {
        if (IsAssignment(_token)) Error("can't assign expression");
    }

    typedef void (SQCompiler::*ExprFunc)();
    void BinExp(SQOpcode op, ExprFunc f, SQInteger op3 = 0) {
        Lex();
        (this->*f)();
        RefuseAssignment();
        SQInteger op1 = _fs->PopTarget();
        SQInteger op2 = _fs->PopTarget();
        _fs->AddInstruction(op, _fs->PushTarget(), op1, op2, op3);
    }

    void LogicalOrExp() {
        LogicalAndExp();
        if (_token == TK_OR) ShortCircuit(OP_OR, &SQCompiler::LogicalOrExp);
    }
    // `a || b` and `a && b`: the jump over the right operand is patched once
    // it is compiled; both operands end in the same target register.
    void ShortCircuit(SQOpcode op, void (SQCompiler::*rightOperand)()) {
        SQInteger first_exp = _fs->PopTarget();
        SQInteger trg = _fs->PushTarget();
        _fs->AddInstruction(op, trg, 0, first_exp, 0);
        SQInteger jpos = _fs->GetCurrentPos();
        if (trg != first_exp) _fs->AddInstruction(OP_MOVE, trg, first_exp);
        Lex();
        NestingGuard guard(this);
        (this->*rightOperand)();
        RefuseAssignment();
        SQInteger second_exp = _fs->PopTarget();
        if (trg != second_exp) _fs->AddInstruction(OP_MOVE, trg, second_exp);
        _fs->PatchJump(jpos, _fs->NextPos());
    }
    void LogicalAndExp() {
        BitwiseOrExp();
        for (;;) {
            switch (_token) {
            case TK_AND:
                ShortCircuit(OP_AND, &SQCompiler::LogicalAndExp);
                break;
            default: return;
            }
        }
    }
    void BitwiseOrExp() {
        BitwiseXorExp();
        while (_token == '|') BinExp(OP_BITW, &SQCompiler::BitwiseXorExp, BW_OR);
    }
    void BitwiseXorExp() {
        BitwiseAndExp();
        while (_token == '^') BinExp(OP_BITW, &SQCompiler::BitwiseAndExp, BW_XOR);
    }
    void BitwiseAndExp() {
        EqExp();
        while (_token == '&') BinExp(OP_BITW, &SQCompiler::EqExp, BW_AND);
    }
    void EqExp() {
        CompExp();
        for (;;) {
            switch (_token) {
            case TK_EQ: BinExp(OP_EQ, &SQCompiler::CompExp); break;
            case TK_NE: BinExp(OP_NE, &SQCompiler::CompExp); break;
            case TK_3WAYSCMP: BinExp(OP_CMP, &SQCompiler::CompExp, CMP_3W); break;
            default: return;
            }
        }
    }
    void CompExp() {
        ShiftExp();
        for (;;) {
            switch (_token) {
            case '>': BinExp(OP_CMP, &SQCompiler::ShiftExp, CMP_G); break;
            case '<': BinExp(OP_CMP, &SQCompiler::ShiftExp, CMP_L); break;
            case TK_GE: BinExp(OP_CMP, &SQCompiler::ShiftExp, CMP_GE); break;
            case TK_LE: BinExp(OP_CMP, &SQCompiler::ShiftExp, CMP_LE); break;
            case TK_IN: BinExp(OP_EXISTS, &SQCompiler::ShiftExp); break;
            case TK_INSTANCEOF: BinExp(OP_INSTANCEOF, &SQCompiler::ShiftExp); break;
            default: return;
            }
        }
    }
    void ShiftExp() {
        PlusExp();
        for (;;) {
            switch (_token) {
            case TK_USHIFTR: BinExp(OP_BITW, &SQCompiler::PlusExp, BW_USHIFTR); break;
            case TK_SHIFTL: BinExp(OP_BITW, &SQCompiler::PlusExp, BW_SHIFTL); break;
            case TK_SHIFTR: BinExp(OP_BITW, &SQCompiler::PlusExp, BW_SHIFTR); break;
            default: return;
            }
        }
    }
    void PlusExp() {
        MultExp();
        for (;;) {
            switch (_token) {
            case '+':
            case '-': BinExp(ArithOpByToken(_token), &SQCompiler::MultExp); break;
            default: return;
            }
        }
    }
    void MultExp() {
        PrefixedExpr();
        for (;;) {
            switch (_token) {
            case '*':
            case '/':
            case '%': BinExp(ArithOpByToken(_token), &SQCompiler::PrefixedExpr); break;
            default: return;
            }
        }
    }

    // ---- prefixed expressions: names, slots, calls, `this`, literals and the other factors

    bool NeedGet() {
        switch (_token) {
        case '=':
        case '(':
        case TK_NEWSLOT:
        case TK_MODEQ:
        case TK_MULEQ:
        case TK_DIVEQ:
        case TK_MINUSEQ:
        case TK_PLUSEQ: return false;
        case TK_PLUSPLUS:
        case TK_MINUSMINUS:
            // On a new line the step starts the next statement; this value is needed as it is.
            if (!IsEndOfStatement()) return false;
            break;
        }
        return (!_es.donot_get || (_es.donot_get && (_token == '.' || _token == '[')));
    }

    void PrefixedExpr() {
        NestingGuard guard(this);
        Factor();
        for (;;) {
            switch (_token) {
            case '.':
                Lex();
                _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(Expect(TK_IDENTIFIER)));
                if (_es.etype == BASE) {
                    Emit2ArgsOP(OP_GET);
                    _es.etype = EXPR;
                    _es.epos = _fs->TopTarget();
                } else {
                    if (NeedGet()) Emit2ArgsOP(OP_GET);
                    _es.etype = OBJECT;
                }
                break;
            case '[':
                if (_lex._prevtoken == '\n') Error("cannot brake deref/or comma needed after [exp]=exp slot declaration");
                Lex();
                Expression();
                Expect(']');
                if (_es.etype == BASE) {
                    Emit2ArgsOP(OP_GET);
                    _es.etype = EXPR;
                    _es.epos = _fs->TopTarget();
                } else {
                    if (NeedGet()) Emit2ArgsOP(OP_GET);
                    _es.etype = OBJECT;
                }
                break;
            case TK_MINUSMINUS:
            case TK_PLUSPLUS: {
                if (IsEndOfStatement()) return;
                SQInteger diff = (_token == TK_MINUSMINUS) ? -1 : 1;
                Lex();
                switch (_es.etype) {
                case EXPR: Error("can't '++' or '--' an expression"); break;
                case OBJECT:
                case BASE: Emit2ArgsOP(OP_PINC, diff); break;
                case LOCAL: {
                    SQInteger src = _fs->PopTarget();
                    _fs->AddInstruction(OP_PINCL, _fs->PushTarget(), src, 0, diff);
                    break;
                }
                case OUTER: {
                    SQInteger tmp1 = _fs->PushTarget();
                    SQInteger tmp2 = _fs->PushTarget();
                    _fs->AddInstruction(OP_GETOUTER, tmp2, _es.epos);
                    _fs->AddInstruction(OP_PINCL, tmp1, tmp2, 0, diff);
                    _fs->AddInstruction(OP_SETOUTER, tmp2, _es.epos, tmp2);
                    _fs->PopTarget();
                    break;
                }
                }
                _es.etype = EXPR;
                return;
            }
            case '(':
                switch (_es.etype) {
                case OBJECT: {
                    SQInteger key = _fs->PopTarget();
                    SQInteger table = _fs->PopTarget();
                    SQInteger closure = _fs->PushTarget();
                    SQInteger ttarget = _fs->PushTarget();
                    // a literal key saves the register load
                    SQInstruction &last = _fs->_instructions.back();
                    if (last.op == OP_LOAD && last._arg0 == key && key != table && key >= table) {
                        SQInteger lit = last._arg1;
                        _fs->_instructions.pop_back();
                        _fs->AddInstruction(OP_PREPCALLK, closure, lit, table, ttarget);
                    } else {
                        _fs->AddInstruction(OP_PREPCALL, closure, key, table, ttarget);
                    }
                    break;
                }
                case BASE: _fs->AddInstruction(OP_MOVE, _fs->PushTarget(), 0); break;
                case OUTER:
                    _fs->AddInstruction(OP_GETOUTER, _fs->PushTarget(), _es.epos);
                    _fs->AddInstruction(OP_MOVE, _fs->PushTarget(), 0);
                    break;
                default: _fs->AddInstruction(OP_MOVE, _fs->PushTarget(), 0);
                }
                _es.etype = EXPR;
                Lex();
                FunctionCallArgs();
                break;
            default: return;
            }
        }
    }

    void Factor() {
        _es.etype = EXPR;
        switch (_token) {
        case TK_STRING_LITERAL:
            _fs->AddInstruction(OP_LOAD, _fs->PushTarget(),
                                _fs->GetConstant(_fs->CreateString(_lex._svalue, _lex._svaluelen)));
            Lex();
            break;
        case TK_BASE:
            Lex();
            _fs->AddInstruction(OP_GETBASE, _fs->PushTarget());
            _es.etype = BASE;
            _es.epos = _fs->TopTarget();
            return;
        case TK_IDENTIFIER:
        case TK_CONSTRUCTOR:
        case TK_THIS: {
            SQObjectPtr id;
            switch (_token) {
            case TK_IDENTIFIER: id = _fs->CreateString(_lex._svalue); break;
            case TK_THIS: id = _fs->CreateString("this"); break;
            case TK_CONSTRUCTOR: id = _fs->CreateString("constructor"); break;
            }
            Lex();
            SQInteger pos;
            SQObject constant;
            if ((pos = _fs->GetLocalVariable(id)) != -1) {
                _fs->PushTarget(pos);
                _es.etype = LOCAL;
                _es.epos = pos;
            } else if ((pos = _fs->GetOuterVariable(id)) != -1) {
                if (NeedGet()) {
                    _es.epos = _fs->PushTarget();
                    _fs->AddInstruction(OP_GETOUTER, _es.epos, pos);
                } else {
                    _es.etype = OUTER;
                    _es.epos = pos;
                }
            } else if (_fs->IsConstant(id, constant)) {
                SQObjectPtr constval;
                if (sqtype(constant) == OT_TABLE) {
                    Expect('.');
                    SQObjectPtr constid = Expect(TK_IDENTIFIER);
                    if (!_table(constant)->Get(constid, constval)) {
                        Error("invalid constant [%s.%s]", _stringval(id), _stringval(constid));
                    }
                } else {
                    constval = constant;
                }
                _es.epos = _fs->PushTarget();
                switch (sqtype(constval)) {
                case OT_INTEGER: EmitLoadConstInt(_integer(constval), _es.epos); break;
                case OT_FLOAT: EmitLoadConstFloat(_float(constval), _es.epos); break;
                case OT_BOOL: _fs->AddInstruction(OP_LOADBOOL, _es.epos, _integer(constval) ? 1 : 0); break;
                default: _fs->AddInstruction(OP_LOAD, _es.epos, _fs->GetConstant(constval)); break;
                }
                _es.etype = EXPR;
            } else {
                // A field of 'this' (register 0), falling back to the root table at run time.
                _fs->PushTarget(0);
                _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(id));
                if (NeedGet()) Emit2ArgsOP(OP_GET);
                _es.etype = OBJECT;
            }
            return;
        }
        case TK_DOUBLE_COLON:
            _fs->AddInstruction(OP_LOADROOT, _fs->PushTarget());
            _es.etype = OBJECT;
            _token = '.';  // continue as "root.identifier"
            _es.epos = -1;
            return;
        case TK_NULL:
            _fs->AddInstruction(OP_LOADNULLS, _fs->PushTarget(), 1);
            Lex();
            break;
        case TK_INTEGER:
            EmitLoadConstInt(_lex._nvalue, -1);
            Lex();
            break;
        case TK_FLOAT:
            EmitLoadConstFloat(_lex._fvalue, -1);
            Lex();
            break;
        case TK_TRUE:
        case TK_FALSE:
            _fs->AddInstruction(OP_LOADBOOL, _fs->PushTarget(), _token == TK_TRUE ? 1 : 0);
            Lex();
            break;
        case '[': {
            _fs->AddInstruction(OP_NEWARRAY, _fs->PushTarget(), 0);
            SQInteger apos = _fs->GetCurrentPos(), key = 0;
            Lex();
            while (_token != ']') {
                Expression();
                if (_token == ',') Lex();
                SQInteger val = _fs->PopTarget();
                SQInteger array = _fs->TopTarget();
                _fs->AddInstruction(OP_APPENDARRAY, array, val);
                key++;
            }
            _fs->SetInstructionParam(apos, 1, key);
            Lex();
            break;
        }
        case '{':
            _fs->AddInstruction(OP_NEWTABLE, _fs->PushTarget(), 0);
            Lex();
            ParseTableOrClass(',', '}');
            break;
        case TK_FUNCTION:
        case '@': FunctionExp(_token == '@'); break;
        case TK_CLASS:
            Lex();
            ClassExp();
            break;
        case '-':
            Lex();
            switch (_token) {
            case TK_INTEGER:
                EmitLoadConstInt((SQInteger)(0u - (SQUnsignedInteger)_lex._nvalue), -1);
                Lex();
                break;
            case TK_FLOAT:
                EmitLoadConstFloat(-_lex._fvalue, -1);
                Lex();
                break;
            default: UnaryOP(OP_NEG);
            }
            break;
        case '!':
            Lex();
            UnaryOP(OP_NOT);
            break;
        case '~':
            Lex();
            if (_token == TK_INTEGER) {
                EmitLoadConstInt(~_lex._nvalue, -1);
                Lex();
                break;
            }
            UnaryOP(OP_BWNOT);
            break;
        case TK_TYPEOF:
            Lex();
            UnaryOP(OP_TYPEOF);
            break;
        case TK_RESUME:
            Lex();
            UnaryOP(OP_RESUME);
            break;
        case TK_CLONE:
            Lex();
            UnaryOP(OP_CLONE);
            break;
        case TK_MINUSMINUS:
        case TK_PLUSPLUS: PrefixIncDec(_token); break;
        case TK_DELETE: DeleteExpr(); break;
        case '(':
            Lex();
            CommaExpr();
            Expect(')');
            break;
        case TK___LINE__:
            EmitLoadConstInt(_lex._currentline, -1);
            Lex();
            break;
        case TK___FILE__:
            _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(_sourcename));
            Lex();
            break;
        default: Error("expression expected");
        }
        _es.etype = EXPR;
    }

    // ---- constants, unary operators and call arguments

    void EmitLoadConstInt(SQInteger value, SQInteger target) {
        if (target < 0) target = _fs->PushTarget();
        _fs->AddInstruction(OP_LOADINT, target, value);
    }
    void EmitLoadConstFloat(SQFloat value, SQInteger target) {
        if (target < 0) target = _fs->PushTarget();
        SQInt32 bits;
        std::memcpy(&bits, &value, sizeof(bits));
        _fs->AddInstruction(OP_LOADFLOAT, target, bits);
    }

    void UnaryOP(SQOpcode op) {
        PrefixedExpr();
        RefuseAssignment();
        SQInteger src = _fs->PopTarget();
        _fs->AddInstruction(op, _fs->PushTarget(), src);
        _es.etype = EXPR;
    }

    void FunctionCallArgs() {
        SQInteger nargs = 1;  // this
        while (_token != ')') {
            Expression();
            MoveIfCurrentTargetIsLocal();
            nargs++;
            if (_token == ',') {
                Lex();
                if (_token == ')') Error("expression expected, found ')'");
            }
        }
        Lex();
        for (SQInteger i = 0; i < (nargs - 1); i++) _fs->PopTarget();
        SQInteger stackbase = _fs->PopTarget();
        SQInteger closure = _fs->PopTarget();
        _fs->AddInstruction(OP_CALL, _fs->PushTarget(), closure, stackbase, nargs);
    }

    // ---- table and class bodies, local declarations

    void ParseTableOrClass(SQInteger separator, SQInteger terminator) {
        SQInteger tpos = _fs->GetCurrentPos(), nkeys = 0;
        while (_token != terminator) {
            bool hasattrs = false;
            bool isstatic = false;
            if (separator == ';') {
                if (_token == TK_ATTR_OPEN) {
                    _fs->AddInstruction(OP_NEWTABLE, _fs->PushTarget(), 0);
                    Lex();
                    ParseTableOrClass(',', TK_ATTR_CLOSE);
                    hasattrs = true;
                }
                if (_token == TK_STATIC) {
                    isstatic = true;
                    Lex();
                }
            }
            switch (_token) {
            case TK_FUNCTION:
            case TK_CONSTRUCTOR: {
                SQInteger tk = _token;
                Lex();
                SQObjectPtr id = tk == TK_FUNCTION ? Expect(TK_IDENTIFIER) : _fs->CreateString("constructor");
                Expect('(');
                _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(id));
                CreateFunction(id);
                _fs->AddInstruction(OP_CLOSURE, _fs->PushTarget(), (SQInteger)_fs->_functions.size() - 1, 0);
                break;
            }
            case '[':
                Lex();
                CommaExpr();
                Expect(']');
                Expect('=');
                Expression();
                break;
            case TK_STRING_LITERAL:
                if (separator == ',') {
                    _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(Expect(TK_STRING_LITERAL)));
                    Expect(':');
                    Expression();
                    break;
                }
                // fall through
            default:
                _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(Expect(TK_IDENTIFIER)));
                Expect('=');
                Expression();
            }
            if (_token == separator) Lex();
            nkeys++;
            SQInteger val = _fs->PopTarget();
            SQInteger key = _fs->PopTarget();
            if (hasattrs) _fs->PopTarget();
            SQInteger flags = (hasattrs ? NEW_SLOT_ATTRIBUTES_FLAG : 0) | (isstatic ? NEW_SLOT_STATIC_FLAG : 0);
            SQInteger table = _fs->TopTarget();
            if (separator == ',')
                _fs->AddInstruction(OP_NEWSLOT, 0xFF, table, key, val);
            else
                _fs->AddInstruction(OP_NEWSLOTA, flags, table, key, val);
        }
        if (separator == ',') _fs->SetInstructionParam(tpos, 1, nkeys);
        Lex();
    }

    void LocalDeclStatement() {
        Lex();
        if (_token == TK_FUNCTION) {
            Lex();
            SQObjectPtr varname = Expect(TK_IDENTIFIER);
            Expect('(');
            CreateFunction(varname);
            _fs->AddInstruction(OP_CLOSURE, _fs->PushTarget(), (SQInteger)_fs->_functions.size() - 1, 0);
            _fs->PopTarget();
            _fs->PushLocalVariable(varname);
            return;
        }
        do {
            SQObjectPtr varname = Expect(TK_IDENTIFIER);
            if (_token == '=') {
                Lex();
                Expression();
                SQInteger src = _fs->PopTarget();
                SQInteger dest = _fs->PushTarget();
                if (dest != src) _fs->AddInstruction(OP_MOVE, dest, src);
            } else {
                _fs->AddInstruction(OP_LOADNULLS, _fs->PushTarget(), 1);
            }
            _fs->PopTarget();
            _fs->PushLocalVariable(varname);
            if (_token == ',')
                Lex();
            else
                break;
        } while (1);
    }

    // ---- control flow: if, loops, switch; break and continue

    void IfStatement() {
        Lex();
        Expect('(');
        CommaExpr();
        Expect(')');
        _fs->AddInstruction(OP_JZ, _fs->PopTarget());
        SQInteger jnepos = _fs->GetCurrentPos();
        SQInteger saved;
        BeginScope(saved);
        Statement();
        if (_token != '}' && _token != TK_ELSE) OptionalSemicolon();
        EndScope(saved);
        if (_token == TK_ELSE) {
            BeginScope(saved);
            _fs->AddInstruction(OP_JMP);
            SQInteger jmppos = _fs->GetCurrentPos();
            _fs->PatchJump(jnepos, _fs->NextPos());
            Lex();
            Statement();
            if (_lex._prevtoken != '}') OptionalSemicolon();
            EndScope(saved);
            _fs->PatchJump(jmppos, _fs->NextPos());
        } else {
            _fs->PatchJump(jnepos, _fs->NextPos());
        }
    }

    void BeginBreakableBlock() {
        _fs->_breaktargets.push_back(0);
        _fs->_continuetargets.push_back(0);
        _fs->_blockstacksizes.push_back(_fs->GetStackSize());
    }
    void EndBreakableBlock(size_t nbreaks, size_t ncontinues, SQInteger continueTarget) {
        ResolveJumps(_fs->_unresolvedbreaks, nbreaks, _fs->NextPos());
        ResolveJumps(_fs->_unresolvedcontinues, ncontinues, continueTarget);
        _fs->_breaktargets.pop_back();
        _fs->_continuetargets.pop_back();
        _fs->_blockstacksizes.pop_back();
    }
    void ResolveJumps(sqvector<SQInteger> &jumps, size_t from, SQInteger target) {
        while (jumps.size() > from) {
            _fs->PatchJump(jumps.back(), target);
            jumps.pop_back();
        }
    }

    void WhileStatement() {
        size_t nbreaks = _fs->_unresolvedbreaks.size(), ncont = _fs->_unresolvedcontinues.size();
        SQInteger condpos = _fs->NextPos();
        Lex();
        Expect('(');
        CommaExpr();
        Expect(')');
        BeginBreakableBlock();
        _fs->AddInstruction(OP_JZ, _fs->PopTarget());
        SQInteger jzpos = _fs->GetCurrentPos();
        SQInteger saved;
        BeginScope(saved);
        Statement();
        EndScope(saved);
        _fs->AddInstruction(OP_JMP);
        _fs->PatchJump(_fs->GetCurrentPos(), condpos);
        _fs->PatchJump(jzpos, _fs->NextPos());
        EndBreakableBlock(nbreaks, ncont, condpos);
    }

    void DoWhileStatement() {
        size_t nbreaks = _fs->_unresolvedbreaks.size(), ncont = _fs->_unresolvedcontinues.size();
        Lex();
        SQInteger jmptrg = _fs->NextPos();
        BeginBreakableBlock();
        SQInteger saved;
        BeginScope(saved);
        Statement();
        EndScope(saved);
        Expect(TK_WHILE);
        SQInteger continuetrg = _fs->NextPos();
        Expect('(');
        CommaExpr();
        Expect(')');
        _fs->AddInstruction(OP_JNZ, _fs->PopTarget());
        _fs->PatchJump(_fs->GetCurrentPos(), jmptrg);
        EndBreakableBlock(nbreaks, ncont, continuetrg);
    }

    void ForStatement() {
        size_t nbreaks = _fs->_unresolvedbreaks.size(), ncont = _fs->_unresolvedcontinues.size();
        SQInteger forline = _fs->_lastline;
        Lex();
        SQInteger saved;
        BeginScope(saved);
        Expect('(');
        if (_token == TK_LOCAL)
            LocalDeclStatement();
        else if (_token != ';') {
            CommaExpr();
            _fs->PopTarget();
        }
        Expect(';');
        // init; jmp cond; body: ...; incr: ...; cond: ...; jnz body. The condition and the
        // increment are parsed before the body: compile them into side buffers, append them after.
        _fs->AddInstruction(OP_JMP);
        SQInteger skipbody = _fs->GetCurrentPos();
        SQInteger condStart = _fs->NextPos();
        SQInteger condreg = -1;
        if (_token != ';') {
            CommaExpr();
            condreg = _fs->PopTarget();
        }
        Expect(';');
        auto condBegin = _fs->_instructions.begin() + condStart;
        sqvector<SQInstruction> condInstr(condBegin, _fs->_instructions.end());
        _fs->_instructions.resize((size_t)condStart);
        if (_token != ')') {
            CommaExpr();
            _fs->PopTarget();
        }
        Expect(')');
        sqvector<SQInstruction> incrInstr(_fs->_instructions.begin() + condStart,
                                             _fs->_instructions.end());
        _fs->_instructions.resize((size_t)condStart);
        SQInteger bodypos = _fs->NextPos();
        BeginBreakableBlock();
        Statement();
        SQInteger bodyline = _fs->_lastline;
        SQInteger incrpos = _fs->NextPos();
        // The moved code keeps the line of the loop header; what follows the loop, the body's last line.
        _fs->AddLineInfos(forline, false, true);
        for (auto &ins : incrInstr) _fs->_instructions.push_back(ins);
        _fs->PatchJump(skipbody, _fs->NextPos());
        for (auto &ins : condInstr) _fs->_instructions.push_back(ins);
        if (condreg != -1)
            _fs->AddInstruction(OP_JNZ, condreg);
        else
            _fs->AddInstruction(OP_JMP);
        _fs->PatchJump(_fs->GetCurrentPos(), bodypos);
        _fs->AddLineInfos(bodyline, false, true);
        EndScope(saved);
        EndBreakableBlock(nbreaks, ncont, incrpos);
    }

    void ForEachStatement() {
        size_t nbreaks = _fs->_unresolvedbreaks.size(), ncont = _fs->_unresolvedcontinues.size();
        SQObjectPtr idxname, valname;
        Lex();
        Expect('(');
        valname = Expect(TK_IDENTIFIER);
        if (_token == ',') {
            idxname = valname;
            Lex();
            valname = Expect(TK_IDENTIFIER);
        } else {
            idxname = _fs->CreateString("@INDEX@");
        }
        Expect(TK_IN);
        SQInteger saved;
        BeginScope(saved);
        Expression();
        Expect(')');
        SQInteger container = _fs->TopTarget();
        SQInteger indexpos = _fs->PushLocalVariable(idxname);
        _fs->AddInstruction(OP_LOADNULLS, indexpos, 1);
        SQInteger valuepos = _fs->PushLocalVariable(valname);
        _fs->AddInstruction(OP_LOADNULLS, valuepos, 1);
        SQInteger itrpos = _fs->PushLocalVariable(_fs->CreateString("@ITERATOR@"));
        _fs->AddInstruction(OP_LOADNULLS, itrpos, 1);
        SQInteger foreachpos = _fs->NextPos();
        _fs->AddInstruction(OP_FOREACH, container, 0, indexpos);
        _fs->AddInstruction(OP_POSTFOREACH, container, 0, indexpos);
        BeginBreakableBlock();
        Statement();
        _fs->AddInstruction(OP_JMP);
        _fs->PatchJump(_fs->GetCurrentPos(), foreachpos);
        _fs->PatchJump(foreachpos, _fs->NextPos());
        _fs->PatchJump(foreachpos + 1, _fs->NextPos());
        EndBreakableBlock(nbreaks, ncont, foreachpos);
        _fs->_targetstack.pop_back();  // the container register is released with the scope
        EndScope(saved);
    }

    void SwitchStatement() {
        Lex();
        Expect('(');
        CommaExpr();
        Expect(')');
        Expect('{');
        SQInteger expr = _fs->TopTarget();
        bool bfirst = true;
        SQInteger tonextcondjmp = -1;
        SQInteger skipcondjmp = -1;
        size_t nbreaks = _fs->_unresolvedbreaks.size();
        _fs->_breaktargets.push_back(0);
        _fs->_blockstacksizes.push_back(_fs->GetStackSize());
        while (_token == TK_CASE) {
            if (!bfirst) {
                _fs->AddInstruction(OP_JMP, 0, 0);
                skipcondjmp = _fs->GetCurrentPos();
                _fs->PatchJump(tonextcondjmp, _fs->NextPos());
            }
            Lex();
            Expression();
            Expect(':');
            SQInteger trg = _fs->PopTarget();
            SQInteger res = _fs->PushTarget();
            _fs->AddInstruction(OP_EQ, res, trg, expr, 0);
            _fs->AddInstruction(OP_JZ, res, 0);
            _fs->PopTarget();
            if (skipcondjmp != -1) _fs->PatchJump(skipcondjmp, _fs->NextPos());
            tonextcondjmp = _fs->GetCurrentPos();
            SQInteger saved;
            BeginScope(saved);
            Statements();
            EndScope(saved);
            bfirst = false;
        }
        if (tonextcondjmp != -1) _fs->PatchJump(tonextcondjmp, _fs->NextPos());
        if (_token == TK_DEFAULT) {
            Lex();
            Expect(':');
            SQInteger saved;
            BeginScope(saved);
            Statements();
            EndScope(saved);
        }
        Expect('}');
        _fs->PopTarget();
        ResolveJumps(_fs->_unresolvedbreaks, nbreaks, _fs->NextPos());
        _fs->_breaktargets.pop_back();
        _fs->_blockstacksizes.pop_back();
    }

    // ---- functions, classes, enums, try and catch, delete, prefix ++ and --

    void FunctionStatement() {
        Lex();
        SQObjectPtr id = Expect(TK_IDENTIFIER);
        _fs->PushTarget(0);
        _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(id));
        if (_token == TK_DOUBLE_COLON) Emit2ArgsOP(OP_GET);
        while (_token == TK_DOUBLE_COLON) {
            Lex();
            id = Expect(TK_IDENTIFIER);
            _fs->AddInstruction(OP_LOAD, _fs->PushTarget(), _fs->GetConstant(id));
            if (_token == TK_DOUBLE_COLON) Emit2ArgsOP(OP_GET);
        }
        Expect('(');
        CreateFunction(id);
        _fs->AddInstruction(OP_CLOSURE, _fs->PushTarget(), (SQInteger)_fs->_functions.size() - 1, 0);
        EmitDerefOp(OP_NEWSLOT);
        _fs->PopTarget();
    }

    void ClassStatement() {
        Lex();
        ExpState es = _es;
        _es.donot_get = true;
        PrefixedExpr();
        if (_es.etype == EXPR) {
            Error("invalid class name");
        } else if (_es.etype == OBJECT || _es.etype == BASE) {
            ClassExp();
            EmitDerefOp(OP_NEWSLOT);
            _fs->PopTarget();
        } else {
            Error("cannot create a class in a local with the syntax(class <local>)");
        }
        _es = es;
    }

    void ClassExp() {
        SQInteger base = -1;
        SQInteger attrs = -1;
        if (_token == TK_EXTENDS) {
            Lex();
            Expression();
            base = _fs->TopTarget();
        }
        if (_token == TK_ATTR_OPEN) {
            Lex();
            _fs->AddInstruction(OP_NEWTABLE, _fs->PushTarget(), 0);
            ParseTableOrClass(',', TK_ATTR_CLOSE);
            attrs = _fs->TopTarget();
        }
        Expect('{');
        if (attrs != -1) _fs->PopTarget();
        if (base != -1) _fs->PopTarget();
        _fs->AddInstruction(OP_NEWCLASS, _fs->PushTarget(), base, attrs == -1 ? 0xFF : attrs);
        ParseTableOrClass(';', '}');
        _es.etype = EXPR;
    }

    SQObjectPtr ExpectScalar() {
        SQObjectPtr val;
        switch (_token) {
        case TK_INTEGER: val = SQObjectPtr(_lex._nvalue); break;
        case TK_FLOAT: val = SQObjectPtr(_lex._fvalue); break;
        case TK_STRING_LITERAL: val = _fs->CreateString(_lex._svalue, _lex._svaluelen); break;
        case TK_TRUE:
        case TK_FALSE: val = SQObjectPtr(_token == TK_TRUE); break;
        case '-':
            Lex();
            switch (_token) {
            case TK_INTEGER: val = SQObjectPtr((SQInteger)(0u - (SQUnsignedInteger)_lex._nvalue)); break;
            case TK_FLOAT: val = SQObjectPtr(-_lex._fvalue); break;
            default: Error("scalar expected : integer,float");
            }
            break;
        default: Error("scalar expected : integer,float or string");
        }
        Lex();
        return val;
    }

    void EnumStatement() {
        Lex();
        SQObjectPtr id = Expect(TK_IDENTIFIER);
        Expect('{');
        SQObjectPtr table = _fs->CreateTable();
        SQInteger nval = 0;
        while (_token != '}') {
            SQObjectPtr key = Expect(TK_IDENTIFIER);
            SQObjectPtr val;
            if (_token == '=') {
                Lex();
                val = ExpectScalar();
            } else {
                val = SQObjectPtr(nval++);
            }
            _table(table)->NewSlot(key, val);
            if (_token == ',') Lex();
        }
        _table(_ss(_vm)->_consts)->NewSlot(id, table);
        Lex();
    }

    void TryCatchStatement() {
        Lex();
        _fs->AddInstruction(OP_PUSHTRAP, 0, 0);
        _fs->_traps++;
        if (!_fs->_breaktargets.empty()) _fs->_breaktargets.back()++;
        if (!_fs->_continuetargets.empty()) _fs->_continuetargets.back()++;
        SQInteger trappos = _fs->GetCurrentPos();
        {
            SQInteger saved;
            BeginScope(saved);
            Statement();
            EndScope(saved);
        }
        _fs->_traps--;
        _fs->AddInstruction(OP_POPTRAP, 0, 1);
        if (!_fs->_breaktargets.empty()) _fs->_breaktargets.back()--;
        if (!_fs->_continuetargets.empty()) _fs->_continuetargets.back()--;
        _fs->AddInstruction(OP_JMP, 0, 0);
        SQInteger jmppos = _fs->GetCurrentPos();
        _fs->PatchJump(trappos, _fs->NextPos());
        Expect(TK_CATCH);
        Expect('(');
        SQObjectPtr exid = Expect(TK_IDENTIFIER);
        Expect(')');
        {
            SQInteger saved;
            BeginScope(saved);
            SQInteger ex_target = _fs->PushLocalVariable(exid);
            _fs->SetInstructionParam(trappos, 0, ex_target);
            Statement();
            _fs->PatchJump(jmppos, _fs->NextPos());
            EndScope(saved);
        }
    }

    // function (params) statement, or the lambda @(params) expression.
    void FunctionExp(bool lambda) {
        Lex();
        Expect('(');
        SQObjectPtr dummy;
        CreateFunction(dummy, lambda);
        _fs->AddInstruction(OP_CLOSURE, _fs->PushTarget(), (SQInteger)_fs->_functions.size() - 1, 0);
    }

    void PrefixIncDec(SQInteger token) {
        SQInteger diff = (token == TK_MINUSMINUS) ? -1 : 1;
        Lex();
        ExpState es = _es;
        _es.donot_get = true;
        PrefixedExpr();
        if (_es.etype == EXPR) {
            Error("can't '++' or '--' an expression");
        } else if (_es.etype == OBJECT || _es.etype == BASE) {
            Emit2ArgsOP(OP_INC, diff);
        } else if (_es.etype == LOCAL) {
            SQInteger src = _fs->TopTarget();
            _fs->AddInstruction(OP_INCL, src, src, 0, diff);
        } else if (_es.etype == OUTER) {
            SQInteger tmp = _fs->PushTarget();
            _fs->AddInstruction(OP_GETOUTER, tmp, _es.epos);
            _fs->AddInstruction(OP_INCL, tmp, tmp, 0, diff);
            _fs->AddInstruction(OP_SETOUTER, tmp, _es.epos, tmp);
        }
        _es = es;
        _es.etype = EXPR;
    }

    void DeleteExpr() {
        Lex();
        ExpState es = _es;
        _es.donot_get = true;
        PrefixedExpr();
        if (_es.etype == EXPR) Error("can't delete an expression");
        if (_es.etype == OBJECT || _es.etype == BASE)
            Emit2ArgsOP(OP_DELETE);
        else
            Error("cannot delete an (outer) local");
        _es = es;
        _es.etype = EXPR;
    }

    // A lambda's body is one expression, returned; otherwise the body is a statement.
    void CreateFunction(SQObjectPtr &name, bool lambda = false) {
        NestingGuard guard(this);
        SQFuncState *funcstate = _fs->PushChildState(_ss(_vm));
        funcstate->_name = name;
        funcstate->AddParameter(_fs->CreateString("this"));
        funcstate->_sourcename = _sourcename;
        SQInteger defparams = 0;
        while (_token != ')') {
            if (_token == TK_VARPARAMS) {
                if (defparams > 0) Error("function with default parameters cannot have variable number of parameters");
                funcstate->AddParameter(_fs->CreateString("vargv"));
                funcstate->_varparams = true;
                Lex();
                if (_token != ')') Error("expected ')'");
                break;
            } else {
                SQObjectPtr paramname = Expect(TK_IDENTIFIER);
                funcstate->AddParameter(paramname);
                if (_token == '=') {
                    Lex();
                    Expression();
                    funcstate->AddDefaultParam(_fs->TopTarget());
                    defparams++;
                } else {
                    if (defparams > 0) Error("expected '='");
                }
                if (_token == ',')
                    Lex();
                else if (_token != ')')
                    Error("expected ')' or ','");
            }
        }
        Expect(')');
        for (SQInteger n = 0; n < defparams; n++) _fs->PopTarget();
        SQFuncState *currchunk = _fs;
        _fs = funcstate;
        _fs->AddLineInfos(_lex._currentline, _lineinfo, true);
        if (lambda) {
            Expression();
            _fs->AddInstruction(OP_RETURN, 1, _fs->PopTarget(), _fs->GetStackSize());
        } else {
            Statement(false);
        }
        funcstate->AddLineInfos(_lex._prevtoken == '\n' ? _lex._lasttokenline : _lex._currentline, _lineinfo, true);
        funcstate->AddInstruction(OP_RETURN, 0xFF);
        funcstate->SetStackSize(0);
        SQObjectPtr func = funcstate->BuildProto();
        _fs = currchunk;
        _fs->_functions.push_back(func);
        _fs->PopChildState();
    }

private:
    SQInteger _token = 0;
    SQFuncState *_fs = nullptr;
    SQObjectPtr _sourcename;
    SQLexer _lex;
    bool _raiseerror;
    bool _lineinfo;
    ExpState _es;
    SQVM *_vm;
    int _nesting = 0;
};

}  // namespace

bool sq_compile_buffer(SQVM *vm, SQLEXREADFUNC rg, SQUserPointer up, const SQChar *sourcename, SQObjectPtr &out,
                       bool raiseerror, bool lineinfo) {
    SQCompiler p(vm, rg, up, sourcename, raiseerror, lineinfo);
    return p.Compile(out);
}
