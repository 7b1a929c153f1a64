// The scene file reader on any bytes: the first root of the parsed document
// goes to zScene::LoadFromTag with every flag, in a scene with a physics world
// and without engine or VM, once also into a group. A scene that reads is set
// up, updated and reset, so the items, links, skins, constraints and groups
// from the file reach every path that uses them (bodies are built and
// stepped under their constraints). It is then written; that text, read into a fresh scene and
// written, must give the same text again when read and written once more.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "fuzz/terrain_budget.h"
#include "markup/metafile.h"
#include "scene/scene.h"

namespace {

void Exercise(const zMetaTag* root) {
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
    if (!scene->CreatePhysicWorld()) return;
    zGroup* group = nullptr;
    if (!scene->LoadFromTag(nullptr, root, &group, SceneLoadAll)) return;
    scene->Setup(false, 0);
    scene->Update(UpdateAll);
    scene->RecordLocation();
    scene->Reset();
    if (group) {
        group->OffsetPosition(1.0f, 2.0f, 3.0f);
        group->SetRootItem(group->GetItems().GetCount() > 0 ? group->GetItems().GetHead()->value : nullptr);
        scene->DeleteGroup(group);
    }
    scene->Update(UpdateAll);
}

std::string LoadAndSave(const zMetaTag* root) {
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
    if (!scene->CreatePhysicWorld()) FuzzFail("a physics world cannot be made");
    if (!scene->LoadFromTag(nullptr, root, nullptr, SceneLoadAll)) return std::string();
    return TagText(scene->SaveToTag(nullptr, nullptr, SceneLoadAll), "a read scene cannot be written");
}

// The oracle starts from a written scene: the default camera a file without
// one gets is placed by its world matrix, and an item's written flags show
// whether its matrices were computed, which only a written file settles.
std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (!first) return LoadAndSave(root);
    if (ClaimedTerrainArea(root) > FuzzMaxTerrainArea) return std::string();
    Exercise(root);
    const std::string written = LoadAndSave(root);
    if (written.empty()) return written;
    zMetafile document;
    const zMetaTag* writtenRoot = FirstRoot(document, written.data(), written.size());
    if (!writtenRoot) FuzzFail("a written scene does not parse");
    return LoadAndSave(writtenRoot);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "scene file");
    return 0;
}
