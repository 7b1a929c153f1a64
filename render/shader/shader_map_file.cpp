#include "render/shader/shader_map_file.h"

#include <cstring>
#include <new>

#include "core/log.h"
#include "core/vector.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "render/shader/texture_loader.h"
#include "render/texture.h"

namespace {

// Component letters by code.
const char SwizzleLetters[] = "nxyzw";
const char BuildLetters[] = "01xyzw";

const char* const BranchPaths[ShaderOutputCount] = {
    "Normal:Block;",     "Diffuse:Block;",  "Modulate:Block;", "Specular:Block;",
    "Glossiness:Block;", "Constant:Block;", "Opacity:Block;",
};

const zMetaTag* GetIntTag(const zMetaTag* parent, const char* path) {
    return parent->GetTypedTag(path, VariantInt);
}

// A bool, or an int where non-zero is true; keeps the value otherwise.
void ReadFlag(const zMetaTag* parent, const char* path, bool& value) {
    const zMetaTag* tag = parent->GetTag(path);
    if (!tag) return;
    const u32 type = tag->GetValue().GetType();
    if (type == VariantBool || type == VariantInt) value = tag->GetBool();
}

// Reads up to four component letters; the first letter outside the alphabet
// (the end of a shorter text included) ends the read with the message.
template <typename Block>
void ReadComponents(const zMetaTag* param, const char* path, const char* letters, const char* message,
                    Block* block) {
    const zMetaTag* tag = param->GetTypedTag(path, VariantString);
    if (!tag) return;
    const char* text = tag->GetValue().GetStringValue().CStr();
    if (!text) text = "";
    for (u32 i = 0; i < 4; ++i) {
        const char* found = text[i] != '\0' ? std::strchr(letters, text[i]) : nullptr;
        if (!found) {
            GetLog() << "[!] " << message;
            return;
        }
        block->SetComponent(i, static_cast<u32>(found - letters));
    }
}

void ReadBlockParam(zTextureLoader* loader, const zMetaTag* param, zShaderBlock* block) {
    switch (block->GetType()) {
    case ShaderBlockGeometryUV:
        if (const zMetaTag* tag = GetIntTag(param, "Channel;")) {
            static_cast<zGeometryUVShaderBlock*>(block)->SetChannel(static_cast<u32>(tag->GetRawInt()));
        }
        break;
    case ShaderBlockRenderBuffer:
        if (const zMetaTag* tag = GetIntTag(param, "Buffer;")) {
            static_cast<zRenderBufferShaderBlock*>(block)->SetBuffer(static_cast<u32>(tag->GetRawInt()));
        }
        break;
    case ShaderBlockTexture:
        if (const zMetaTag* tag = param->GetTypedTag("Texture;", VariantString)) {
            const zString& path = tag->GetValue().GetStringValue();
            if (loader && !path.IsEmpty()) {
                zSharedPtr<zTexture> texture = loader->LoadSharedTexture(path.CStr(), false);
                static_cast<zTextureShaderBlock*>(block)->SetTexture(texture.Get());
            }
        }
        break;
    case ShaderBlockSampler2d: {
        auto* sampler = static_cast<zSampler2dShaderBlock*>(block);
        bool wrapU = sampler->GetWrapU();
        bool wrapV = sampler->GetWrapV();
        ReadFlag(param, "WrapU;", wrapU);
        ReadFlag(param, "WrapV;", wrapV);
        sampler->SetWrap(wrapU, wrapV);
        break;
    }
    case ShaderBlockConstant: {
        auto* constant = static_cast<zConstantShaderBlock*>(block);
        if (const zMetaTag* tag = GetIntTag(param, "Type;"))
            constant->SetConstantType(static_cast<u32>(tag->GetRawInt()));
        if (const zMetaTag* tag = param->GetTag("Value;")) {
            zVector value(constant->GetValue(0), constant->GetValue(1), constant->GetValue(2),
                          constant->GetValue(3));
            if (ParseVector(tag, value)) constant->SetValues(value.x, value.y, value.z, value.w);
        }
        break;
    }
    case ShaderBlockColor:
        if (const zMetaTag* tag = param->GetTag("Color;")) {
            auto* color = static_cast<zColorShaderBlock*>(block);
            zVector value(color->GetValue(0), color->GetValue(1), color->GetValue(2), color->GetValue(3));
            if (ParseVector(tag, value)) color->SetColor(value.x, value.y, value.z, value.w);
        }
        break;
    case ShaderBlockMaterialParam:
        if (const zMetaTag* tag = GetIntTag(param, "Param;")) {
            static_cast<zMaterialParamShaderBlock*>(block)->SetParam(static_cast<u32>(tag->GetRawInt()));
        }
        break;
    case ShaderBlockSwizzle:
        ReadComponents(param, "Swizzle;", SwizzleLetters, "Unexpected end of swizzle mask.\n",
                       static_cast<zSwizzleShaderBlock*>(block));
        break;
    case ShaderBlockBuild:
        ReadComponents(param, "Build;", BuildLetters, "Unexpected end of build mask.\n",
                       static_cast<zBuildShaderBlock*>(block));
        break;
    default:
        break;
    }
}

void ReadPosition(const zMetaTag* parent, f32& x, f32& y) {
    const zMetaTag* tag = parent->GetTag("Pos;");
    zVector2 position(x, y);
    if (tag && ParseVector2(tag, position)) {
        x = position.x;
        y = position.y;
    }
}

// The block of one Entry, adopted by owner; null when the entry has no
// usable type.
zShaderBlock* ReadEntry(zTextureLoader* loader, const zMetaTag* entry, zShaderMap& owner) {
    const zMetaTag* typeTag = entry->GetTypedTag("Type;", VariantString);
    if (!typeTag) return nullptr;
    const zString& typeName = typeTag->GetValue().GetStringValue();
    const u32 type = FindShaderBlockType(typeName.CStr());
    if (type == ShaderBlockNone) {
        GetLog() << "[!] "
                 << "Invalid block type '" << typeName << "'.\n";
        return nullptr;
    }
    zShaderBlock* block = NewShaderBlock(type);
    if (!block) return nullptr;
    owner.AdoptBlock(block);

    const zMetaTag* param = entry->GetTag("Param;");
    if (param) {
        if (type == ShaderBlockConstant)
            static_cast<zConstantShaderBlock*>(block)->SetValues(0.0f, 0.0f, 0.0f, 1.0f);
        ReadBlockParam(loader, param, block);
    }
    f32 x = block->GetX();
    f32 y = block->GetY();
    ReadPosition(entry, x, y);
    block->SetPosition(x, y);
    return block;
}

zMetaTag* NewTag(const char* name) {
    return new (std::nothrow) zMetaTag(name);
}

// Adds child to parent; a refused child is deleted.
void AddTo(zMetaTag* parent, zMetaTag* child) {
    if (child && !parent->AddChild(child)) delete child;
}

char LetterOf(const char* letters, u32 letterCount, u32 code) {
    return code < letterCount ? letters[code] : letters[0];
}

} // namespace

