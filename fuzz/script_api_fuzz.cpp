// The script API on any bytes: a VM with the whole API registered over an
// engine with the null renderer and the null mixer, the start-up script
// loaded, and a pool of values (numbers at their limits, strings, tables,
// arrays, closures, value-class instances, a handle of every kind the set-up
// can make, a deleted handle and an empty CObject). The input picks a few
// calls: a global native of the root table or a native method of a script
// class, its this and its arguments from the pool. Errors are a pass; what a
// call returns joins the pool for the next ones. The natives are found by
// walking the root table and the classes, so each group registered later is
// fuzzed without a change here.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "audio/null_mixer.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "markup/metafile.h"
#include "picture/picture.h"
#include "render/null_renderer.h"
#include "scene/managed_camera.h"
#include "scene/scene.h"
#include "script/script_class.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "script/value_classes.h"
#include "scriptapi/script_api.h"

namespace {

// Natives that reach outside the process (a shell, the file system's
// renames and removals, file writers of the groups and of the standard
// library) or block (sleeps). A group adding such a native adds its name here.
const char* const DeniedNatives[] = {
    "ShellExecute", "SystemSleep", "FileRename",                       // core and System group
    "MetafileSave", "RaytracerTrace",                                  // Metafile and Raytracer files
    "system",       "remove",      "rename",     "writeclosuretofile", // standard library
};
// Classes whose methods open files by name.
const char* const DeniedClasses[] = {"file"};

constexpr int CallsPerInput = 8;
constexpr int MostArguments = 16; // the longest typemask has 16 positions
constexpr size_t PoolGrowth = 32; // results kept per input

// ZE_FUZZ_LOG=1 also prints each call with the types of this and the arguments.
bool Traced() {
    static const bool traced = std::getenv("ZE_FUZZ_LOG") != nullptr;
    return traced;
}

template <size_t Count> bool Listed(const char* const (&names)[Count], const std::string& name) {
    for (const char* listed : names)
        if (name == listed) return true;
    return false;
}

const std::string& StartupScript() {
    static const std::string text = [] {
        std::ifstream file(ZE_STARTUP_SCRIPT, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }();
    return text;
}

class zInputBytes {
  public:
    zInputBytes(const u8* data, size_t size) : m_data(data), m_size(size) {}
    bool More() const { return m_at < m_size; }
    u32 Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    u32 Pick(size_t count) {
        u32 value = Byte() | (Byte() << 8);
        return count ? u32(value % count) : 0;
    }

  private:
    const u8* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Values the script builds itself: the declared classes, an empty CObject,
// bare and cloned instances without user data, closures, containers.
const char* const ScriptPool = R"(
return [
    null, true, false, 0, 1, -1, 2, 3, 64, 65535, 2147483647, -2147483647 - 1,
    0.0, -0.0, 0.5, -1.5, 3.0, 1e30, -1e30, 1e-40,
    "", "a", "x", "m33", "xy", "%s%d%n", "Vector", "CObject", "scriptlib/zad.nut", "..",
    {}, { a = 1, x = 2.0, name = "n", v = fuzz_vector }, [], [1, 2.0, "s", null, [0], {}],
    function(a = 0, b = 0) { return a; }, print, Vector, CObject,
    CObject(), clone fuzz_engine, Vector.instance(), Matrix4.instance(),
    MinMax(), Rect(), fuzz_engine, fuzz_scene, fuzz_item
]
)";

struct zNativeSlot {
    std::string name;
    HSQOBJECT closure;
    HSQOBJECT ownerClass; // null for a global native
};

class zApiWorld {
  public:
    explicit zApiWorld(zFuzzRound& round) : m_round(round) {
        m_ready = m_vm.Open() && RegisterScriptApi(V()) && Include("zad.nut", StartupScript());
        if (!m_ready) return;
        m_scene = zSharedPtr<zScene>(new zScene(&m_engine, &m_vm));
        zMCamera* camera = m_scene->AddCamera("camera");
        m_group = m_scene->AddGroup("group");
        PushHandle("fuzz_engine", &m_engine, ScriptKindEngine);
        PushHandle("fuzz_mixer", &m_mixer, ScriptKindMixer);
        PushHandle("fuzz_renderer", &m_renderer, ScriptKindRenderer);
        PushHandle("fuzz_scene", m_scene.Get(), ScriptKindScene);
        PushHandle("fuzz_item", camera ? static_cast<zMItem*>(camera) : nullptr, ScriptKindItem);
        PushHandle("fuzz_group", m_group, ScriptKindGroup);
        PushHandle("fuzz_picture", &m_picture, ScriptKindPicture);
        PushHandle("fuzz_metafile", &m_metafile, ScriptKindMetafile);
        PushHandle("fuzz_deleted", nullptr, ScriptKindDeleted);
        PushNumbers();
        PushValueInstances();
        m_ready = RunPoolScript();
        if (m_ready) FindNatives();
    }

    ~zApiWorld() {
        // Handles and results go with the VM, before the objects they name.
        m_pool.clear();
        m_natives.clear();
        m_vm.Close();
        m_scene = zSharedPtr<zScene>();
    }

    bool Ready() const { return m_ready && !m_natives.empty(); }

    void Call(zInputBytes& input) {
        HSQUIRRELVM v = V();
        const zNativeSlot& native = m_natives[input.Pick(m_natives.size())];
        SQInteger top = sq_gettop(v);
        sq_pushobject(v, native.closure);
        PushThis(input, native);
        u32 argumentCount = input.Byte() % (MostArguments + 1);
        for (u32 i = 0; i < argumentCount; ++i)
            sq_pushobject(v, m_pool[input.Pick(m_pool.size())]);
        if (Traced()) TraceCall(native.name, top + 2, argumentCount + 1);
        if (SQ_SUCCEEDED(sq_call(v, SQInteger(argumentCount) + 1, SQTrue, SQFalse)) && m_grown < PoolGrowth) {
            Keep(-1);
            ++m_grown;
        }
        sq_reseterror(v);
        sq_settop(v, top);
    }

  private:
    HSQUIRRELVM V() const { return m_vm.GetHandle(); }

    void TraceCall(const std::string& name, SQInteger first, u32 count) {
        std::string line = "call " + name + "(";
        for (u32 i = 0; i < count; ++i) {
            SQInteger index = first + SQInteger(i);
            line += i ? ", " : "";
            line += ScriptTypeName(sq_gettype(V(), index));
            SQInteger integer = 0;
            if (sq_gettype(V(), index) == OT_INTEGER && SQ_SUCCEEDED(sq_getinteger(V(), index, &integer)))
                line += " " + std::to_string(integer);
        }
        std::fprintf(stderr, "%s)\n", line.c_str());
    }

    bool Include(const char* name, const std::string& text) {
        return m_round.AddFile(name, text) && m_vm.Include(name);
    }

    // Takes a reference to the value at the index into the pool.
    void Keep(SQInteger index) {
        HSQOBJECT object;
        sq_resetobject(&object);
        if (SQ_FAILED(sq_getstackobj(V(), index, &object))) return;
        sq_addref(V(), &object);
        m_pool.push_back(object);
    }

    void SetGlobal(const char* name) {
        HSQUIRRELVM v = V();
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        sq_push(v, -3);
        sq_newslot(v, -3, SQFalse);
        sq_pop(v, 1);
    }

    // A handle in the pool and as a global the pool script reads.
    void PushHandle(const char* name, void* object, i32 kind) {
        if (!PushScriptObject(V(), object, kind, false)) return;
        Keep(-1);
        SetGlobal(name);
        sq_pop(V(), 1);
    }

    void PushNumbers() {
        const float floats[] = {std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max(),
                                std::numeric_limits<float>::denorm_min()};
        for (float value : floats) {
            sq_pushfloat(V(), value);
            Keep(-1);
            sq_pop(V(), 1);
        }
        const std::string longText(4096, 'A');
        sq_pushstring(V(), longText.c_str(), SQInteger(longText.size()));
        Keep(-1);
        sq_pop(V(), 1);
    }

    void PushValueInstances() {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        if (PushVectorInstance(V(), 1.0f, 2.0f, 3.0f, 1.0f)) {
            Keep(-1);
            SetGlobal("fuzz_vector");
            sq_pop(V(), 1);
        }
        const bool made[] = {
            PushVectorInstance(V(), 0.0f, 0.0f, 0.0f, 0.0f),
            PushVectorInstance(V(), nan, std::numeric_limits<float>::infinity(), -1e30f, nan),
            PushUVInstance(V(), 0.5f, -0.5f),
            PushMatrix3Instance(V(), zMatrix3()),
            PushMatrix4Instance(V(), zMatrix4()),
        };
        for (bool pushed : made) {
            if (!pushed) continue;
            Keep(-1);
            sq_pop(V(), 1);
        }
    }

    bool RunPoolScript() {
        HSQUIRRELVM v = V();
        SQInteger top = sq_gettop(v);
        bool made = SQ_SUCCEEDED(sq_compilebuffer(
            v, ScriptPool, SQInteger(std::char_traits<char>::length(ScriptPool)), "pool", SQTrue));
        if (made) {
            sq_pushroottable(v);
            made = SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse)) && sq_gettype(v, -1) == OT_ARRAY;
        }
        if (made) {
            sq_pushnull(v);
            while (SQ_SUCCEEDED(sq_next(v, -2))) {
                Keep(-1);
                sq_pop(v, 2);
            }
        }
        sq_settop(v, top);
        return made;
    }

