// The file form of a shader graph: the "ShaderMap" tag of a material.
//
//   ShaderMap
//     Pos (X, Y)
//     Map                      the block table; the n-th Entry is block n
//       Entry
//         Type   string        GetShaderBlockTypeName
//         Pos    (X, Y)
//         Param                per-kind data (Channel, Buffer, Texture,
//                              WrapU/WrapV, Type/Value, Color, Param,
//                              Swizzle, Build)
//     Normal .. Opacity        one per driven output, each holding a branch
//       Block
//         Index  int           the block's slot in the table
//         Input                one Block or an empty None per input
//         Map                  read only: a private table for a ShaderMap
//                              without a Map of its own
//
// A block reached from several places stands once in the table, and its
// inputs are written at its first branch only, so a written and re-read
// graph keeps its sharing and the text grows with the number of blocks.
// Every block the reader creates belongs to the map it reads into,
// referenced or not. Connections that would make a cycle and indices
// outside the table are refused with a log line.
//
// zShaderMap::Parse and zShaderMap::Serialize (shader_map.h) are built on
// the functions below.
#pragma once

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "render/shader/shader_map.h"

class zMetaTag;
class zTextureLoader;

// Slot n holds the block of the n-th Entry, null when it could not be made.
using zShaderBlockTable = std::vector<zShaderBlock*>;

// The blocks of a graph in the order the writer lists them, with the
// position of each, and the blocks whose inputs were written.
struct zShaderBlockIndex {
    std::vector<const zShaderBlock*> blocks;
    std::unordered_map<const zShaderBlock*, u32> positions;
    std::unordered_set<const zShaderBlock*> inputsWritten;
};

// Reads a "Map" tag into table; each block made is adopted by owner. False
// (logged) for a tag of another name.
bool ReadShaderBlockTable(zTextureLoader* loader, const zMetaTag* tag, zShaderMap& owner,
                          zShaderBlockTable& table);
// The block of a branch tag, its inputs connected from the branch's "Input".
// Without a table the branch must carry its own "Map". Null (logged) when
// the branch has no index or its index is outside the table.
zShaderBlock* ReadShaderBranch(zTextureLoader* loader, const zMetaTag* tag, const zShaderBlockTable* table,
                               zShaderMap& owner);

// Pre-order over the outputs in output order: a block, then its inputs.
zShaderBlockIndex CollectShaderBlockIndex(const zShaderMap& map);
// New tags that the caller owns.
zMetaTag* WriteShaderBlockTable(const zShaderBlockIndex& index);
zMetaTag* WriteShaderBlockParam(const zShaderBlock* block);
// A block's "Input" is written at its first branch only; later branches
// hold just its "Index", which reads back as the same, already wired block.
zMetaTag* WriteShaderBranch(const zShaderBlock* block, zShaderBlockIndex& index);