bool ReadShaderBlockTable(zTextureLoader* loader, const zMetaTag* tag, zShaderMap& owner,
                          zShaderBlockTable& table) {
    table.clear();
    if (!tag) return false;
    if (tag->GetName() != "Map") {
        GetLog() << "[!] "
                 << "Could not parse map. Root tag id is incorrect (" << tag->GetName() << ").\n";
        return false;
    }
    try {
        table.reserve(tag->GetChildCount());
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] "
                 << "Failed to allocate shader block map.\n";
        return false;
    }
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() != "Entry") {
            GetLog() << "[*] "
                     << "Unexpected tag '" << child->GetName() << "' in shader map.\n";
            continue;
        }
        table.push_back(ReadEntry(loader, child, owner));
    }
    return true;
}

zShaderBlock* ReadShaderBranch(zTextureLoader* loader, const zMetaTag* tag, const zShaderBlockTable* table,
                               zShaderMap& owner) {
    if (!tag) return nullptr;
    zShaderBlockTable privateTable;
    if (!table) {
        const zMetaTag* mapTag = tag->GetTag("Map;");
        if (!mapTag) {
            GetLog() << "[!] "
                     << "No map to build shader branch.\n";
            return nullptr;
        }
        if (!ReadShaderBlockTable(loader, mapTag, owner, privateTable)) return nullptr;
        table = &privateTable;
    }

    const zMetaTag* indexTag = tag->GetTypedTag("Index;", VariantInt);
    if (!indexTag) {
        GetLog() << "[!] "
                 << "No block index found.\n";
        return nullptr;
    }
    const i32 index = indexTag->GetRawInt();
    if (index < 0 || static_cast<size_t>(index) >= table->size()) {
        GetLog() << "[!] "
                 << "Shader block index " << index << " is outside the block table (" << u32(table->size())
                 << " blocks).\n";
        return nullptr;
    }
    zShaderBlock* block = (*table)[static_cast<size_t>(index)];
    if (!block || block->GetInputCount() == 0) return block;

    if (const zMetaTag* inputs = tag->GetTag("Input;")) {
        u32 k = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = inputs->GetNextChild(iterator)) {
            if (child->GetName() != "None") {
                // A refused connection leaves the input empty.
                block->SetInput(k, ReadShaderBranch(loader, child, table, owner));
            }
            ++k;
        }
    }
    return block;
}

