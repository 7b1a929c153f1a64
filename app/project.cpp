#include "app/project.h"

#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "markup/script_value.h"
#include "markup/variant.h"
#include "render/renderer.h"
#include "script/script_api.h"
#include "script/script_kind.h"

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

} // namespace

zProject::zProject(zEngine* engine)
    : name(DefaultName), authors("Authors"), description("New project"), copyright("Empty Notice"),
      m_engine(engine), m_vm(engine) {}

zProject::~zProject() {
    Close(true);
}

bool zProject::Guard(const char* operation) const {
    if (!m_busy) return true;
    GetLog() << "[!] Cannot call '" << operation
             << "' while rendering or evaluating the project scene stack.\n";
    return false;
}

bool zProject::StartScripting() {
    if (!m_vm.Open()) return false;
    if (!RegisterScriptApi(m_vm.GetHandle())) return false;
    zRenderer* renderer = m_engine->GetRenderer();
    f32 size[2] = {0.0f, 0.0f};
    if (renderer) renderer->GetOutputSize(size);
    m_vm.SetGlobal("g_engine", zScriptValue(m_engine, u32(ScriptKindEngine)), nullptr);
    m_vm.SetGlobal("g_project", zScriptValue(this, u32(ScriptKindProject)), nullptr);
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
    m_vm.SetGlobal("g_context_project", zScriptValue(isProject), nullptr);
    return true;
}

bool zProject::Close(bool closeVM) {
    if (!Guard("zProject::Close")) return false;
    fileName.Clear();
    flags = 0;
    if (closeVM) m_vm.Close();
    return true;
}

void zProject::Reset(bool closeVM) {
    Close(closeVM);
    name.Set(DefaultName);
    includes.Clear();
    searchPaths.Clear();
}

bool zProject::ParseRootTag(zMetafile& doc, zMetaTag* root) {
    if (!root || root->GetName() != "Environment") {
        GetLog() << "[!] Could not parse environment. Root tag id is incorrect ("
                 << (root ? root->GetName() : zString()) << ").\n";
        return false;
    }
    name.Clear();
    includes.Clear();
    searchPaths.Clear();
    scriptUnitTag.reset();
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
            scriptUnitTag.reset(child->Clone(true));
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
                 AddStringChild(root.get(), "Copyright", copyright);
    if (built && scriptUnitTag) built = AttachTag(root.get(), scriptUnitTag->Clone(true));
    built = built && AddPathList(root.get(), "Include", "URI", includes) &&
            AddPathList(root.get(), "SearchPaths", "Path", searchPaths);
    if (!built) {
        GetLog() << "[!] Failed to allocate environment tags to serialize.\n";
        return nullptr;
    }
    return root.release();
}
