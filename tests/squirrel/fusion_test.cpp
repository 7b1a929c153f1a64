// The fusion pass marks only sequences the loop may run at once, and leaves every other
// instruction as it was.
#include <gtest/gtest.h>

#include "squirrel/sqopcodes.h"

#include <ostream>
#include <vector>

namespace {

struct FuseCase {
    const char *what;
    std::vector<SQInstruction> code;
    SQOpcode first;  // the first instruction's opcode after the pass
};

void PrintTo(const FuseCase &c, std::ostream *os) { *os << c.what; }

SQInstruction I(SQOpcode op, SQInteger a0 = 0, SQInteger a1 = 0, SQInteger a2 = 0, SQInteger a3 = 0) {
    return SQInstruction(op, a0, a1, a2, a3);
}

const SQInstruction kRet = I(OP_RETURN, 0xFF);

class Fuse : public testing::TestWithParam<FuseCase> {};

TEST_P(Fuse, MarksTheFirstInstruction) {
    FuseCase c = GetParam();
    std::vector<SQInstruction> code = c.code;
    SQFuseInstructions(code.data(), (SQInteger)code.size());
    EXPECT_EQ(code[0].op, c.first) << c.what;
    // Operands never change; only a jump may become another instruction (a return).
    for (size_t i = 0; i < code.size(); i++) {
        if (c.code[i].op == OP_JMP && code[i].op != OP_JMP) {
            EXPECT_EQ(code[i].op, OP_RETURN) << c.what << " " << i;
            continue;
        }
        EXPECT_EQ(SQBaseOpcode(code[i].op), c.code[i].op) << c.what << " " << i;
        EXPECT_EQ(code[i]._arg0, c.code[i]._arg0) << c.what << " " << i;
        EXPECT_EQ(code[i]._arg1, c.code[i]._arg1) << c.what << " " << i;
        EXPECT_EQ(code[i]._arg2, c.code[i]._arg2) << c.what << " " << i;
        EXPECT_EQ(code[i]._arg3, c.code[i]._arg3) << c.what << " " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Fuse,
    testing::Values(
        FuseCase{"add constant", {I(OP_LOADINT, 4, 7), I(OP_ADD, 4, 4, 3), kRet}, OP_ADDI},
        FuseCase{"subtract constant", {I(OP_LOADINT, 4, 7), I(OP_SUB, 4, 4, 3), kRet}, OP_SUBI},
        FuseCase{"sum lands elsewhere", {I(OP_LOADINT, 4, 7), I(OP_ADD, 5, 4, 3), kRet}, OP_ADDI},
        FuseCase{"sum lands in the operand", {I(OP_LOADINT, 4, 1), I(OP_ADD, 3, 4, 3), kRet}, OP_ADDI},
        FuseCase{"and with constant", {I(OP_LOADINT, 4, 15), I(OP_BITW, 4, 4, 3, BW_AND), kRet}, OP_BITWI},
        FuseCase{"shift lands elsewhere", {I(OP_LOADINT, 4, 2), I(OP_BITW, 2, 4, 3, BW_SHIFTL), kRet},
                 OP_BITWI},
        FuseCase{"constant shifted", {I(OP_LOADINT, 4, 2), I(OP_BITW, 4, 3, 4, BW_SHIFTL), kRet}, OP_LOADINT},
        FuseCase{"constant on the left", {I(OP_LOADINT, 4, 7), I(OP_SUB, 4, 3, 4), kRet}, OP_LOADINT},
        FuseCase{"constant added to itself", {I(OP_LOADINT, 4, 7), I(OP_ADD, 4, 4, 4), kRet}, OP_LOADINT},
        FuseCase{"multiply is not fused", {I(OP_LOADINT, 4, 7), I(OP_MUL, 4, 4, 3), kRet}, OP_LOADINT},
        FuseCase{"compare, value kept", {I(OP_LOADINT, 4, 7), I(OP_CMP, 4, 4, 3, CMP_L), kRet}, OP_CMPI},
        FuseCase{"compare and jump if false",
                 {I(OP_LOADINT, 4, 7), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JZ, 4, 0), kRet}, OP_CMPIJZ},
        FuseCase{"compare and jump if true",
                 {I(OP_LOADINT, 4, 7), I(OP_CMP, 4, 4, 3, CMP_GE), I(OP_JNZ, 4, 0), kRet}, OP_CMPIJNZ},
        FuseCase{"jump tests another register",
                 {I(OP_LOADINT, 4, 7), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JZ, 5, 0), kRet}, OP_CMPI},
        FuseCase{"three-way compare", {I(OP_LOADINT, 4, 7), I(OP_CMP, 4, 4, 3, CMP_3W), I(OP_JZ, 4, 0), kRet},
                 OP_LOADINT},
        FuseCase{"registers compared, jump", {I(OP_CMP, 4, 2, 3, CMP_LE), I(OP_JNZ, 4, 0), kRet}, OP_CMPJNZ},
        FuseCase{"registers compared, other jump", {I(OP_CMP, 4, 2, 3, CMP_LE), I(OP_JNZ, 2, 0), kRet}, OP_CMP},
        FuseCase{"post-increment loop",
                 {I(OP_PINCL, 4, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JNZ, 4, -5), kRet},
                 OP_PINCLJNZ},
        FuseCase{"pre-increment in place",
                 {I(OP_INCL, 3, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JZ, 4, 2), kRet},
                 OP_INCLJZ},
        FuseCase{"post-increment in place keeps the old value",
                 {I(OP_PINCL, 3, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JNZ, 4, -5), kRet},
                 OP_PINCL},
        FuseCase{"step result used elsewhere",
                 {I(OP_INCL, 5, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 3, CMP_L), I(OP_JNZ, 4, -5), kRet},
                 OP_INCL},
        FuseCase{"test of another counter",
                 {I(OP_PINCL, 4, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 6, CMP_L), I(OP_JNZ, 4, -5), kRet},
                 OP_PINCL},
        FuseCase{"bound loaded into the counter",
                 {I(OP_PINCL, 3, 3, 0, 1), I(OP_LOADINT, 3, 10), I(OP_CMP, 3, 3, 3, CMP_L), I(OP_JNZ, 3, -5), kRet},
                 OP_PINCL},
        FuseCase{"loop test cut short", {I(OP_PINCL, 4, 3, 0, 1), I(OP_LOADINT, 4, 10), I(OP_CMP, 4, 4, 3, CMP_L)},
                 OP_PINCL},
        FuseCase{"member read by name", {I(OP_LOAD, 4, 2), I(OP_GET, 4, 3, 4), kRet}, OP_LOADGET},
        FuseCase{"member read into another register", {I(OP_LOAD, 4, 2), I(OP_GET, 5, 3, 4), kRet},
                 OP_LOADGET},
        FuseCase{"name loaded over the object", {I(OP_LOAD, 3, 2), I(OP_GET, 3, 3, 3), kRet}, OP_LOAD},
        FuseCase{"read by another key", {I(OP_LOAD, 4, 2), I(OP_GET, 4, 3, 5), kRet}, OP_LOAD},
        FuseCase{"move then return it", {I(OP_MOVE, 2, 1), I(OP_RETURN, 1, 2), kRet}, OP_MOVERET},
        FuseCase{"move then return another", {I(OP_MOVE, 2, 1), I(OP_RETURN, 1, 3), kRet}, OP_MOVE},
        FuseCase{"move then return nothing", {I(OP_MOVE, 2, 1), I(OP_RETURN, 0xFF, 2), kRet}, OP_MOVE},
        FuseCase{"jump to a return", {I(OP_JMP, 0, 1), I(OP_LOADINT, 2, 1), I(OP_RETURN, 1, 2)}, OP_RETURN},
        FuseCase{"jump elsewhere", {I(OP_JMP, 0, 0), I(OP_LOADINT, 2, 1), kRet}, OP_JMP},
        FuseCase{"jump past the end", {I(OP_JMP, 0, 1), kRet}, OP_JMP},
        FuseCase{"jump through jumps to a return",
                 {I(OP_JMP, 0, 2), I(OP_RETURN, 1, 2), I(OP_JMP, 0, -2), I(OP_JMP, 0, -2)}, OP_RETURN},
        FuseCase{"jumps in a loop", {I(OP_JMP, 0, 0), I(OP_JMP, 0, -2), kRet}, OP_JMP},
        FuseCase{"jump to itself", {I(OP_JMP, 0, -1), kRet}, OP_JMP}));

