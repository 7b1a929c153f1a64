#include "render/shader/shader_map.h"

#include <cassert>
#include <vector>

#include "core/list.h"

namespace {

struct OutputRow {
    const char* name;
    u32 type;
};

const OutputRow Outputs[ShaderOutputCount] = {
    {"Normal", ShaderTypeVec3},   {"Diffuse", ShaderTypeVec4},     {"Modulate", ShaderTypeFloat},
    {"Specular", ShaderTypeVec4}, {"Glossiness", ShaderTypeFloat}, {"Constant", ShaderTypeVec4},
    {"Opacity", ShaderTypeFloat},
};

} // namespace

const char* GetShaderOutputName(u32 output) {
    return output < ShaderOutputCount ? Outputs[output].name : nullptr;
}

u32 GetShaderOutputType(u32 output) {
    return output < ShaderOutputCount ? Outputs[output].type : u32(ShaderTypeNone);
}

zShaderMap::zShaderMap() = default;

zShaderMap::~zShaderMap() {
    FreeBlocks();
}

zShaderBlock* zShaderMap::GetOutput(u32 output) const {
    assert(output < ShaderOutputCount);
    return m_outputs[output];
}

void zShaderMap::SetOutput(u32 output, zShaderBlock* block) {
    assert(output < ShaderOutputCount);
    zShaderBlock* previous = m_outputs[output];
    if (previous == block) return;
    // The replaced graph stays owned: other outputs may still use it, and
    // the map frees it otherwise.
    if (previous) {
        zList<zShaderBlock*> graph;
        CollectBlocks(previous, graph);
        for (auto* node = graph.GetHead(); node; node = node->next)
            m_owned.insert(node->value);
    }
    m_outputs[output] = block;
}

void zShaderMap::AdoptBlock(zShaderBlock* block) {
    if (block) m_owned.insert(block);
}

// Owned are the adopted blocks, the blocks the outputs reach, and every
// block these reach in turn.
void zShaderMap::FreeBlocks() {
    std::unordered_set<zShaderBlock*> doomed;
    doomed.swap(m_owned);
    std::vector<zShaderBlock*> pending(doomed.begin(), doomed.end());
    for (zShaderBlock*& output : m_outputs) {
        if (output && doomed.insert(output).second) pending.push_back(output);
        output = nullptr;
    }
    while (!pending.empty()) {
        zShaderBlock* block = pending.back();
        pending.pop_back();
        for (u32 k = 0; k < block->GetInputCount(); ++k) {
            zShaderBlock* input = block->GetInput(k);
            if (input && doomed.insert(input).second) pending.push_back(input);
        }
    }
    for (zShaderBlock* block : doomed)
        delete block;
}
