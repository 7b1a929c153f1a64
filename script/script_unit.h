// Script units: one instance of a script class attached to an engine object,
// its owner (the project, a scene, a 2D scene or a managed item).
//
// Setup unloads, runs the unit's script file, instantiates its class with the
// root table as this, and copies the unit's parameters into members of the
// instance, after the constructor has run: only members the class declares
// can be set (others are left alone silently). A unit without a script path
// or class name sets up successfully and never has an instance, so no event
// reaches it. A class that cannot be instantiated kills the VM with code 2.
//
// Events reach the instance through the dispatchers of script_dispatch.h,
// which call Prepare (the owner pushed first, under the owner's kind),
// PushArgument for the extra arguments, then Call. Main thread only.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "markup/script_value.h"
#include "markup/variant.h"

class zMetaTag;
class zMetafile;
class zScriptVM;

class zScriptUnit {
  public:
    // The script object kinds an owner is passed under.
    enum OwnerKind : u32 {
        OwnerProject = 5,
        OwnerScene = 9,
        OwnerScene2D = 12,
        OwnerManagedItem = 24,
    };

    explicit zScriptUnit(zScriptVM* vm);
    virtual ~zScriptUnit();
    zScriptUnit(const zScriptUnit&) = delete;
    zScriptUnit& operator=(const zScriptUnit&) = delete;

    virtual bool Setup();
    // Deletes the instance.
    virtual void Unload();
    // False without an instance or when the VM refuses the call; else the
    // call of the method (or of closure, when given) on the instance is
    // prepared with the owner as its first argument.
    virtual bool Prepare(const char* method, zScriptObject* closure);
    virtual bool PushArgument(const zScriptValue& value);
    virtual bool Call(zScriptValue* out);

    void SetOwner(void* owner, u32 kind);
    void GetOwner(void** owner, u32* kind) const;

    // The "ScriptUnit" tag. Reading empties the script path and class name
    // (parameters already held stay) and appends the valid declarations of
    // "ParmList"; false, logged, only for another root id.
    bool Parse(const zMetafile* document, const zMetaTag* tag);
    // Appends a "ScriptUnit" tag to parent and returns it; null, logged, when
    // it cannot be made.
    zMetaTag* Serialize(zMetaTag* parent) const;

    // A parameter: a float, bool, int or string variant named after the
    // member it sets. False for any other type or an allocation failure.
    bool AddParameter(const char* member, const zVariant& value);
    u32 GetParameterCount() const { return m_parameters.GetCount(); }
    const zVariant* GetParameter(u32 index) const;
    void ClearParameters();

    zScriptVM* GetVM() const { return m_vm; }
    zScriptObject* GetInstance() const { return m_instance.get(); }
    bool HasInstance() const { return m_instance != nullptr; }
    const zString& GetScriptPath() const { return m_scriptPath; }
    const zString& GetClassName() const { return m_className; }
    void SetScriptPath(const char* path) { m_scriptPath.Set(path); }
    void SetClassName(const char* name) { m_className.Set(name); }

  protected:
    // The method's closure looked up in the instance, or null when the class
    // lacks it (for the cached dispatcher slots).
    std::unique_ptr<zScriptObject> CacheMethod(const char* name) const;

  private:
    zScriptVM* m_vm;
    u32 m_ownerKind = 0;
    void* m_owner = nullptr;
    std::unique_ptr<zScriptObject> m_instance;
    zList<std::unique_ptr<zVariant>> m_parameters;
    zString m_scriptPath;
    zString m_className;
};

// A scene's unit: a start delay and the closures of the per-frame events.
class zSceneScriptUnit : public zScriptUnit {
  public:
    explicit zSceneScriptUnit(zScriptVM* vm);

    // The base set-up, then delay 0 and the four closures cached.
    bool Setup() override;
    void Unload() override;

    // Engine clock units (10000 a second).
    void SetDelay(i32 units) { m_delay = units; }
    i32 GetDelay() const { return m_delay; }
    // False when the delay is below 1; else subtracts and gives true (the
    // event is skipped this frame).
    bool CountDownDelay(i32 units);

    zScriptObject* GetOnRenderDone() const { return m_onRenderDone.get(); }
    zScriptObject* GetOnRenderUI() const { return m_onRenderUI.get(); }
    zScriptObject* GetOnPhysicStep() const { return m_onPhysicStep.get(); }
    zScriptObject* GetOnUpdate() const { return m_onUpdate.get(); }

  private:
    i32 m_delay = 0;
    std::unique_ptr<zScriptObject> m_onRenderDone;
    std::unique_ptr<zScriptObject> m_onRenderUI;
    std::unique_ptr<zScriptObject> m_onPhysicStep;
    std::unique_ptr<zScriptObject> m_onUpdate;
};

// A managed item's unit: the closures of its frequent events.
class zManagerScriptUnit : public zScriptUnit {
  public:
    explicit zManagerScriptUnit(zScriptVM* vm);

    bool Setup() override;
    void Unload() override;

    zScriptObject* GetOnLogicUpdate() const { return m_onLogicUpdate.get(); }
    zScriptObject* GetOnUpdate() const { return m_onUpdate.get(); }
    zScriptObject* GetOnTrigger() const { return m_onTrigger.get(); }
    zScriptObject* GetOnActivate() const { return m_onActivate.get(); }
    zScriptObject* GetOnPhysicStep() const { return m_onPhysicStep.get(); }
    zScriptObject* GetOnPhysicSleepStep() const { return m_onPhysicSleepStep.get(); }
    zScriptObject* GetOnCollision() const { return m_onCollision.get(); }
    zScriptObject* GetOnCollisionEx() const { return m_onCollisionEx.get(); }

  private:
    std::unique_ptr<zScriptObject> m_onLogicUpdate;
    std::unique_ptr<zScriptObject> m_onUpdate;
    std::unique_ptr<zScriptObject> m_onTrigger;
    std::unique_ptr<zScriptObject> m_onActivate;
    std::unique_ptr<zScriptObject> m_onPhysicStep;
    std::unique_ptr<zScriptObject> m_onPhysicSleepStep;
    std::unique_ptr<zScriptObject> m_onCollision;
    std::unique_ptr<zScriptObject> m_onCollisionEx;
};

// The units of one owner, in dispatch order; the list owns them. A walk over
// them registers itself, so when the list goes during a visit (the owner
// deleted by its own script) the walk learns of it instead of reading the
// freed list.
class zScriptUnitList : public zList<std::unique_ptr<zScriptUnit>> {
  public:
    struct Walk {
        bool alive = true;
        Walk* outer = nullptr;
    };

    zScriptUnitList() = default;
    ~zScriptUnitList() {
        for (Walk* walk = m_walks; walk; walk = walk->outer)
            walk->alive = false;
    }

    // Walks nest: the innermost ends first.
    void BeginWalk(Walk& walk) {
        walk.outer = m_walks;
        m_walks = &walk;
    }
    void EndWalk(Walk& walk) { m_walks = walk.outer; }

  private:
    Walk* m_walks = nullptr;
};
