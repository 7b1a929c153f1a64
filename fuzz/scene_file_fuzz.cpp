// The scene file reader on any bytes: the first root of the parsed document
// goes to zScene::LoadFromTag with every flag, in a scene without engine or
// VM, once also into a group. A scene that reads is set up, updated and
// reset, so the items, links, skins and groups from the file reach every path
// that uses them. It is then written, read into a fresh scene and written
// again: the second text must equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/scene.h"

namespace {

void Exercise(const zMetaTag* root) {
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
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

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
    if (!scene->LoadFromTag(nullptr, root, nullptr, SceneLoadAll)) return std::string();
    return TagText(scene->SaveToTag(nullptr, nullptr, SceneLoadAll), "a read scene cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "scene file");
    return 0;
}
