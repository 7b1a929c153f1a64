#include "app/project.h"

#include <new>

#include "app/scene_factory.h"
#include "core/log.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "markup/reader.h"
#include "markup/script_value.h"
#include "markup/variant.h"
#include "render/renderer.h"
#include "scene/scene.h"
#include "scriptapi/script_api.h"
#include "script/script_kind.h"
#include "ui/scene2d.h"

namespace {

constexpr const char* DefaultName = "New Project";
constexpr f32 StartFrameSeconds = 1.0f / 60.0f;

const char* StringOf(const zMetaTag* tag) {
    const char* text = nullptr;
    return tag->GetValue().GetString(text) && text ? text : "";
}

// A new tag appended to parent; false (nothing kept) when either is missing.
bool AddStringChild(zMetaTag* parent, const char* name, const zString& value) {
    return AttachTag(parent, new (std::nothrow) zMetaTag(name, value.IsEmpty() ? "" : value.CStr()));
}

bool AddPathList(zMetaTag* root, const char* listName, const char* entryName, const zList<zString>& paths) {
    zMetaTag* list = new (std::nothrow) zMetaTag(listName);
    if (!AttachTag(root, list)) return false;
    for (auto* node = paths.GetHead(); node; node = node->next) {
        if (!AddStringChild(list, entryName, node->value)) return false;
    }
    return true;
}

template <typename T> typename zList<T>::Node* FindOwned(const zList<T>& list, const void* object) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        if (node->value.get() == object) return node;
    }
    return nullptr;
}

} // namespace

// Instances and layers

f32 CompareProjectLayers(const zProjectLayer& a, const zProjectLayer& b) {
    return a.z - b.z;
}

bool zProjectScriptUnit::Setup() {
    const bool done = zScriptUnit::Setup();
    m_onSetup = CacheMethod("OnSetup");
    m_onUpdate = CacheMethod("OnUpdate");
    return done;
}

void zProjectScriptUnit::Unload() {
    m_onSetup.reset();
    m_onUpdate.reset();
    zScriptUnit::Unload();
}

// Project

zProject::zProject(zEngine* engine)
    : name(DefaultName), authors("Authors"), description("New project"), copyright("Empty Notice"),
      m_engine(engine), m_vm(engine), m_profilerFont(engine) {
    // Kind 5 handles hold the project as its zProjectHost.
    m_unit.SetOwner(static_cast<zProjectHost*>(this), zScriptUnit::OwnerProject);
}

zProject::~zProject() {
    Close(true);
}

bool zProject::Guard(const char* operation) const {
    if (!m_busy) return true;
    GetLog() << "[!] Cannot call '" << operation
             << "' while rendering or evaluating the project scene stack.\n";
    return false;
}

bool zProject::CallScript(const char* method, const zScriptValue* arguments, u32 argumentCount) {
    if (!m_unit.Prepare(method, nullptr)) return false;
    for (u32 index = 0; index < argumentCount; ++index) {
        if (!m_unit.PushArgument(arguments[index])) return false;
    }
    return m_unit.Call(nullptr);
}

void zProject::Invalidate(void* object) {
    if (m_vm.IsOpen()) m_vm.InvalidateScriptObjects(object);
}

bool zProject::StartScripting() {
    if (!m_vm.Open()) return false;
    if (!RegisterScriptApi(m_vm.GetHandle())) return false;
    zRenderer* renderer = m_engine->GetRenderer();
    f32 size[2] = {0.0f, 0.0f};
    if (renderer) renderer->GetOutputSize(size);
    m_vm.SetGlobal("g_engine", zScriptValue(m_engine, u32(ScriptKindEngine)), nullptr);
    m_vm.SetGlobal("g_project", zScriptValue(static_cast<zProjectHost*>(this), u32(ScriptKindProject)), nullptr);
    m_vm.SetGlobal("g_mixer", zScriptValue(m_engine->GetMixer(), u32(ScriptKindMixer)), nullptr);
    m_vm.SetGlobal("g_render", zScriptValue(renderer, u32(ScriptKindRenderer)), nullptr);
    m_vm.SetGlobal("g_width", zScriptValue(size[0]), nullptr);
    m_vm.SetGlobal("g_height", zScriptValue(size[1]), nullptr);
    m_vm.SetGlobal("g_dt_frame", zScriptValue(StartFrameSeconds), nullptr);
    m_vm.SetGlobal("g_raw_dt_frame", zScriptValue(StartFrameSeconds), nullptr);
    m_vm.SetGlobal("g_clock", zScriptValue(f32(m_engine->GetClock())), nullptr);
    for (auto* node = includes.GetHead(); node; node = node->next)
        m_vm.Include(node->value);
    return true;
}