bool zShaderMap::Parse(zTextureLoader* loader, const zMetaTag* tag) {
    if (!tag) return false;
    if (tag->GetName() != "ShaderMap") {
        GetLog() << "[!] "
                 << "Could not parse shader map. Root tag id is incorrect (" << tag->GetName() << ").\n";
        return false;
    }
    // Without a usable Map each branch must bring its own.
    zShaderBlockTable table;
    bool hasTable = false;
    if (const zMetaTag* mapTag = tag->GetTag("Map;"))
        hasTable = ReadShaderBlockTable(loader, mapTag, *this, table);
    ReadPosition(tag, m_x, m_y);

    for (u32 output = 0; output < ShaderOutputCount; ++output) {
        const zMetaTag* branch = tag->GetTag(BranchPaths[output]);
        if (branch) SetOutput(output, ReadShaderBranch(loader, branch, hasTable ? &table : nullptr, *this));
    }
    return true;
}

zShaderBlockIndex CollectShaderBlockIndex(const zShaderMap& map) {
    zShaderBlockIndex index;
    std::vector<const zShaderBlock*> pending;
    for (u32 output = 0; output < ShaderOutputCount; ++output) {
        if (map.GetOutput(output)) pending.push_back(map.GetOutput(output));
        while (!pending.empty()) {
            const zShaderBlock* block = pending.back();
            pending.pop_back();
            // A listed block's inputs were listed with it.
            if (!index.positions.emplace(block, static_cast<u32>(index.blocks.size())).second) continue;
            index.blocks.push_back(block);
            for (u32 k = block->GetInputCount(); k-- > 0;) {
                if (const zShaderBlock* input = block->GetInput(k)) pending.push_back(input);
            }
        }
    }
    return index;
}

zMetaTag* WriteShaderBlockParam(const zShaderBlock* block) {
    zMetaTag* param = NewTag("Param");
    if (!param) return nullptr;
    switch (block->GetType()) {
    case ShaderBlockGeometryUV:
        AddTo(param,
              new (std::nothrow) zMetaTag("Channel", static_cast<i32>(
                                          static_cast<const zGeometryUVShaderBlock*>(block)->GetChannel())));
        break;
    case ShaderBlockRenderBuffer:
        AddTo(param,
              new (std::nothrow) zMetaTag("Buffer", static_cast<i32>(
                                         static_cast<const zRenderBufferShaderBlock*>(block)->GetBuffer())));
        break;
    case ShaderBlockTexture: {
        const zTexture* texture = static_cast<const zTextureShaderBlock*>(block)->GetTexture();
        if (texture && !texture->GetName().IsEmpty())
            AddTo(param, new (std::nothrow) zMetaTag("Texture", texture->GetName().CStr()));
        break;
    }
    case ShaderBlockSampler2d: {
        const auto* sampler = static_cast<const zSampler2dShaderBlock*>(block);
        AddTo(param, new (std::nothrow) zMetaTag("WrapU", sampler->GetWrapU()));
        AddTo(param, new (std::nothrow) zMetaTag("WrapV", sampler->GetWrapV()));
        break;
    }
    case ShaderBlockConstant: {
        const auto* constant = static_cast<const zConstantShaderBlock*>(block);
        AddTo(param, new (std::nothrow) zMetaTag("Type", static_cast<i32>(constant->GetConstantType())));
        const zVector value(constant->GetValue(0), constant->GetValue(1), constant->GetValue(2),
                            constant->GetValue(3));
        AddTo(param, SerializeVector(value, "Value", true));
        break;
    }
    case ShaderBlockColor: {
        const auto* color = static_cast<const zColorShaderBlock*>(block);
        const zVector value(color->GetValue(0), color->GetValue(1), color->GetValue(2), color->GetValue(3));
        AddTo(param, SerializeVector(value, "Color", true));
        break;
    }
    case ShaderBlockMaterialParam:
        AddTo(param,
              new (std::nothrow) zMetaTag("Param", static_cast<i32>(
                                        static_cast<const zMaterialParamShaderBlock*>(block)->GetParam())));
        break;
    case ShaderBlockSwizzle: {
        const auto* swizzle = static_cast<const zSwizzleShaderBlock*>(block);
        char text[5] = {};
        for (u32 i = 0; i < 4; ++i)
            text[i] = LetterOf(SwizzleLetters, sizeof(SwizzleLetters) - 1, swizzle->GetComponent(i));
        AddTo(param, new (std::nothrow) zMetaTag("Swizzle", static_cast<const char*>(text)));
        break;
    }
    case ShaderBlockBuild: {
        const auto* build = static_cast<const zBuildShaderBlock*>(block);
        char text[5] = {};
        for (u32 i = 0; i < 4; ++i)
            text[i] = LetterOf(BuildLetters, sizeof(BuildLetters) - 1, build->GetComponent(i));
        AddTo(param, new (std::nothrow) zMetaTag("Build", static_cast<const char*>(text)));
        break;
    }
    default:
        break;
    }
    return param;
}