    // The native closures of the table or class at the index, by name (the
    // walk's order follows the hashes).
    void CollectNatives(SQInteger index, const HSQOBJECT& ownerClass, std::vector<zNativeSlot>& out) {
        HSQUIRRELVM v = V();
        sq_pushnull(v);
        while (SQ_SUCCEEDED(sq_next(v, index < 0 ? index - 1 : index))) {
            const SQChar* name = nullptr;
            if (sq_gettype(v, -1) == OT_NATIVECLOSURE && SQ_SUCCEEDED(sq_getstring(v, -2, &name)) && name &&
                !Listed(DeniedNatives, name)) {
                zNativeSlot slot{name, {}, ownerClass};
                // Held: a script may replace the root table or remove slots.
                sq_getstackobj(v, -1, &slot.closure);
                sq_addref(v, &slot.closure);
                out.push_back(slot);
            }
            sq_pop(v, 2);
        }
        sq_pop(v, 1);
    }

    void FindNatives() {
        HSQUIRRELVM v = V();
        SQInteger top = sq_gettop(v);
        HSQOBJECT none;
        sq_resetobject(&none);
        sq_pushroottable(v);
        std::vector<zNativeSlot> globals;
        CollectNatives(-1, none, globals);
        std::vector<zNativeSlot> methods;
        sq_pushnull(v);
        while (SQ_SUCCEEDED(sq_next(v, -2))) {
            const SQChar* name = nullptr;
            if (sq_gettype(v, -1) == OT_CLASS && SQ_SUCCEEDED(sq_getstring(v, -2, &name)) && name &&
                !Listed(DeniedClasses, name)) {
                HSQOBJECT ownerClass;
                sq_getstackobj(v, -1, &ownerClass);
                sq_addref(v, &ownerClass);
                std::vector<zNativeSlot> ofClass;
                CollectNatives(-1, ownerClass, ofClass);
                for (zNativeSlot& slot : ofClass) {
                    slot.name = std::string(name) + "." + slot.name;
                    methods.push_back(slot);
                }
            }
            sq_pop(v, 2);
        }
        sq_settop(v, top);
        // Sorted, the same bytes pick the same natives in every run.
        auto byName = [](const zNativeSlot& a, const zNativeSlot& b) { return a.name < b.name; };
        std::sort(globals.begin(), globals.end(), byName);
        std::sort(methods.begin(), methods.end(), byName);
        m_natives = std::move(globals);
        m_natives.insert(m_natives.end(), methods.begin(), methods.end());
    }

