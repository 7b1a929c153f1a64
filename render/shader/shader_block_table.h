// The table of the 37 shader-block kinds, one row per type id: what the
// blocks, the shader map file and the generators must agree on. A row is
// found by id; GetShaderBlockTypeInfo gives null for 0 and for ids past 37.
#pragma once

#include "render/shader/shader_block.h"

// How a kind computes its output type.
enum zShaderOutputRule : u32 {
    OutputRuleFixed,     // the row's fixed type
    OutputRuleSampler,   // vec4 with texture and UV inputs, else none
    OutputRuleConstant,  // the block's constant type
    OutputRuleParameter, // float for parameters 4 and 5, else vec4
    OutputRuleMix,       // A's type when A, B set and equal and K is float
    OutputRuleSameAB,    // A's type when A and B are set and equal
    OutputRuleMul,       // the multiplication rule
    OutputRuleDot,       // float when A and B are set and equal
    OutputRuleCross,     // vec3 when A and B are set and equal or A is vec3
    OutputRuleClamp,     // the input's type when all three are set and equal
    OutputRuleInput,     // the input's type
    OutputRuleSwizzle,   // one component per non-zero code
    OutputRuleBuild,     // the build rule
};

// When IsEquivalent holds for two blocks of the same kind.
enum zShaderEquivalence : u32 {
    EquivalentNever,
    EquivalentAlways, // no data, or data that does not change the source
    EquivalentByData, // equal first data word (channel, buffer, texture, parameter)
};

struct zShaderBlockTypeInfo {
    u32 type;
    const char* typeName; // stored in shader map files
    const char* nodeName; // GetName
    // GetPrefix; a printf format for the kinds that fill in their data.
    const char* prefix;
    u32 inputCount;
    const zShaderInputInfo* inputs;
    zShaderOutputInfo output;
    u32 outputRule;
    u32 fixedOutputType; // OutputRuleFixed only
    u32 equivalence;
    zShaderBlock* (*create)(); // file-table defaults
};

const zShaderBlockTypeInfo* GetShaderBlockTypeInfo(u32 type);
