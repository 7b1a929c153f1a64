// The bytecode: register instructions of 8 bytes. arg0 is the target register (0xFF: none),
// arg1 a 32-bit operand (register, literal index, jump offset or immediate), arg2 and arg3 8-bit
// operands. Jumps are relative to the instruction after the jump.
#pragma once

#include "squirrel/squirrel.h"

#define SQ_NO_TARGET 0xFF
#define SQ_MAX_REGISTERS 250

// The table of opcodes; the name column feeds the disassembler used when debugging the compiler.
#define SQ_OPCODES(X)                                                                                \
    X(LOAD)        /* R[a] = K[arg1] */                                                              \
    X(LOADINT)     /* R[a] = arg1 */                                                                 \
    X(LOADFLOAT)   /* R[a] = float bits of arg1 */                                                   \
    X(LOADNULLS)   /* R[a .. a+arg1-1] = null */                                                     \
    X(LOADBOOL)    /* R[a] = arg1 != 0 */                                                            \
    X(LOADROOT)    /* R[a] = root table */                                                           \
    X(MOVE)        /* R[a] = R[arg1] */                                                              \
    X(DMOVE)       /* R[a] = R[arg1]; R[arg2] = R[arg3] */                                           \
    X(GETK)        /* R[a] = R[arg2][K[arg1]] */                                                     \
    X(GET)         /* R[a] = R[arg1][R[arg2]] */                                                     \
    X(SET)         /* R[arg1][R[arg2]] = R[arg3]; R[a] = R[arg3] */                                  \
    X(NEWSLOT)     /* R[arg1][R[arg2]] <- R[arg3] */                                                 \
    X(NEWSLOTA)    /* class member with flags a (1: attributes in R[arg2-1], 2: static) */           \
    X(DELETE)      /* R[a] = delete R[arg1][R[arg2]] */                                              \
    X(PREPCALL)    /* R[a] = R[arg2][R[arg1]]; R[arg3] = R[arg2] */                                  \
    X(PREPCALLK)   /* R[a] = R[arg2][K[arg1]]; R[arg3] = R[arg2] */                                  \
    X(CALL)        /* R[a] = R[arg1](R[arg2] .. R[arg2+arg3-1]) */                                   \
    X(TAILCALL)    /* return R[arg1](...) */                                                         \
    X(ADD)         /* R[a] = R[arg1] + R[arg2] */                                                    \
    X(SUB)                                                                                           \
    X(MUL)                                                                                           \
    X(DIV)                                                                                           \
    X(MOD)                                                                                           \
    X(BITW)        /* R[a] = R[arg1] op(arg3) R[arg2] */                                             \
    X(EQ)          /* R[a] = R[arg2] == (arg3 ? K[arg1] : R[arg1]) */                                \
    X(NE)                                                                                            \
    X(CMP)         /* R[a] = R[arg2] cmp(arg3) R[arg1] */                                            \
    X(EXISTS)      /* R[a] = R[arg2] in R[arg1] */                                                   \
    X(INSTANCEOF)  /* R[a] = R[arg2] instanceof R[arg1] */                                           \
    X(AND)         /* if R[arg2] is false: R[a] = R[arg2], jump arg1 */                              \
    X(OR)          /* if R[arg2] is true: R[a] = R[arg2], jump arg1 */                               \
    X(NEG)                                                                                           \
    X(NOT)                                                                                           \
    X(BWNOT)                                                                                         \
    X(JMP)         /* jump arg1 */                                                                   \
    X(JZ)          /* if R[a] is false jump arg1 */                                                  \
    X(JNZ)         /* if R[a] is true jump arg1 */                                                   \
    X(GETOUTER)    /* R[a] = outer[arg1] */                                                          \
    X(SETOUTER)    /* outer[arg1] = R[arg2]; R[a] = R[arg2] */                                       \
    X(NEWTABLE)    /* R[a] = {} sized for arg1 slots */                                              \
    X(NEWARRAY)    /* R[a] = [] reserved for arg1 items */                                           \
    X(APPENDARRAY) /* R[a].append(R[arg1]) */                                                        \
    X(NEWCLASS)    /* R[a] = class extends R[arg1] (-1: none), attributes R[arg2] (0xFF: none) */    \
    X(COMPARITH)   /* R[a] = R[arg1 >> 16][R[arg2]] op(arg3)= R[arg1 & 0xFFFF] */                    \
    X(INC)         /* R[a] = ++R[arg1][R[arg2]] by arg3 (signed); postfix when a & 0x100 */         \
    X(INCL)        /* R[a] = R[arg1] += (int8)arg3 */                                                \
    X(PINC)        /* R[a] = R[arg1][R[arg2]]++ by (int8)arg3 */                                     \
    X(PINCL)       /* R[a] = R[arg1]++ by (int8)arg3 */                                              \
    X(CLOSURE)     /* R[a] = closure of function arg1 */                                             \
    X(YIELD)       /* yield R[arg1] (arg2 != 0) to the resumer; R[a] = value sent back */            \
    X(RESUME)      /* R[a] = resume R[arg1] */                                                       \
    X(RETURN)      /* return R[arg1] (a != 0xFF) */                                                  \
    X(FOREACH)     /* R[arg2..arg2+2] = next key, value, iterator of R[a]; jump arg1 at the end */   \
    X(POSTFOREACH) /* jump arg1 if the generator R[a] finished */                                    \
    X(CLONE)       /* R[a] = clone R[arg1] */                                                        \
    X(TYPEOF)      /* R[a] = typeof R[arg1] */                                                       \
    X(PUSHTRAP)    /* catch at arg1 */                                                               \
    X(POPTRAP)     /* drop arg1 traps */                                                             \
    X(THROW)       /* throw R[a] */                                                                  \
    X(GETBASE)     /* R[a] = base class of the running method */                                     \
    X(CLOSE)       /* close the outers of registers >= arg1 */                                       \
    X(LINE)        /* line event arg1 for the debug hook (emitted only with debug info) */

