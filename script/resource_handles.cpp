#include "script/resource_handles.h"

#include <unordered_set>

#include "engine/core_listener.h"
#include "render/resource_event.h"
#include "render/texture.h"
#include "script/script_object.h"

namespace {

class ScriptResourceListener : public zCoreListener {
  public:
    void OnCoreEvent(u32 code, void* payload) override {
        if (code != ResourceEventDestroyBegin || !payload) return;
        const auto* record = static_cast<const zResourceEventRecord*>(payload);
        // A texture's handles may hold it as itself or as its picture.
        std::unordered_set<const void*> dying;
        if (record->texture) {
            dying.insert(record->texture);
            dying.insert(static_cast<const zPicture*>(record->texture));
        }
        if (record->sound) dying.insert(record->sound);
        InvalidateScriptRecords(dying);
    }
};

} // namespace

zCoreListener* GetScriptResourceListener() {
    static ScriptResourceListener listener;
    return &listener;
}
