#include "script/script_unit.h"

#include <cstdint>
#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "script/script_vm.h"

namespace {

bool IsParameterType(u32 type) {
    return type == VariantFloat || type == VariantBool || type == VariantInt || type == VariantString;
}

// A new tag holding a copy of a parameter's value; null for other types.
zMetaTag* NewValueTag(const zVariant& value) {
    switch (value.GetType()) {
    case VariantFloat: return new (std::nothrow) zMetaTag("Value", value.GetRawFloat());
    case VariantBool: {
        bool flag = false;
        value.GetBool(flag);
        return new (std::nothrow) zMetaTag("Value", flag);
    }
    case VariantInt: return new (std::nothrow) zMetaTag("Value", value.GetRawInt());
    case VariantString: {
        const char* text = "";
        value.GetString(text);
        return new (std::nothrow) zMetaTag("Value", text);
    }
    default: return nullptr;
    }
}

} // namespace

zScriptUnit::zScriptUnit(zScriptVM* vm) : m_vm(vm) {}

zScriptUnit::~zScriptUnit() = default;

void zScriptUnit::SetOwner(void* owner, u32 kind) {
    m_owner = owner;
    m_ownerKind = kind;
}

void zScriptUnit::GetOwner(void** owner, u32* kind) const {
    if (owner) *owner = m_owner;
    if (kind) *kind = m_ownerKind;
}

void zScriptUnit::Unload() { m_instance.reset(); }

bool zScriptUnit::Setup() {
    Unload();
    if (m_scriptPath.IsEmpty() || m_className.IsEmpty()) return true;
    if (!m_vm || !m_vm->Include(m_scriptPath)) return false;
    // A class that is not declared cannot be instantiated either: the VM is
    // killed for it as for a failing constructor.
    zScriptValue result;
    zScriptObject* instance = nullptr;
    if (m_vm->PrepareCall(m_className, nullptr, nullptr) && m_vm->Call(&result) && result.GetKind() == ScriptValueObject && result.Owns()) instance = result.GetObject();
    if (!instance) {
        m_vm->Kill(2, m_className, true);
        return false;
    }
    result.SetObject(instance, false);
    m_instance.reset(instance);
    for (auto* node = m_parameters.GetHead(); node; node = node->next) {
        const zVariant& parameter = *node->value;
        zScriptValue value(parameter);
        m_vm->SetGlobal(parameter.GetName(), value, m_instance.get());
    }
    return true;
}

bool zScriptUnit::Prepare(const char* method, zScriptObject* closure) {
    if (!m_instance || !m_vm) return false;
    if (!m_vm->PrepareCall(method, closure, m_instance.get())) return false;
    m_vm->PushArgument(zScriptValue(m_owner, m_ownerKind));
    return true;
}

bool zScriptUnit::PushArgument(const zScriptValue& value) { return m_vm && m_vm->PushArgument(value); }

bool zScriptUnit::Call(zScriptValue* out) { return m_vm && m_vm->Call(out); }

std::unique_ptr<zScriptObject> zScriptUnit::CacheMethod(const char* name) const {
    if (!m_instance || !m_vm) return nullptr;
    return m_vm->GetMember(name, m_instance.get());
}

bool zScriptUnit::AddParameter(const char* member, const zVariant& value) {
    if (!member || !IsParameterType(value.GetType())) return false;
    std::unique_ptr<zVariant> parameter(new (std::nothrow) zVariant());
    if (!parameter) return false;
    parameter->Set(value);
    parameter->SetName(member);
    return m_parameters.Add(std::move(parameter)) != nullptr;
}

const zVariant* zScriptUnit::GetParameter(u32 index) const {
    auto* node = m_parameters.GetNodeAt(index);
    return node ? node->value.get() : nullptr;
}

void zScriptUnit::ClearParameters() { m_parameters.Clear(); }

bool zScriptUnit::Parse(const zMetafile* /*document*/, const zMetaTag* tag) {
    if (!tag) return false;
    if (tag->GetName() != "ScriptUnit") {
        GetLog() << "[!] Could not parse script unit. Root tag id is incorrect (" << tag->GetName() << ").\n";
        return false;
    }
    m_scriptPath.Clear();
    m_className.Clear();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        if (name == "Script") {
            if (child->GetValue().GetString(text)) m_scriptPath.Set(text);
        } else if (name == "Class") {
            if (child->GetValue().GetString(text)) m_className.Set(text);
        } else if (name == "ParmList") {
            zLinkedListIterator declarations{};
            while (const zMetaTag* declaration = child->GetNextChild(declarations)) {
                const zMetaTag* id = declaration->GetTag("Id;");
                const zMetaTag* value = declaration->GetTag("Value;");
                const char* member = nullptr;
                if (!id || !value || !id->GetValue().GetString(member)) {
                    GetLog() << "[*] Incomplete script parameter declaration ignored.\n";
                    continue;
                }
                if (!IsParameterType(value->GetValue().GetType())) {
                    GetLog() << "[*] parameter '" << member << "' type is invalid.\n";
                    continue;
                }
                AddParameter(member, value->GetValue());
            }
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <ScriptUnit>.\n";
        }
    }
    return true;
}

