// The "MItem" tag on any bytes: the first root of the parsed document goes to
// zMItem::ParseTag on a managed camera in a scene without engine or VM. An
// item that reads is activated and deactivated through the scene's queues,
// reset (its logic countdown from the read frequency), stepped through the
// logic rate and its command list, updated, and deleted through the deletion
// queue, so the values from the file reach every path that uses them. It is
// then written, read into a fresh item and written again: the second text
// must equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/managed_camera.h"
#include "scene/scene.h"

namespace {

void Exercise(const zMetaTag* root) {
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
    zMCamera* camera = scene->AddCamera("camera");
    zMCamera* child = scene->AddCamera("child");
    if (!camera || !child) return;
    child->zCamera::SetParent(camera);
    if (!camera->zMItem::ParseTag(nullptr, root)) return;
    scene->SetCurrentCamera(camera);
    camera->Activate(!camera->IsActive(), true);
    scene->Setup(false, 0);
    scene->Reset();
    camera->StepLogic(0.2f);
    scene->LoadCommandList("torotation 0.5, 90, 0, 0 + toalpha 0.5, 2; offsetposition 1, 1, 2, 3;", *camera);
    scene->Update(UpdateAll);
    scene->Update(UpdateAll);
    scene->RecordLocation();
    scene->Reset();
    scene->QueueForDeletion(camera);
    scene->FlushDeletionQueue();
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zSharedPtr<zScene> scene(new zScene(nullptr, nullptr));
    zMCamera* camera = scene->AddCamera("read");
    if (!camera || !camera->zMItem::ParseTag(nullptr, root)) return std::string();
    return TagText(camera->zMItem::SerializeTag(), "a read managed item cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "managed item");
    return 0;
}