    // A global native mostly runs with the root table as this, a method with
    // an instance of its class; either may get any value of the pool.
    void PushThis(zInputBytes& input, const zNativeSlot& native) {
        HSQUIRRELVM v = V();
        u32 choice = input.Byte();
        if (choice >= 32) {
            if (sq_type(native.ownerClass) == OT_NULL) {
                sq_pushroottable(v);
                return;
            }
            if (PushInstanceOf(native.ownerClass, choice)) return;
        }
        sq_pushobject(v, m_pool[input.Pick(m_pool.size())]);
    }

    // The choice-th instance of the class in the pool (wrapping); false when
    // the pool holds none.
    bool PushInstanceOf(const HSQOBJECT& ownerClass, u32 choice) {
        HSQUIRRELVM v = V();
        std::vector<size_t> instances;
        for (size_t i = 0; i < m_pool.size(); ++i) {
            if (sq_type(m_pool[i]) != OT_INSTANCE) continue;
            sq_pushobject(v, m_pool[i]);
            sq_getclass(v, -1);
            HSQOBJECT itsClass;
            sq_getstackobj(v, -1, &itsClass);
            if (itsClass._unVal.pClass == ownerClass._unVal.pClass) instances.push_back(i);
            sq_pop(v, 2);
        }
        if (instances.empty()) return false;
        sq_pushobject(v, m_pool[instances[choice % instances.size()]]);
        return true;
    }

    zFuzzRound& m_round;
    zEngine m_engine;
    zNull_Renderer m_renderer{&m_engine, true};
    zNull_Mixer m_mixer{&m_engine, true};
    zPicture m_picture;
    zMetafile m_metafile;
    zSquirrelVM m_vm{&m_engine};
    zSharedPtr<zScene> m_scene;
    zGroup* m_group = nullptr;
    std::vector<HSQOBJECT> m_pool;
    std::vector<zNativeSlot> m_natives;
    size_t m_grown = 0;
    bool m_ready = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    zApiWorld world(round);
    if (!world.Ready()) FuzzFail("the script API could not be set up");
    zInputBytes input(data, size);
    for (int call = 0; call < CallsPerInput && input.More(); ++call)
        world.Call(input);
    return 0;
}