zMetaTag* WriteShaderBlockTable(const zShaderBlockIndex& index) {
    zMetaTag* mapTag = NewTag("Map");
    if (!mapTag) return nullptr;
    for (const zShaderBlock* block : index.blocks) {
        zMetaTag* entry = NewTag("Entry");
        if (!entry) continue;
        AddTo(entry, new (std::nothrow) zMetaTag("Type", GetShaderBlockTypeName(block->GetType())));
        AddTo(entry, SerializeVector2(zVector2(block->GetX(), block->GetY()), "Pos"));
        AddTo(entry, WriteShaderBlockParam(block));
        AddTo(mapTag, entry);
    }
    return mapTag;
}

zMetaTag* WriteShaderBranch(const zShaderBlock* block, zShaderBlockIndex& index) {
    zMetaTag* branch = NewTag("Block");
    if (!branch) return nullptr;
    const auto position = index.positions.find(block);
    if (position != index.positions.end())
        AddTo(branch, new (std::nothrow) zMetaTag("Index", static_cast<i32>(position->second)));
    if (block->GetInputCount() == 0) return branch;
    // A block's inputs stand at its first branch only: the reader keeps them
    // for later branches, and shared inputs cannot multiply the text.
    if (!index.inputsWritten.insert(block).second) return branch;
    zMetaTag* inputs = NewTag("Input");
    if (!inputs) return branch;
    for (u32 k = 0; k < block->GetInputCount(); ++k) {
        const zShaderBlock* input = block->GetInput(k);
        AddTo(inputs, input ? WriteShaderBranch(input, index) : NewTag("None"));
    }
    AddTo(branch, inputs);
    return branch;
}

zMetaTag* zShaderMap::Serialize() const {
    zMetaTag* root = NewTag("ShaderMap");
    if (!root) {
        GetLog() << "[!] "
                 << "Could not serialize shader map. Failed to create root tag.\n";
        return nullptr;
    }
    AddTo(root, SerializeVector2(zVector2(m_x, m_y), "Pos"));

    zShaderBlockIndex index = CollectShaderBlockIndex(*this);
    if (zMetaTag* mapTag = WriteShaderBlockTable(index)) {
        AddTo(root, mapTag);
    } else {
        GetLog() << "[!] "
                 << "Failed to allocate root tag.\n";
    }

    for (u32 output = 0; output < ShaderOutputCount; ++output) {
        if (!m_outputs[output]) continue;
        zMetaTag* channel = NewTag(GetShaderOutputName(output));
        if (!channel) continue;
        AddTo(channel, WriteShaderBranch(m_outputs[output], index));
        AddTo(root, channel);
    }
    return root;
}
