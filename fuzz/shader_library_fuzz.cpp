// The shader library reader on any bytes: the input is split at 0 bytes into
// up to three files "lib0.zml" to "lib2.zml", so that includes can reach each
// other (and themselves), and "lib0.zml" is loaded with its default profile
// and again with the profile "Lib", over a renderer whose shaders set up.
//
// Properties: the load ends (include cycles and chains are bounded), and
// every kept shader carries a name by which Find answers a shader of that name.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/render_stand_in.h"
#include "render/null_renderer.h"
#include "render/shader/shader_library.h"

namespace {

struct ShaderMakingRenderer : zNull_Renderer {
    explicit ShaderMakingRenderer(zRenderHost* host) : zNull_Renderer(host, false) {}
    zShader* NewShader() override { return new zShader(this); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::vector<std::string> parts = SplitAtZeroBytes(data, size, 3);
    for (size_t index = 0; index < parts.size(); ++index) {
        const std::string path = "lib" + std::to_string(index) + ".zml";
        if (!round.AddFile(path.c_str(), parts[index])) return 0;
    }
    zFuzzRenderHost host;
    ShaderMakingRenderer renderer(&host);
    zShaderLibrary library(&renderer);
    library.Load("lib0.zml", nullptr);
    library.Load("lib0.zml", "Lib");
    for (auto* node = library.GetShaders().GetHead(); node; node = node->next) {
        const zString& name = node->value->GetName();
        if (name.IsEmpty()) continue; // an empty Name string is a valid entry
        zShader* found = library.Find(name);
        if (!found || found->GetName() != name) FuzzFail("a kept shader is not found by its name");
    }
    return 0;
}
