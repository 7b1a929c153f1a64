// The framework seen from scripts: core natives and their argument checks,
// constants, handle fetching with kinds, the CObject methods, the value
// functions over the start-up script's classes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/matrix.h"
#include "script/collision_table.h"
#include "script/script_api.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_object.h"
#include "script/value_classes.h"
#include "tests/script/script_fixture.h"
#include "tests/support/squirrel_error.h"

namespace {

struct EvalRow {
    const char* expression;
    const char* printed;
};

class ScriptApi : public ScriptFixture {
  public:
    void SetUp() override {
        ScriptFixture::SetUp();
        ASSERT_TRUE(RegisterCoreScriptApi(V()));
    }

    // The printed value of one expression, or the text of what it raised.
    std::string Eval(const std::string& expression) {
        log.Reset();
        std::string source = "try { print(" + expression + "); } catch (e) { print(\"error: \" + e); }";
        EXPECT_TRUE(Run(source, "eval.nut")) << expression;
        std::string text = log.Text();
        if (text.rfind("[S] ", 0) == 0) text = text.substr(4);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    // Binds an engine object handle to a root slot.
    void SetHandle(const char* name, void* object, i32 kind, bool owned = false) {
        ASSERT_TRUE(PushScriptObject(V(), object, kind, owned));
        SetRoot(name);
    }

    template <size_t Count> void ExpectEvals(const EvalRow (&rows)[Count]) {
        for (const EvalRow& row : rows)
            EXPECT_EQ(Eval(row.expression), row.printed) << row.expression;
    }

    void LoadStartupScript() {
        std::ifstream file(std::string(ZE_SCRIPTLIB) + "/zad.nut");
        std::stringstream text;
        text << file.rdbuf();
        ASSERT_TRUE(RegisterValueClasses(V()));
        ASSERT_TRUE(Run(text.str(), "zad.nut"));
    }
};

TEST_F(ScriptApi, CoreNativesAndTheirChecks) {
    const EvalRow rows[] = {
        {"Pow(2.0, 3.0)", "8"},
        {"Pow(2, 3)", "error: parameter 1 has an invalid type 'integer' ; expected: 'float'"},
        {"Mod(-7, 3)", "-1"},
        {"AbsMod(-7, 3)", "2"},
        {"AbsMod(-7, -3)", "-4"},
        {"Mod(7, 0)", "error: division by zero"},
        {"AbsMod(7, 0)", "error: division by zero"},
        {"Mod(-2147483647 - 1, -1)", "0"},
        {"AbsMod(-5, -2147483647 - 1)", "2147483643"},
        {"Mod(7.0, 2)", "error: parameter 1 has an invalid type 'float' ; expected: 'integer'"},
        {"Mod(7)", "error: wrong number of parameters"},
        {"Mod(7, 2, 1)", "error: wrong number of parameters"},
        {"ObjectIsValid(CObject())", "false"},
        {"ObjectIsValid(CObject(), 1)", "error: wrong number of parameters"},
        {"ObjectIsValid({})", "error: parameter 1 has an invalid type 'table' ; expected: 'instance'"},
        {"ObjectIsValid(blob(1))", "error: invalid type tag"},
        {"ObjectIsSame(CObject(), CObject())", "true"},
        {"FileRename(\"no such file\", \"other\")", "false"},
        {"SystemClockFrequency", "10000"},
        {"EngineTypeDeletednative", "1"},
        {"EngineTypeResourceSet", "4"},
        {"EngineTypeCollisionShape", "37"},
        {"EngineTypeEmitter", "29"},
        {"EngineTypeAnimationSource", "46"},
    };
    ExpectEvals(rows);
}

TEST_F(ScriptApi, EveryKindHasItsEngineTypeConstant) {
    std::string source = "local n = 0;\n";
    for (i32 kind = 0; kind < ScriptKindCount; ++kind) {
        source += "if (" + std::string(ScriptEngineTypeConstantName(kind).CStr()) +
                  " == " + std::to_string(kind) + ") ++n;\n";
    }
    source += "print(n);";
    ASSERT_TRUE(Run(source));
    EXPECT_EQ(log.Text(), "[S] 47\n");
}

TEST_F(ScriptApi, ValidityNativesCheckNoKind) {
    int scene = 0, item = 0;
    SetHandle("scene", &scene, ScriptKindScene);
    SetHandle("item", &item, ScriptKindItem);
    SetHandle("empty", nullptr, ScriptKindItem);
    EXPECT_EQ(Eval("ItemIsValid(scene)"), "true");
    EXPECT_EQ(Eval("WindowIsValid(item)"), "true");
    EXPECT_EQ(Eval("ObjectIsValid(empty)"), "false");
    EXPECT_EQ(Eval("ObjectIsSame(scene, item)"), "false");
    EXPECT_EQ(Eval("ObjectIsSame(empty, CObject())"), "true");
    EXPECT_EQ(vm.InvalidateScriptObjects(&item), 1u);
    EXPECT_EQ(Eval("TextureIsValid(item)"), "false");
    EXPECT_EQ(Eval("item.type()"), "1");
}

SQInteger NeedItem(HSQUIRRELVM vm) {
    void* object = nullptr;
    if (!FetchScriptObject(vm, -1, &object, ScriptKindItem)) return -1;
    if (!object) return sq_throwerror(vm, "CObject is null");
    sq_pushinteger(vm, *static_cast<int*>(object));
    return 1;
}

SQInteger KindOf(HSQUIRRELVM vm) {
    i32 kind = -1;
    bool found = GetScriptObjectKind(vm, -1, kind);
    sq_getlasterror(vm);
    bool errorSet = sq_gettype(vm, -1) != OT_NULL;
    sq_pop(vm, 1);
    sq_pushinteger(vm, found ? kind : (errorSet ? -2 : -1));
    return 1;
}

TEST_F(ScriptApi, FetchChecksTheKind) {
    ASSERT_TRUE(RegisterScriptFunction(V(), NeedItem, "NeedItem", ".x"));
    ASSERT_TRUE(RegisterScriptFunction(V(), KindOf, "KindOf", ". x|i|t"));
    int item = 42, scene = 0;
    SetHandle("item", &item, ScriptKindItem);
    SetHandle("scene", &scene, ScriptKindScene);
    SetHandle("empty", nullptr, ScriptKindItem);
    EXPECT_EQ(Eval("NeedItem(item)"), "42");
    EXPECT_EQ(Eval("NeedItem(scene)"), "error: Expected 'Item' got 'Scene'");
    EXPECT_EQ(Eval("NeedItem(empty)"), "error: CObject is null");
    EXPECT_EQ(Eval("NeedItem(CObject())"), "error: Expected 'Item' got 'Undefined'");
    vm.InvalidateScriptObjects(&item);
    EXPECT_EQ(Eval("NeedItem(item)"), "error: Expected 'Item' got 'Deleted native'");
    EXPECT_EQ(Eval("KindOf(scene)"), "9");
    EXPECT_EQ(Eval("KindOf(blob(1))"), "-1");
    EXPECT_EQ(Eval("KindOf(3)"), "-1");
    EXPECT_EQ(Eval("KindOf({})"), "-1");
}

TEST_F(ScriptApi, TypemasksWithBlanksAndAlternatives) {
    ASSERT_TRUE(RegisterScriptFunction(V(), KindOf, "Alt", ". x|i|t"));
    EXPECT_EQ(Eval("Alt(5)"), "-1");
    EXPECT_EQ(Eval("Alt(\"s\")"),
              "error: parameter 1 has an invalid type 'string' ; expected: 'integer|table|instance'");
    EXPECT_EQ(Eval("Alt()"), "error: wrong number of parameters");
}

TEST_F(ScriptApi, CObjectMethods) {
    int object = 0;
    SetHandle("a", &object, ScriptKindItem);
    SetHandle("b", &object, 25);
    const EvalRow rows[] = {
        {"typeof CObject()", "CObject"},
        {"CObject().type()", "0"},
        {"CObject().isNull()", "true"},
        {"CObject().isValid()", "false"},
        {"a.isValid()", "true"},
        {"a.isNull()", "false"},
        {"b.type()", "25"},
        {"a == b", "false"},
        // _cmp runs for ordered compares only, and answers a bool.
        {"a < b", "error: _cmp must return an integer"},
        {"a < blob(1)", "error: Invalid instance type"},
        {"a._cmp(b)", "error: the index '_cmp' does not exist"},
        {"CObject.isValid.call({})", "error: Invalid instance type"},
        {"a.isValid(1)", "error: wrong number of parameters"},
    };
    ExpectEvals(rows);
}

TEST_F(ScriptApi, AssertKillsWithCodeThreeAndDumpsTheStack) {
    ASSERT_TRUE(Run("__Assert(true, \"fine\");"));
    EXPECT_FALSE(vm.IsKilled());
    log.Reset();
    ASSERT_TRUE(Run("function Check() {\n  __Assert(1 == 2, \"one is two\");\n}\nCheck();\n"));
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillCode(), 3u);
    EXPECT_EQ(vm.GetKillReason(), "Assertion failed");
    EXPECT_EQ(vm.GetErrorSource(), "t.nut");
    EXPECT_EQ(vm.GetErrorLine(), 2);
    EXPECT_EQ(log.Text(), "[!] Killing VM with reason 'Assertion failed'.\n"
                          "[|] \n"
                          "[|] Call stack (Assertion failed 'one is two'):\n"
                          "[|]   1: Check() t.nut(2)\n"
                          "[|]   2: main() t.nut(4)\n"
                          "[|] \n");
}

TEST_F(ScriptApi, ShellExecuteLogsTheCommandAndItsOutput) {
    EXPECT_EQ(Eval("ShellExecute(\"echo\", \"hi there\")"),
              "[H] Execute command 'echo hi there'\n\nhi there\n[S] 0");
    EXPECT_EQ(Eval("ShellExecute(\"exit 3;\", \"\")"), "[H] Execute command 'exit 3; '\n\n[S] 3");
    EXPECT_EQ(Eval("ShellExecute(\"echo\")"), "error: wrong number of parameters");
}

TEST_F(ScriptApi, FileRenameMovesAFile) {
    std::string from =
        (std::filesystem::temp_directory_path() / ("ze_rename_" + std::to_string(getpid()))).string();
    std::string to = from + "_done";
    std::ofstream(from) << "x";
    EXPECT_EQ(Eval("FileRename(\"" + from + "\", \"" + to + "\")"), "true");
    EXPECT_TRUE(std::filesystem::exists(to));
    EXPECT_FALSE(std::filesystem::exists(from));
    std::filesystem::remove(to);
}

TEST_F(ScriptApi, ValueFunctionsOverTheStartupScript) {
    LoadStartupScript();
    ASSERT_TRUE(PushVectorValue(V(), 1.5f, 2, 3, 4));
    SetRoot("v");
    zMinMax bounds(zVector(-1, -2, -3), zVector(4, 5, 6));
    ASSERT_TRUE(PushMinMaxValue(V(), bounds));
    SetRoot("mm");
    ASSERT_TRUE(PushRectValue(V(), 10, -20, 30, 40));
    SetRoot("r");
    EXPECT_EQ(Eval("v.x + \" \" + v.y + \" \" + v.z + \" \" + v.w"), "1.5 2 3 4");
    EXPECT_EQ(Eval("mm.min.x + \" \" + mm.min.y + \" \" + mm.min.z + \" \" + mm.max.x + \" \" + mm.max.z"),
              "-1 -2 -3 4 6");
    EXPECT_EQ(Eval("typeof r.sx + \" \" + r.sx + \" \" + r.sy + \" \" + r.ex + \" \" + r.ey"),
              "float 10 -20 30 40");

    ASSERT_TRUE(Run("r.sx = -1.7; r.sy = 2; r.ex = 1e30; r.ey = -1e30;"));
    sq_pushroottable(V());
    sq_pushstring(V(), "r", -1);
    sq_get(V(), -2);
    i32 rect[4] = {};
    EXPECT_TRUE(GetRectArgument(V(), -1, rect));
    EXPECT_EQ(rect[0], -1);
    EXPECT_EQ(rect[1], 2);
    EXPECT_EQ(rect[2], 2147483647);
    EXPECT_EQ(rect[3], -2147483647 - 1);
    sq_pop(V(), 2);

    ASSERT_TRUE(Run("r.sy = \"text\";"));
    log.Reset();
    sq_pushroottable(V());
    sq_pushstring(V(), "r", -1);
    sq_get(V(), -2);
    EXPECT_FALSE(GetRectArgument(V(), -1, rect));
    sq_pop(V(), 2);
    EXPECT_EQ(log.Text(), "[|] \n[|] Call stack (Binding error: Rect member 'sy' is not a number.):\n[|] \n");
}

// A Vector class that keeps its components behind _set, as the native one does.
TEST_F(ScriptApi, VectorValuesAreSetThroughTheInstancesSet) {
    ASSERT_TRUE(Run("class Vector { store = null; constructor() { store = {}; }\n"
                    "  function _set(key, value) { store[key] <- value * 2; return value; }\n"
                    "  function _get(key) { if (key in store) return store[key]; throw null; } }\n",
                    "vector.nut"));
    ASSERT_TRUE(PushVectorValue(V(), 1, 2, 3, 4));
    SetRoot("v");
    EXPECT_EQ(Eval("v.x + \" \" + v.y + \" \" + v.z + \" \" + v.w"), "2 4 6 8");
}

TEST_F(ScriptApi, CollisionTableHoldsOneVectorPerPoint) {
    ASSERT_TRUE(RegisterValueClasses(V()));
    const zVector positions[2] = {zVector(1, 2, 3), zVector(-4, 5.5f, 6)};
    const zVector normals[2] = {zVector(0, 1, 0), zVector(0, -1, 0)};
    const SQInteger top = sq_gettop(V());
    ASSERT_TRUE(ScriptNewCollisionTable(V(), 2, positions, normals));
    EXPECT_EQ(sq_gettop(V()), top + 1);
    SetRoot("c");
    const EvalRow rows[] = {
        {"c.count + \" \" + c.p.len() + \" \" + c.n.len()", "2 2 2"},
        {"c.p[1].x + \" \" + c.p[1].y + \" \" + c.p[1].z + \" \" + c.p[1].w", "-4 5.5 6 1"},
        {"c.n[0].y + \" \" + c.n[1].y + \" \" + (c.p[0] instanceof Vector)", "1 -1 true"},
    };
    ExpectEvals(rows);
    ASSERT_TRUE(ScriptNewCollisionTable(V(), 0, nullptr, nullptr));
    SetRoot("empty");
    EXPECT_EQ(Eval("empty.count + \" \" + empty.p.len() + \" \" + empty.n.len()"), "0 0 0");
}

TEST_F(ScriptApi, CollisionTableWithoutVectorLeavesTheStack) {
    const zVector points[1] = {zVector(1, 2, 3)};
    const SQInteger top = sq_gettop(V());
    EXPECT_FALSE(ScriptNewCollisionTable(V(), 1, points, points));
    EXPECT_EQ(sq_gettop(V()), top);
    EXPECT_NE(log.Text().find("Class 'Vector' is not declared."), std::string::npos);
    EXPECT_FALSE(ScriptNewCollisionTable(V(), 1, nullptr, nullptr));
    EXPECT_EQ(sq_gettop(V()), top);
}

TEST_F(ScriptApi, ValueFunctionsReportMissingClasses) {
    SQInteger top = sq_gettop(V());
    EXPECT_FALSE(ScriptNewInstanceOf(V(), "Nope", false));
    EXPECT_EQ(sq_gettop(V()), top);
    EXPECT_EQ(log.Text(), "[|] \n[|] Call stack (Binding error: Class 'Nope' is not declared.):\n[|] \n");
    log.Reset();
    EXPECT_FALSE(PushRectValue(V(), 1, 2, 3, 4));
    EXPECT_NE(log.Text().find("Call stack (Binding error: Failed to create Rect instance.):"),
              std::string::npos);
}

TEST_F(ScriptApi, VectorAndUVInstancesCarryTheirFloats) {
    ASSERT_TRUE(RegisterScriptClass(V(), &g_VectorClass));
    ASSERT_TRUE(RegisterScriptClass(V(), &g_UVClass));
    ASSERT_TRUE(PushVector(V(), 1, 2, 3, 4));
    ASSERT_TRUE(PushUVInstance(V(), 0.25f, 0.75f));
    float vector[4] = {};
    float uv[2] = {};
    EXPECT_TRUE(GetVectorArgument(V(), -2, vector));
    EXPECT_EQ(vector[3], 4.0f);
    EXPECT_EQ(vector[0], 1.0f);
    EXPECT_TRUE(GetUVArgument(V(), -1, uv));
    EXPECT_EQ(uv[1], 0.75f);
    EXPECT_FALSE(GetVectorArgument(V(), -1, vector));
    EXPECT_EQ(SquirrelLastError(V()), "invalid type tag");
    sq_pop(V(), 2);
}

// A new value is made from whatever class the root slot of its name holds.
TEST_F(ScriptApi, NewValuesFollowTheRootSlotOfTheirClassName) {
    ASSERT_TRUE(RegisterValueClasses(V()));
    SQInteger top = sq_gettop(V());
    float vector[4] = {};
    ASSERT_TRUE(PushVectorInstance(V(), 1, 2, 3, 4));
    EXPECT_TRUE(GetVectorArgument(V(), -1, vector));
    EXPECT_EQ(vector[2], 3.0f);
    sq_pop(V(), 1);
    ASSERT_TRUE(Run("::Vector = class { function Kind() { return \"replaced\"; } };", "replace.nut"));
    ASSERT_TRUE(PushVectorInstance(V(), 1, 2, 3, 4));
    EXPECT_FALSE(GetVectorArgument(V(), -1, vector));
    EXPECT_EQ(SquirrelLastError(V()), "invalid type tag");
    sq_pop(V(), 1);
    ASSERT_TRUE(Run("delete ::Vector;", "delete.nut"));
    EXPECT_FALSE(PushVectorInstance(V(), 1, 2, 3, 4));
    EXPECT_EQ(sq_gettop(V()), top);
    ASSERT_TRUE(PushUVInstance(V(), 0.5f, 0.25f));
    float uv[2] = {};
    EXPECT_TRUE(GetUVArgument(V(), -1, uv));
    EXPECT_EQ(uv[1], 0.25f);
    sq_pop(V(), 1);
}

// A VM opened after another closed has no value classes until it registers
// its own, and each VM's values carry their floats.
TEST(ValueClassesAcrossVms, AClosedVmLeavesNothingBehind) {
    for (int round = 0; round < 3; ++round) {
        HSQUIRRELVM vm = sq_open(1024);
        SQInteger top = sq_gettop(vm);
        EXPECT_FALSE(PushVectorInstance(vm, 1, 2, 3, 4));
        EXPECT_EQ(sq_gettop(vm), top);
        ASSERT_TRUE(RegisterValueClasses(vm));
        ASSERT_TRUE(PushMatrix4Instance(vm, zMatrix4()));
        ASSERT_TRUE(PushVectorInstance(vm, 1, 2, 3, float(round)));
        float vector[4] = {};
        EXPECT_TRUE(GetVectorArgument(vm, -1, vector));
        EXPECT_EQ(vector[3], float(round));
        sq_close(vm);
    }
}

} // namespace