// What the pass makes, written back as plain instructions (as a compiled file holds it) and
// fused again, comes out the same: a closure reads back to the bytes it was written from.
TEST_P(Fuse, IsTheSameWhenRunAgain) {
    std::vector<SQInstruction> once = GetParam().code;
    SQFuseInstructions(once.data(), (SQInteger)once.size());
    std::vector<SQInstruction> twice = once;
    for (auto &ins : twice) ins.op = SQBaseOpcode(ins.op);
    SQFuseInstructions(twice.data(), (SQInteger)twice.size());
    for (size_t i = 0; i < once.size(); i++) {
        EXPECT_EQ(twice[i].op, once[i].op) << GetParam().what << " " << i;
        EXPECT_EQ(twice[i]._arg1, once[i]._arg1) << GetParam().what << " " << i;
    }
}

TEST(Fuse, JumpTakesTheReturnItLandsOn) {
    std::vector<SQInstruction> code = {I(OP_JMP, 0, 1), I(OP_LOADINT, 2, 1), I(OP_RETURN, 1, 2, 3)};
    SQFuseInstructions(code.data(), (SQInteger)code.size());
    EXPECT_EQ(code[0].op, OP_RETURN);
    EXPECT_EQ(code[0]._arg0, 1);
    EXPECT_EQ(code[0]._arg1, 2);
    EXPECT_EQ(code[0]._arg2, 3);
}

TEST(Fuse, EveryFusedOpcodeStandsForABaseOne) {
    for (unsigned op = 0; op < OP_COUNT; op++) {
        EXPECT_LT(SQBaseOpcode(op), OP_BASECOUNT) << op;
        if (op < OP_BASECOUNT) {
            EXPECT_EQ(SQBaseOpcode(op), op);
        }
    }
    EXPECT_EQ(SQBaseOpcode(OP_CMPIJZ), OP_LOADINT);
    EXPECT_EQ(SQBaseOpcode(OP_INCLJNZ), OP_INCL);
    EXPECT_EQ(SQBaseOpcode(OP_PINCLJZ), OP_PINCL);
    EXPECT_EQ(SQBaseOpcode(OP_MOVERET), OP_MOVE);
}

}  // namespace