void zProject::UpdateScriptClock() {
    m_vm.SetGlobal("g_dt_frame", zScriptValue(m_engine->GetFrameTimeSeconds()), nullptr);
    m_vm.SetGlobal("g_raw_dt_frame", zScriptValue(m_engine->GetRawFrameTimeSeconds()), nullptr);
    m_vm.SetGlobal("g_clock", zScriptValue(f32(m_engine->GetClock())), nullptr);
}

bool zProject::Open(bool isProject) {
    if (!Guard("zProject::Open")) return false;
    if (!StartScripting()) return false;
    m_unit.Setup();
    m_vm.SetGlobal("g_context_project", zScriptValue(isProject), nullptr);
    return true;
}

bool zProject::Setup() {
    if (!Guard("zProject::Setup")) return false;
    CallScript("OnSetup");
    return true;
}

bool zProject::Evaluate(u32 mask) {
    if (!Guard("zProject::Evaluate")) return false;
    UpdateScriptClock();
    CallScript("OnUpdate");
    m_busy = 1;
    for (auto* node = m_scenes.GetHead(); node; node = node->next) {
        zProjectSceneInstance* instance = node->value.get();
        if (!instance->active || instance->kind != zProjectSceneInstance::KindScene || !instance->scene.Get())
            continue;
        instance->scene->SetScriptGlobals(nullptr);
        instance->scene->Update(mask);
    }
    m_busy = 0;
    return true;
}

void zProject::SortLayers() {
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (auto* node = m_layers.GetHead(); node && node->next; node = node->next) {
            if (CompareProjectLayers(*node->value, *node->next->value) < 0.0f) {
                std::swap(node->value, node->next->value);
                swapped = true;
            }
        }
    }
}

bool zProject::Render(u32 renderFlags) {
    if (!Guard("zProject::Render")) return false;
    SortLayers();
    CallScript("OnRender");
    // The script may unload scenes and change layers from OnRenderScene, so
    // the walk is over a copy and checks each entry is still held.
    zList<zProjectLayer*> order;
    for (auto* node = m_layers.GetHead(); node; node = node->next) {
        if (!order.Add(node->value.get())) return false;
    }
    bool cleared = false;
    for (auto* node = order.GetHead(); node; node = node->next)
        DrawLayer(node->value, renderFlags, cleared);
    return true;
}

void zProject::DrawLayer(zProjectLayer* layer, u32 renderFlags, bool& cleared) {
    const bool noScripts = (renderFlags & ProjectRenderNoScripts) != 0;
    auto drawable = [&] {
        return HoldsLayer(layer) && HoldsInstance(layer->instance) && layer->instance->active &&
               (layer->instance->scene.Get() || layer->instance->scene2D.Get());
    };
    if (!drawable()) return;
    if (!noScripts && m_unit.HasMethod("OnRenderScene")) {
        zProjectSceneInstance* instance = layer->instance;
        const bool is3D = instance->kind == zProjectSceneInstance::KindScene;
        const zScriptValue arguments[2] = {
            is3D ? zScriptValue(static_cast<void*>(instance->scene.Get()), u32(ScriptKindScene))
                 : zScriptValue(static_cast<void*>(instance->scene2D.Get()), u32(ScriptKindWindowSystem)),
            zScriptValue(static_cast<void*>(layer), u32(ScriptKindProjectLayer))};
        CallScript("OnRenderScene", arguments, 2);
        if (!drawable()) return;
    }
    zProjectSceneInstance* instance = layer->instance;
    zRenderer* renderer = m_engine->GetRenderer();
    if (renderer) {
        static const f32 Black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        const f32* background = instance->scene.Get() ? instance->scene->backgroundColor : Black;
        renderer->ClearFrame(background[0], background[1], background[2], 1.0f, 0.0f, cleared ? ClearDepth : ClearAll);
        cleared = true;
    }
    m_busy = 1;
    if (instance->kind == zProjectSceneInstance::KindScene && instance->scene.Get()) {
        zScene* scene = instance->scene.Get();
        const u32 sceneFlags = noScripts ? RenderNoScripts : 1u;
        scene->RegisterAsPropertyCallback(renderer);
        scene->RenderSetup(0);
        if (!noScripts) scene->SetScriptGlobals(nullptr);
        scene->RenderToQueue(sceneFlags);
        if (renderer) {
            renderer->RenderQueue();
            renderer->ResetRenderQueue();
        }
        scene->RenderDone(sceneFlags);
        scene->RenderUI(0);
    } else if (instance->kind == zProjectSceneInstance::KindScene2D && instance->scene2D.Get()) {
        instance->scene2D->Render(noScripts);
    }
    m_busy = 0;
}