namespace {

SQInteger ReturnCount(HSQUIRRELVM vm) {
    sq_pushinteger(vm, sq_gettop(vm));
    return 1;
}

// Calls its closure argument with errors raised.
SQInteger CallIt(HSQUIRRELVM vm) {
    sq_push(vm, 2);
    sq_pushroottable(vm);
    if (SQ_FAILED(sq_call(vm, 1, SQFalse, SQTrue))) return -1;
    return 0;
}

const ScriptMethodEntry ProbeMethods[] = {
    {"Exact", ReturnCount, 2, ".n"},      {"AtLeast", ReturnCount, -2, ".n"},
    {"Untyped", ReturnCount, 3, nullptr}, {"Short", ReturnCount, 3, "xs|n"},
    {"CallIt", CallIt, 2, ".c"},          {nullptr, nullptr, 0, nullptr},
};
const ScriptClassDescriptor ProbeClass = {"Probe", nullptr, ProbeMethods};
const ScriptMethodEntry NoMethods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptClassDescriptor ProbeChild = {"ProbeChild", "Probe", NoMethods};

TEST_F(ScriptApi, ClassMethodsCheckTheirCountsAndMasks) {
    ASSERT_TRUE(RegisterScriptClass(V(), &ProbeClass));
    ASSERT_TRUE(RegisterScriptClass(V(), &ProbeChild));
    ASSERT_TRUE(Run("p <- Probe(); c <- ProbeChild();"));
    const EvalRow rows[] = {
        {"p.Exact(1)", "2"},
        {"p.Exact(1.5)", "2"},
        {"p.Exact()", "error: wrong number of parameters"},
        {"p.Exact(1, 2)", "error: wrong number of parameters"},
        {"p.Exact(\"s\")", "error: parameter 1 has an invalid type 'string' ; expected: 'integer|float'"},
        {"p.AtLeast(1, \"anything\", null)", "4"},
        {"p.AtLeast()", "error: wrong number of parameters"},
        {"p.Untyped(null, {})", "3"},
        {"p.Short(\"x\", [])", "3"},
        {"p.Short(true, 1)",
         "error: parameter 1 has an invalid type 'bool' ; expected: 'integer|float|string'"},
        {"c.Exact(1)", "2"},
        {"c instanceof Probe", "true"},
    };
    ExpectEvals(rows);

    // The base class's tag accepts instances of derived classes.
    SquirrelObject root(V());
    sq_pushroottable(V());
    root.SetFromStack(-1);
    sq_pop(V(), 1);
    auto* tag = const_cast<ScriptClassDescriptor*>(&ProbeClass);
    EXPECT_TRUE(root.GetValue("c").SetInstanceUserPointer(&root));
    EXPECT_EQ(root.GetValue("c").GetInstanceUserPointer(tag), &root);
    EXPECT_EQ(root.GetValue("c").GetInstanceUserPointer(const_cast<ScriptClassDescriptor*>(&g_CObjectClass)),
              nullptr);
}

// Methods added later reach instances made before them; a name the class
// has already, or a class that does not exist, is refused.
TEST_F(ScriptApi, ClassesTakeMethodsAfterTheirInstances) {
    ASSERT_TRUE(RegisterScriptClass(V(), &ProbeClass));
    ASSERT_TRUE(Run("p <- Probe();"));
    const ScriptMethodEntry later[] = {{"Later", ReturnCount, -1, "."}, {nullptr, nullptr, 0, nullptr}};
    ASSERT_TRUE(AddScriptClassMethods(V(), "Probe", later));
    const EvalRow rows[] = {
        {"p.Later(1, 2)", "3"},
        {"Probe().Later()", "1"},
    };
    ExpectEvals(rows);

    const SQInteger top = sq_gettop(V());
    const ScriptMethodEntry again[] = {
        {"Fresh", ReturnCount, 1, "."}, {"Exact", ReturnCount, 1, "."}, {nullptr, nullptr, 0, nullptr}};
    EXPECT_FALSE(AddScriptClassMethods(V(), "Probe", again));
    EXPECT_FALSE(AddScriptClassMethods(V(), "Nothing", later));
    const ScriptMethodEntry badMask[] = {{"Bad", ReturnCount, 2, ".q"}, {nullptr, nullptr, 0, nullptr}};
    EXPECT_FALSE(AddScriptClassMethods(V(), "Probe", badMask));
    EXPECT_EQ(sq_gettop(V()), top);
    const EvalRow after[] = {
        {"p.Exact(1)", "2"}, // the first method of that name stays
        {"p.Fresh()", "1"},  // rows before the refused one stay
    };
    ExpectEvals(after);
}

TEST_F(ScriptApi, NativeMethodsShowTheirNamesInTheCallStack) {
    ASSERT_TRUE(RegisterScriptClass(V(), &ProbeClass));
    EXPECT_FALSE(Run("local p = Probe();\np.CallIt(function() {\n  throw \"deep\";\n});\n"));
    // The native's failure raises the error once more in main, which reports
    // it again without a second kill.
    EXPECT_EQ(log.Text(), "[|] Exception: deep\n"
                          "[|] \n"
                          "[|] Call stack (CS):\n"
                          "[|]   1: NOINFO\n"
                          "[|]   2: CallIt() C/C++\n"
                          "[|]   3: main() t.nut(2)\n"
                          "[|] \n"
                          "[!] Killing VM with reason 'deep'.\n"
                          "[|] Exception: deep\n"
                          "[|] \n"
                          "[|] Call stack (CS):\n"
                          "[|]   1: main() t.nut(2)\n"
                          "[|] \n");
}

TEST(ScriptTypeNames, OneNamePerSquirrelType) {
    const struct {
        SQObjectType type;
        const char* name;
    } rows[] = {
        {OT_NULL, "Null"},
        {OT_INTEGER, "Integer"},
        {OT_FLOAT, "Float"},
        {OT_BOOL, "Boolean"},
        {OT_STRING, "String"},
        {OT_TABLE, "Table"},
        {OT_ARRAY, "Array"},
        {OT_USERDATA, "UserData"},
        {OT_CLOSURE, "Closure"},
        {OT_NATIVECLOSURE, "NativeClosure"},
        {OT_GENERATOR, "Generator"},
        {OT_USERPOINTER, "UserPointer"},
        {OT_THREAD, "Thread"},
        {OT_FUNCPROTO, "FuncProto"},
        {OT_CLASS, "Class"},
        {OT_INSTANCE, "Instance"},
        {OT_WEAKREF, "WeakRef"},
        {OT_OUTER, "Unknown"},
        {(SQObjectType)0, "Unknown"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(ScriptTypeName(row.type), row.name) << std::hex << (unsigned)row.type;
}

} // namespace