zMetaTag* zScriptUnit::Serialize(zMetaTag* parent) const {
    zMetaTag* root = new (std::nothrow) zMetaTag("ScriptUnit");
    if (!root || (parent && !parent->AddChild(root))) {
        delete root;
        GetLog() << "[!] Could not serialize script unit. Failed to create root tag.\n";
        return nullptr;
    }
    if (!m_scriptPath.IsEmpty()) root->AddChild(new (std::nothrow) zMetaTag("Script", m_scriptPath.CStr()));
    if (!m_className.IsEmpty()) root->AddChild(new (std::nothrow) zMetaTag("Class", m_className.CStr()));
    if (m_parameters.GetCount() == 0) return root;
    zMetaTag* list = new (std::nothrow) zMetaTag("ParmList");
    if (!list || !root->AddChild(list)) {
        delete list;
        GetLog() << "[*] Failed to serialize instance parameter list.\n";
        return root;
    }
    for (auto* node = m_parameters.GetHead(); node; node = node->next) {
        const zVariant& parameter = *node->value;
        zMetaTag* entry = new (std::nothrow) zMetaTag("Parm");
        zMetaTag* id = entry ? new (std::nothrow) zMetaTag("Id", parameter.GetName().CStr()) : nullptr;
        if (!entry || !id || !list->AddChild(entry)) {
            delete id;
            delete entry;
            GetLog() << "[*] Failed to serialize instance parameter '" << parameter.GetName() << "'.\n";
            continue;
        }
        entry->AddChild(id);
        if (zMetaTag* value = NewValueTag(parameter)) entry->AddChild(value);
    }
    return root;
}

// zSceneScriptUnit

zSceneScriptUnit::zSceneScriptUnit(zScriptVM* vm) : zScriptUnit(vm) {}

bool zSceneScriptUnit::Setup() {
    if (!zScriptUnit::Setup()) return false;
    m_delay = 0;
    m_onRenderDone = CacheMethod("OnRenderDone");
    m_onRenderUI = CacheMethod("OnRenderUI");
    m_onUpdate = CacheMethod("OnUpdate");
    m_onPhysicStep = CacheMethod("OnPhysicStep");
    return true;
}

void zSceneScriptUnit::Unload() {
    m_onRenderDone.reset();
    m_onRenderUI.reset();
    m_onPhysicStep.reset();
    m_onUpdate.reset();
    zScriptUnit::Unload();
}

bool zSceneScriptUnit::CountDownDelay(i32 units) {
    if (m_delay < 1) return false;
    const i64 left = i64(m_delay) - units;
    m_delay = left < INT32_MIN ? INT32_MIN : left > INT32_MAX ? INT32_MAX : i32(left);
    return true;
}

// zManagerScriptUnit

zManagerScriptUnit::zManagerScriptUnit(zScriptVM* vm) : zScriptUnit(vm) {}

bool zManagerScriptUnit::Setup() {
    if (!zScriptUnit::Setup()) return false;
    m_onLogicUpdate = CacheMethod("OnLogicUpdate");
    m_onUpdate = CacheMethod("OnUpdate");
    m_onTrigger = CacheMethod("OnTrigger");
    m_onActivate = CacheMethod("OnActivate");
    m_onPhysicStep = CacheMethod("OnPhysicStep");
    m_onPhysicSleepStep = CacheMethod("OnPhysicSleepStep");
    m_onCollision = CacheMethod("OnCollision");
    m_onCollisionEx = CacheMethod("OnCollisionEx");
    return true;
}

void zManagerScriptUnit::Unload() {
    m_onLogicUpdate.reset();
    m_onUpdate.reset();
    m_onTrigger.reset();
    m_onActivate.reset();
    m_onPhysicStep.reset();
    m_onPhysicSleepStep.reset();
    m_onCollision.reset();
    m_onCollisionEx.reset();
    zScriptUnit::Unload();
}
