// Scene file helpers for tests: the writer's text of a scene, hand-written
// files, and a fixture that loads text through the file road into scenes of
// its own.
#pragma once

#include <string>
#include <vector>

#include "markup/metafile.h"
#include "markup/writer.h"
#include "scene/group.h"
#include "tests/scene/scene_fixture.h"

// The scene as the writer gives it, in text form.
inline std::string SaveText(zScene& scene, u32 flags = SceneLoadAll, const zGroup* filter = nullptr) {
    zMetafile document;
    zMetaTag* root = scene.SaveToTag(&document, filter, flags);
    if (!root) return "";
    document.AddRoot(root);
    std::string text;
    SerializeMetafile(document, text);
    return text;
}

// One object tag of a hand-written file.
inline std::string ObjectTag(const char* name, const std::string& uid) {
    return "<MObject=<MItem=<Id=\"" + std::string(name) + "\"><UId=" + uid + "><Active>>>";
}

inline std::string SceneFile(const std::string& items, const std::string& rest = "") {
    return "<ZML=1.0>\n<Scene=<Items=" + items + ">" + rest + ">\n";
}

// How often part stands in text.
inline size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SceneFileFixture : public SceneFixture {
  public:
    // A second scene on the same engine and VM, released before the VM.
    zScene* Fresh() {
        others.emplace_back(new zScene(&engine, &vm));
        return others.back().Get();
    }
    bool LoadText(zScene& into, const std::string& text, u32 flags = SceneLoadAll, zGroup** group = nullptr,
                  const char* name = "s.zms") {
        WriteScript(name, text);
        return into.Load(name, group, flags);
    }
    void TearDown() override {
        others.clear();
        SceneFixture::TearDown();
    }
    std::vector<zSharedPtr<zScene>> others;
};
