// Marks fusable instruction sequences; see SQ_FUSED_OPCODES.
#include "squirrel/sqopcodes.h"

#include "squirrel/sqmem.h"

namespace {

bool IsCondJump(const SQInstruction &i, unsigned char reg) {
    return (i.op == OP_JZ || i.op == OP_JNZ) && i._arg0 == reg;
}

// "CMP t, t, x" testing x against the constant just loaded into t.
bool ComparesLoaded(const SQInstruction &cmp, unsigned char t) {
    return cmp.op == OP_CMP && cmp._arg3 != CMP_3W && cmp._arg0 == t && cmp._arg1 == t && cmp._arg2 != t;
}

}  // namespace

void SQFuseInstructions(SQInstruction *code, SQInteger count) {
    // A jump to a return, directly or through other jumps, returns at once. Each chain is
    // followed once; a chain that loops or leaves the code ends nowhere.
    const SQInteger kUnknown = -2, kWalking = -3, kNowhere = -1;
    sqvector<SQInteger> lands(count, kUnknown);  // the return a jump ends on
    sqvector<SQInteger> path;
    for (SQInteger pc = 0; pc < count; pc++) {
        SQInteger at = pc, end = kNowhere;
        path.clear();
        while (code[at].op == OP_JMP && lands[at] == kUnknown) {
            lands[at] = kWalking;
            path.push_back(at);
            long long next = (long long)at + 1 + code[at]._arg1;
            if (next < 0 || next >= count) {
                at = -1;
                break;
            }
            at = (SQInteger)next;
        }
        if (at >= 0) {
            if (code[at].op == OP_RETURN)
                end = at;
            else if (code[at].op == OP_JMP && lands[at] != kWalking)
                end = lands[at];
        }
        for (SQInteger p : path) lands[p] = end;
    }
    for (SQInteger pc = 0; pc < count; pc++)
        if (code[pc].op == OP_JMP && lands[pc] >= 0) code[pc] = code[lands[pc]];
    for (SQInteger pc = 0; pc < count; pc++) {
        SQInstruction &ins = code[pc];
        const SQInstruction *next = pc + 1 < count ? &code[pc + 1] : nullptr;
        const SQInstruction *third = pc + 2 < count ? &code[pc + 2] : nullptr;
        switch (ins.op) {
        case OP_LOADINT: {
            if (!next) break;
            unsigned char t = ins._arg0;
            if ((next->op == OP_ADD || next->op == OP_SUB || next->op == OP_BITW) && next->_arg1 == t &&
                next->_arg2 != t) {
                ins.op = next->op == OP_ADD ? OP_ADDI : (next->op == OP_SUB ? OP_SUBI : OP_BITWI);
            } else if (ComparesLoaded(*next, t)) {
                if (third && IsCondJump(*third, t))
                    ins.op = third->op == OP_JZ ? OP_CMPIJZ : OP_CMPIJNZ;
                else
                    ins.op = OP_CMPI;
            }
            break;
        }
        case OP_CMP:
            if (ins._arg3 != CMP_3W && next && IsCondJump(*next, ins._arg0))
                ins.op = next->op == OP_JZ ? OP_CMPJZ : OP_CMPJNZ;
            break;
        case OP_INCL:
        case OP_PINCL: {
            // The step of a counting loop, then its test against a constant bound. The step's
            // result must land in the register the test overwrites, or be the counter itself.
            if (pc + 3 >= count) break;
            const SQInstruction &load = code[pc + 1], &cmp = code[pc + 2], &jump = code[pc + 3];
            unsigned char counter = ins._arg1, t = load._arg0;
            bool inplace = ins.op == OP_INCL && ins._arg0 == counter;
            if (load.op != OP_LOADINT || t == counter || (ins._arg0 != t && !inplace) || !ComparesLoaded(cmp, t) ||
                cmp._arg2 != counter || !IsCondJump(jump, t))
                break;
            if (ins.op == OP_INCL)
                ins.op = jump.op == OP_JZ ? OP_INCLJZ : OP_INCLJNZ;
            else
                ins.op = jump.op == OP_JZ ? OP_PINCLJZ : OP_PINCLJNZ;
            break;
        }
        case OP_LOAD:
            if (next && next->op == OP_GET && next->_arg2 == ins._arg0 && next->_arg1 != ins._arg0)
                ins.op = OP_LOADGET;
            break;
        case OP_MOVE:
            if (next && next->op == OP_RETURN && next->_arg0 != SQ_NO_TARGET && next->_arg1 == ins._arg0)
                ins.op = OP_MOVERET;
            break;
        default: break;
        }
    }
}