// Fused forms, made by SQFuseInstructions after compiling or loading a function.
//
// Why a fused sequence keeps every error message: it is taken whole only where nothing in it
// can fail (integer operands: integer arithmetic wraps, compares of two integers cannot fail;
// a member read: the member is a plain slot of the table or the instance). Any other operand sends the loop to the base opcode of the first instruction, and from there
// every instruction runs as the compiler wrote it, one at a time: the same error is raised by
// the same instruction, with the same message, the same line from the line records and the same
// registers for the error handler and the debug hook. A fused opcode has no error path of its
// own, and the instruction stream keeps its length and jump offsets.
//
// A fused opcode
// replaces the first instruction of a known sequence: the loop runs the whole sequence at once
// when its operands are integers, and only that first instruction, as the base opcode named in
// the second column, otherwise. The rest of the sequence stays in place, so a jump into its
// middle runs as written. Fused opcodes never reach a compiled-closure file.
#define SQ_FUSED_OPCODES(X)                                                                          \
    X(ADDI, LOADINT)      /* LOADINT t, K; ADD d, t, x */                                            \
    X(SUBI, LOADINT)      /* LOADINT t, K; SUB d, t, x */                                            \
    X(BITWI, LOADINT)     /* LOADINT t, K; BITW d, t, x */                                           \
    X(CMPI, LOADINT)      /* LOADINT t, K; CMP t, t, x */                                            \
    X(CMPIJZ, LOADINT)    /* LOADINT t, K; CMP t, t, x; JZ t */                                      \
    X(CMPIJNZ, LOADINT)   /* LOADINT t, K; CMP t, t, x; JNZ t */                                     \
    X(CMPJZ, CMP)         /* CMP t, y, x; JZ t */                                                    \
    X(CMPJNZ, CMP)        /* CMP t, y, x; JNZ t */                                                   \
    X(INCLJZ, INCL)       /* INCL t or i, i; LOADINT t, K; CMP t, t, i; JZ t */                      \
    X(INCLJNZ, INCL)      /* INCL t or i, i; LOADINT t, K; CMP t, t, i; JNZ t */                     \
    X(PINCLJZ, PINCL)     /* PINCL t, i; LOADINT t, K; CMP t, t, i; JZ t */                          \
    X(PINCLJNZ, PINCL)    /* PINCL t, i; LOADINT t, K; CMP t, t, i; JNZ t */               \
    X(MOVERET, MOVE)      /* MOVE t, x; RETURN t */                                                  \
    X(LOADGET, LOAD)      /* LOAD t, K; GET d, o, t */

enum SQOpcode : unsigned char {
#define SQ_OPCODE_ENUM(name) OP_##name,
    SQ_OPCODES(SQ_OPCODE_ENUM)
#undef SQ_OPCODE_ENUM
        OP_BASECOUNT,
    OP_FUSED_BEFORE_FIRST = OP_BASECOUNT - 1,
#define SQ_FUSED_ENUM(name, base) OP_##name,
    SQ_FUSED_OPCODES(SQ_FUSED_ENUM)
#undef SQ_FUSED_ENUM
        OP_COUNT
};

// The opcode that op stands for when it runs alone: itself for a base opcode.
inline SQOpcode SQBaseOpcode(unsigned op) {
    static const SQOpcode kBase[OP_COUNT] = {
#define SQ_BASE_OF_BASE(name) OP_##name,
        SQ_OPCODES(SQ_BASE_OF_BASE)
#undef SQ_BASE_OF_BASE
#define SQ_BASE_OF_FUSED(name, base) OP_##base,
            SQ_FUSED_OPCODES(SQ_BASE_OF_FUSED)
#undef SQ_BASE_OF_FUSED
    };
    return kBase[op];
}

struct SQInstruction;
// Marks the fusable sequences of a function's code (see SQ_FUSED_OPCODES) and sends jumps that
// land on a return straight back. The code must hold base opcodes only and valid jumps.
void SQFuseInstructions(SQInstruction *code, SQInteger count);

enum SQBitwiseOp : unsigned char { BW_AND = 0, BW_OR, BW_XOR, BW_SHIFTL, BW_SHIFTR, BW_USHIFTR };
enum SQCmpOp : unsigned char { CMP_G = 0, CMP_GE, CMP_L, CMP_LE, CMP_3W };

struct SQInstruction {
    SQInstruction() = default;
    SQInstruction(SQOpcode o, SQInteger a0 = 0, SQInteger a1 = 0, SQInteger a2 = 0, SQInteger a3 = 0) {
        op = (unsigned char)o;
        _arg0 = (unsigned char)a0;
        _arg1 = (SQInt32)a1;
        _arg2 = (unsigned char)a2;
        _arg3 = (unsigned char)a3;
    }
    SQInt32 _arg1 = 0;
    unsigned char op = 0;
    unsigned char _arg0 = 0;
    unsigned char _arg2 = 0;
    unsigned char _arg3 = 0;
};