bool zProject::HoldsInstance(const zProjectSceneInstance* instance) const {
    return instance && FindOwned(m_scenes, instance);
}

bool zProject::HoldsLayer(const zProjectLayer* layer) const {
    return layer && FindOwned(m_layers, layer);
}

void zProject::FreeInstance(std::unique_ptr<zProjectSceneInstance> instance) {
    // A 3D scene invalidates its own handles; a 2D scene does not.
    void* scene2D = instance->scene2D.Get();
    instance->Destroy();
    if (scene2D) Invalidate(scene2D);
    Invalidate(instance.get());
}

bool zProject::Close(bool closeVM) {
    if (!Guard("zProject::Close")) return false;
    CallScript("OnClose");
    fileName.Clear();
    while (m_layers.GetHead())
        Invalidate(m_layers.Take(m_layers.GetHead()).get());
    while (m_scenes.GetHead())
        FreeInstance(m_scenes.Take(m_scenes.GetHead()));
    m_unit.SetScriptPath("");
    m_unit.SetClassName("");
    flags = 0;
    m_unit.Unload();
    if (closeVM) {
        m_vm.Close();
        DeleteScriptInputDevices();
    }
    return true;
}

void zProject::Reset(bool closeVM) {
    Close(closeVM);
    name.Set(DefaultName);
    includes.Clear();
    searchPaths.Clear();
}

zProjectSceneInstance* zProject::FindScene(const char* sceneName) const {
    if (!sceneName) return nullptr;
    for (auto* node = m_scenes.GetHead(); node; node = node->next) {
        const zProjectSceneInstance* instance = node->value.get();
        if (instance->kind != zProjectSceneInstance::KindScene && instance->kind != zProjectSceneInstance::KindScene2D)
            continue;
        zString held;
        instance->GetName(held);
        if (held == sceneName) return node->value.get();
    }
    return nullptr;
}

zProjectSceneInstance* zProject::FindSceneByPointer(const void* scene) const {
    for (auto* node = m_scenes.GetHead(); node; node = node->next) {
        zProjectSceneInstance* instance = node->value.get();
        if (scene && (instance->scene.Get() == scene || static_cast<const void*>(instance->scene2D.Get()) == scene))
            return instance;
    }
    return nullptr;
}

u32 zProject::CountActiveScenes() const {
    u32 count = 0;
    for (auto* node = m_scenes.GetHead(); node; node = node->next)
        count += node->value->active != 0;
    return count;
}

zProjectSceneInstance* zProject::Instantiate(const char* path) {
    if (!Guard("zProject::Instantiate")) return nullptr;
    if (!path) return nullptr;
    if (zProjectSceneInstance* existing = FindScene(path)) return existing;
    zMetafile doc;
    if (!LoadMetafileFromFile(path, doc)) {
        GetLog() << "[!] Could not instantiate scene '" << path << "', file not found.\n";
        return nullptr;
    }
    auto newInstance = [](u32 kind) {
        std::unique_ptr<zProjectSceneInstance> made(new (std::nothrow) zProjectSceneInstance());
        if (made) {
            made->kind = kind;
        } else {
            GetLog() << "[!] Failed to allocate project scene instance.\n";
        }
        return made;
    };
    std::unique_ptr<zProjectSceneInstance> instance;
    if (zMetaTag* root = FindMetaTagByPath(&doc.GetRoots(), "Scene;", false)) {
        zSharedPtr<zScene> scene = NewScene();
        if (!scene.Get() || !(instance = newInstance(zProjectSceneInstance::KindScene))) return nullptr;
        instance->scene = scene;
        // A world that fails to start is not kept; the update skips it.
        scene->CreatePhysicWorld();
        scene->SetScriptGlobals(nullptr);
        LoadSceneTag(*scene, doc, root);
        scene->Setup(true, SceneOptimisationParameter);
        scene->Reset();
    } else if (zMetaTag* root2D = FindMetaTagByPath(&doc.GetRoots(), "Scene2d;", false)) {
        zSharedPtr<zScene2D> scene2D = NewScene2D();
        if (!scene2D.Get() || !(instance = newInstance(zProjectSceneInstance::KindScene2D))) return nullptr;
        instance->scene2D = scene2D;
        scene2D->ParseRootTag(doc, root2D);
        scene2D->Setup();
        scene2D->Reset();
    } else {
        return nullptr;
    }
    zProjectSceneInstance* made = instance.get();
    if (!m_scenes.Add(std::move(instance))) return nullptr;
    return made;
}

