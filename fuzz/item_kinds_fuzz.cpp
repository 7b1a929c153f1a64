// The item kinds' tags on any bytes: the input, split at its first 0 byte, is
// the tag and a geometry file "g.zge" it may name. The first root's name picks
// the reader: "MObject", "MLight", "MCamera" and "Trigger" read into a new
// managed item of a scene over an engine, "Object" and "Light" into a bare
// node. What reads is exercised: the scene is set up and updated twice with
// every item detected by a trigger, an object's bones are all set to one item
// and its skinning, bounds and drawing entries (both passes) computed, a
// light's projection and frustum built. It is then written, read into a fresh
// item and written again: the second text must equal the first.
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "markup/meta_tag.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "scene/trigger.h"

namespace {

void DrawObject(zObject& object, zCamera& camera) {
    zMinMax bounds;
    object.GetBounds(bounds);
    for (u32 bone = 0; bone <= object.GetBoneCount(); ++bone)
        object.GetBoneBounds(bone, bounds);
    zList<zRenderablePrimitive*> entries;
    camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    object.AppendPrimitives(&camera, entries, RenderPassNormal);
    object.AppendPrimitives(&camera, entries, RenderPassShadow);
    while (auto* node = entries.GetHead())
        delete entries.Take(node);
}

void ExerciseScene(zScene& scene, zMItem* item) {
    zTrigger* trigger = scene.AddTrigger("trigger");
    zMCamera* camera = scene.AddCamera("camera");
    if (!trigger || !camera) return;
    trigger->zItem::SetScale(zVector(100.0f, 100.0f, 100.0f, 1.0f));
    item->SetBehaviour(item->GetBehaviour() | BehaviourTriggerDetected);
    item->Activate(true, false);
    if (auto* object = dynamic_cast<zMObject*>(item)) {
        for (u32 bone = 0; bone <= object->GetBoneCount(); ++bone)
            object->SetBone(bone, camera);
    }
    scene.SetCurrentCamera(camera);
    scene.Setup(false, 0);
    scene.Update(UpdateAll);
    camera->zItem::SetPosition(zVector(0.0f, 0.0f, -10.0f, 1.0f));
    scene.Update(UpdateAll);
    if (auto* object = dynamic_cast<zMObject*>(item)) DrawObject(*object, *camera);
    if (auto* light = dynamic_cast<zMLight*>(item)) {
        light->GetProjectionMatrix();
        camera->SetupFromSpotLight(*light);
    }
    // The detected item leaves through the flush while inside.
    scene.QueueForDeletion(item);
    scene.Update(UpdateAll);
}

// Reads root into a new item of the kind its name picks; the written text, or
// empty when the reader refuses it.
std::string ReadAndWrite(const zMetaTag* root, bool first) {
    zEngine engine;
    zSharedPtr<zScene> scene(new zScene(&engine, nullptr));
    const zString& name = root->GetName();
    zMItem* item = nullptr;
    zMetaTag* written = nullptr;
    if (name == "MObject") {
        zMObject* object = scene->AddObject("object", nullptr);
        if (!object || !object->ParseTag(nullptr, root)) return std::string();
        written = object->SerializeTag();
        item = object;
    } else if (name == "MLight") {
        zMLight* light = scene->AddLight("light", LightTypePoint, 1.0f);
        if (!light || !light->ParseTag(nullptr, root)) return std::string();
        written = light->SerializeTag();
        item = light;
    } else if (name == "MCamera") {
        zMCamera* camera = scene->AddCamera("camera");
        if (!camera || !camera->ParseTag(nullptr, root)) return std::string();
        written = camera->SerializeTag();
        item = camera;
    } else if (name == "Trigger") {
        zTrigger* trigger = scene->AddTrigger("trigger");
        if (!trigger || !trigger->ParseTag(nullptr, root)) return std::string();
        written = trigger->SerializeTag();
        item = trigger;
    } else if (name == "Object") {
        zObject object(&engine);
        if (!ParseObject(object, root)) return std::string();
        // Written before anything brings the matrices up to date, as the
        // read back is.
        const std::string text = TagText(SerializeObject(object), "a read object cannot be written");
        if (first) {
            zCamera camera(&engine);
            object.UpdateSkinning();
            DrawObject(object, camera);
        }
        return text;
    } else {
        zLight light(&engine);
        if (!ParseLight(light, root)) return std::string();
        const std::string text = TagText(SerializeLight(light), "a read light cannot be written");
        if (first) {
            light.UpdateMatrices();
            light.GetProjectionMatrix();
        }
        return text;
    }
    const std::string text = TagText(written, "a read item kind cannot be written");
    if (first && item) ExerciseScene(*scene, item);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::vector<std::string> parts = SplitAtZeroBytes(data, size, 2);
    if (parts.size() > 1 && !round.AddFile("g.zge", parts[1])) return 0;
    CheckTagRoundTrip(reinterpret_cast<const u8*>(parts[0].data()), parts[0].size(), ReadAndWrite,
                      "item kind");
    return 0;
}
