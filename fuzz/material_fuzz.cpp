// The material file with its shader map on any bytes: the bytes are parsed
// as a ZML document and its first root goes to zMaterial::Parse, with a host
// that serves a few textures by name (fuzz/render_stand_in.h).
//
// A material that parses is written back, and the text read and written
// again. The file holds neither stages without a texture nor stages of type
// None (they read back as Diffuse), and a shader block wired after it was
// connected may change type and lose that connection when read again; so the
// first writing may move the material once, and from there on the text must
// read back and write the same bytes.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/render_stand_in.h"
#include "fuzz/tag_text.h"
#include "render/material.h"

namespace {

// The text of the material's tag.
std::string WriteMaterial(const zMaterial& material) {
    return TagText(material.Serialize(), "a parsed material cannot be written");
}

// Reads written text into a new material and writes that again.
std::string ReadAndWrite(zFuzzRenderHost& host, const std::string& text) {
    zMetafile doc;
    const zMetaTag* root = FirstRoot(doc, text.data(), text.size());
    if (!root) FuzzFail("a written material does not parse as ZML");
    zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
    if (!material->Parse(root)) FuzzFail("a written material does not read back");
    return WriteMaterial(*material);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    zFuzzRenderHost host;
    std::string written;
    {
        zMetafile doc;
        const zMetaTag* root = FirstRoot(doc, reinterpret_cast<const char*>(data), size);
        if (!root) return 0;
        zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
        if (!material->Parse(root)) return 0;
        if (!material->GetShaderMap()) FuzzFail("a parsed material has no shader map");
        written = WriteMaterial(*material);
    }
    const std::string settled = ReadAndWrite(host, written);
    FuzzExpectSame(settled, ReadAndWrite(host, settled), "a written material reads back to another one");
    return 0;
}