bool zProject::Unload(zProjectSceneInstance* instance) {
    if (!Guard("zProject::Unload")) return false;
    if (!instance) return false;
    for (auto* node = m_layers.GetHead(); node;) {
        auto* next = node->next;
        if (node->value->instance == instance) Invalidate(m_layers.Take(node).get());
        node = next;
    }
    auto* held = FindOwned(m_scenes, instance);
    if (!held) {
        // Never destroyed here: the stack does not own it.
        GetLog() << "[*] Trying to unload an invalid scene instance.\n";
        return false;
    }
    FreeInstance(m_scenes.Take(held));
    return true;
}

void zProject::ActivateScene(zProjectSceneInstance* instance, bool active) {
    if (!instance) return;
    if (m_unit.HasMethod("OnActivateScene")) {
        // The callback may unload the instance: then there is nothing to store.
        const bool held = HoldsInstance(instance);
        zScriptValue argument(static_cast<void*>(instance), u32(ScriptKindProjectScene));
        if (m_unit.Prepare("OnActivateScene", nullptr) && m_unit.PushArgument(argument)) m_unit.Call(nullptr);
        if (held && !HoldsInstance(instance)) return;
    }
    instance->active = active ? 1 : 0;
}

zSharedPtr<zScene> zProject::NewScene() {
    return NewPlayerScene(m_engine, &m_vm, "[!] Failed to allocate scene object.\n");
}

zSharedPtr<zScene2D> zProject::NewScene2D() {
    zSharedPtr<zScene2D> scene2D(new (std::nothrow) zScene2D(m_engine, &m_vm));
    if (!scene2D.Get()) GetLog() << "[!] Failed to allocate scene 2D object.\n";
    return scene2D;
}

zProjectLayer* zProject::AddLayer(zProjectSceneInstance* instance, f32 z) {
    std::unique_ptr<zProjectLayer> layer(new (std::nothrow) zProjectLayer());
    zProjectLayer* made = layer.get();
    if (layer) {
        layer->instance = instance;
        layer->z = z;
    }
    if (!layer || !m_layers.Add(std::move(layer))) {
        GetLog() << "[!] Failed to allocate a new project scene layer.\n";
        return nullptr;
    }
    return made;
}

bool zProject::LoadProfilerFont(const char* path, const char* /*name*/) {
    return m_profilerFont.Load(path, m_engine);
}

// Environment file

bool zProject::ParseRootTag(zMetafile& doc, zMetaTag* root) {
    if (!root || root->GetName() != "Environment") {
        GetLog() << "[!] Could not parse environment. Root tag id is incorrect ("
                 << (root ? root->GetName() : zString()) << ").\n";
        return false;
    }
    name.Clear();
    includes.Clear();
    m_unit.SetScriptPath("");
    m_unit.SetClassName("");
    searchPaths.Clear();
    GetLog() << "Parsing ZML environment...\n";
    zLinkedListIterator children;
    while (zMetaTag* child = root->GetNextChild(children)) {
        const zString& id = child->GetName();
        if (id == "Name") {
            name.Set(StringOf(child));
        } else if (id == "Authors") {
            authors.Set(StringOf(child));
        } else if (id == "Description") {
            description.Set(StringOf(child));
        } else if (id == "Copyright") {
            copyright.Set(StringOf(child));
        } else if (id == "Include") {
            zLinkedListIterator uris;
            while (zMetaTag* uri = child->GetNextChild(uris)) {
                if (uri->GetName() == "URI") includes.Add(zString(StringOf(uri)));
            }
        } else if (id == "SearchPaths") {
            zLinkedListIterator paths;
            while (zMetaTag* path = child->GetNextChild(paths)) {
                if (path->GetValue().GetType() == VariantString) searchPaths.Add(zString(StringOf(path)));
            }
        } else if (id == "ScriptUnit") {
            m_unit.Parse(&doc, child);
        }
    }
    fileName = doc.GetFileName();
    return true;
}

zMetaTag* zProject::BuildRootTag(zMetafile& /*doc*/) {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Environment"));
    if (!root) {
        GetLog() << "[!] Could not create environment root tag to serialize.\n";
        return nullptr;
    }
    bool built = AddStringChild(root.get(), "Name", name) && AddStringChild(root.get(), "Authors", authors) &&
                 AddStringChild(root.get(), "Description", description) &&
                 AddStringChild(root.get(), "Copyright", copyright) && m_unit.Serialize(root.get()) &&
                 AddPathList(root.get(), "Include", "URI", includes) &&
                 AddPathList(root.get(), "SearchPaths", "Path", searchPaths);
    if (!built) {
        GetLog() << "[!] Failed to allocate environment tags to serialize.\n";
        return nullptr;
    }
    return root.release();
}
