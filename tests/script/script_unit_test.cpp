#include "script/script_unit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "script/script_dispatch.h"
#include "tests/script/script_fixture.h"

namespace {

// A scene class that prints every event with its arguments; speed is the
// declared member parameters set.
const char* const TracerScript = R"(
class Tracer {
    speed = 1
    label = "none"
    constructor() { print("constructor speed=" + speed) }
    function OnPreSetup(owner) { print("OnPreSetup " + owner.type()) }
    function OnSetup(owner) { print("OnSetup speed=" + speed + " label=" + label) }
    function OnSetupDone(owner) { print("OnSetupDone") }
    function OnReset(owner) { print("OnReset") }
    function OnRenderDone(owner) { print("OnRenderDone") }
    function OnRenderUI(owner) { print("OnRenderUI") }
    function OnPhysicStep(owner, flag) { print("OnPhysicStep " + flag) }
    function OnUpdate(owner) { print("OnUpdate") }
    function OnDelete(owner) { print("OnDelete") }
}
class Quiet {
    function OnSetup(owner) { print("Quiet.OnSetup") }
}
)";

const char* const ItemScript = R"(
class Mover {
    function OnSetup(item) { print("OnSetup " + item.type()) }
    function OnActivate(item, active) { print("OnActivate " + active) }
    function OnItemEnter(trigger, item) { print("OnItemEnter " + trigger.type() + " " + item.type()) }
    function OnTrigger(item, trigger) { print("OnTrigger " + trigger.type()) }
    function OnLogicUpdate(item, period) { print("OnLogicUpdate " + period) }
    function OnCollisionEx(item, other, contact, flag) { print("OnCollisionEx " + other.type() + " " + contact.x + " " + flag) }
    function OnCollision(item, other) { print("OnCollision " + other.type()) }
    function OnPhysicSleepStep(item) { print("OnPhysicSleepStep") }
}
)";

class ScriptUnitTest : public ScriptFixture {
  public:
    template <typename Unit> Unit* AddUnit(zScriptUnitList& units, const char* script, const char* className,
                                           u32 ownerKind = zScriptUnit::OwnerScene) {
        auto unit = std::make_unique<Unit>(&vm);
        unit->SetScriptPath(script);
        unit->SetClassName(className);
        unit->SetOwner(&owner, ownerKind);
        Unit* raw = unit.get();
        units.Add(std::move(unit));
        return raw;
    }

    int owner = 0;
};

zScriptUnitList* g_units = nullptr;

// A native that empties the dispatched list, freeing every unit.
SQInteger ClearUnits(HSQUIRRELVM) {
    if (g_units) g_units->Clear();
    return 0;
}

} // namespace

TEST_F(ScriptUnitTest, SetupAppliesParametersAfterTheConstructor) {
    WriteScript("tracer.nut", TracerScript);
    zScriptUnitList units;
    zSceneScriptUnit* unit = AddUnit<zSceneScriptUnit>(units, "tracer.nut", "Tracer");
    EXPECT_TRUE(unit->AddParameter("speed", zVariant("", 5)));
    EXPECT_TRUE(unit->AddParameter("label", zVariant("", "fast")));
    EXPECT_TRUE(unit->AddParameter("undeclared", zVariant("", 2.5f)));
    zVariant list;
    list.SetList();
    EXPECT_FALSE(unit->AddParameter("list", list));
    zSceneScriptEventDispatcher& dispatcher = zSceneScriptEventDispatcher::GetShared();
    dispatcher.OnSetup(units);
    EXPECT_TRUE(unit->HasInstance());
    EXPECT_EQ(log.Text(), "[S] constructor speed=1\n[S] OnSetup speed=5 label=fast\n");
    EXPECT_FALSE(vm.IsKilled());

    // A second OnSetup finds the unit set up and runs nothing.
    log.Reset();
    dispatcher.OnSetup(units);
    EXPECT_EQ(log.Text(), "");

    dispatcher.OnPreSetup(units);
    dispatcher.OnSetupDone(units);
    dispatcher.OnReset(units);
    dispatcher.OnRenderDone(units);
    dispatcher.OnRenderUI(units);
    dispatcher.OnPhysicStep(units, true);
    dispatcher.OnUpdate(units);
    dispatcher.OnDelete(units);
    EXPECT_EQ(log.Text(), "[S] OnPreSetup 9\n[S] OnSetupDone\n[S] OnReset\n[S] OnRenderDone\n[S] OnRenderUI\n"
                          "[S] OnPhysicStep true\n[S] OnUpdate\n[S] OnDelete\n");

    // Unloaded: no event reaches the unit until it is set up again.
    unit->Unload();
    log.Reset();
    dispatcher.OnUpdate(units);
    dispatcher.OnReset(units);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(ScriptUnitTest, CachedSlotsSkipClassesWithoutTheMethod) {
    WriteScript("tracer.nut", TracerScript);
    zScriptUnitList units;
    AddUnit<zSceneScriptUnit>(units, "tracer.nut", "Quiet");
    AddUnit<zSceneScriptUnit>(units, "tracer.nut", "Tracer");
    zSceneScriptEventDispatcher& dispatcher = zSceneScriptEventDispatcher::GetShared();
    dispatcher.OnSetup(units);
    log.Reset();
    dispatcher.OnUpdate(units);
    dispatcher.OnReset(units);
    EXPECT_EQ(log.Text(), "[S] OnUpdate\n[S] OnReset\n");
    EXPECT_FALSE(vm.IsKilled());
}

TEST_F(ScriptUnitTest, EmptyClassNameSetsUpAndNeverReceivesAnEvent) {
    WriteScript("tracer.nut", TracerScript);
    for (const char* script : {"", "tracer.nut"}) {
        zScriptUnitList units;
        zSceneScriptUnit* unit = AddUnit<zSceneScriptUnit>(units, script, script[0] ? "" : "Tracer");
        EXPECT_TRUE(unit->Setup());
        EXPECT_FALSE(unit->HasInstance());
        zSceneScriptEventDispatcher::GetShared().OnSetup(units);
        zSceneScriptEventDispatcher::GetShared().OnUpdate(units);
        zSceneScriptEventDispatcher::GetShared().OnDelete(units);
    }
    EXPECT_EQ(log.Text(), "");
}

TEST_F(ScriptUnitTest, MissingScriptFailsAndMissingClassKillsTheVM) {
    zScriptUnitList units;
    zSceneScriptUnit* missingFile = AddUnit<zSceneScriptUnit>(units, "gone.nut", "Tracer");
    EXPECT_FALSE(missingFile->Setup());
    EXPECT_FALSE(vm.IsKilled());

    WriteScript("tracer.nut", TracerScript);
    zSceneScriptUnit* missingClass = AddUnit<zSceneScriptUnit>(units, "tracer.nut", "Nope");
    EXPECT_FALSE(missingClass->Setup());
    EXPECT_NE(log.Text().find("[!] Killing VM with reason 'Nope'.\n"), std::string::npos) << log.Text();
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillCode(), 2u);
    EXPECT_EQ(vm.GetKillReason(), "Nope");
    EXPECT_FALSE(missingClass->HasInstance());
}

TEST_F(ScriptUnitTest, DelaySkipsUpdatesUntilItRunsOut) {
    WriteScript("tracer.nut", TracerScript);
    zEngine engine;
    engine.SetFixedStep(10000);
    zSquirrelVM timed(&engine);
    ASSERT_TRUE(timed.Open());
    zScriptUnitList units;
    auto unit = std::make_unique<zSceneScriptUnit>(&timed);
    unit->SetScriptPath("tracer.nut");
    unit->SetClassName("Tracer");
    zSceneScriptUnit* scene = unit.get();
    units.Add(std::move(unit));
    zSceneScriptEventDispatcher::GetShared().OnSetup(units);
    EXPECT_EQ(scene->GetDelay(), 0);
    scene->SetDelay(25000);
    engine.ResetClock();
    const i32 delays[] = {15000, 5000, -5000, -5000};
    for (int frame = 0; frame < 4; ++frame) {
        engine.StepClock();
        ASSERT_EQ(engine.GetFrameTime(), 10000);
        log.Reset();
        zSceneScriptEventDispatcher::GetShared().OnUpdate(units);
        EXPECT_EQ(scene->GetDelay(), delays[frame]) << frame;
        EXPECT_EQ(log.Text(), frame < 3 ? "" : "[S] OnUpdate\n") << frame;
    }
    units.Clear();
    timed.Close();
}

TEST_F(ScriptUnitTest, ItemEventsPassTheirArgumentsInOrder) {
    WriteScript("mover.nut", ItemScript);
    zScriptUnitList units;
    AddUnit<zManagerScriptUnit>(units, "mover.nut", "Mover", zScriptUnit::OwnerManagedItem);
    zItemScriptEventDispatcher& dispatcher = zItemScriptEventDispatcher::GetShared();
    dispatcher.OnSetup(units);
    int other = 0;
    ASSERT_TRUE(Run("contact <- { x = 7 }", "contact.nut"));
    std::unique_ptr<zScriptObject> contact = vm.GetMember("contact", nullptr);
    ASSERT_NE(contact, nullptr);
    dispatcher.OnActivate(units, false);
    dispatcher.OnItemEnter(units, &other);
    dispatcher.OnTrigger(units, &other);
    dispatcher.OnLogicUpdate(units, 0.5f);
    dispatcher.OnCollisionEx(units, &other, contact.get());
    dispatcher.OnCollision(units, &other);
    dispatcher.OnPhysicSleepStep(units);
    dispatcher.OnUpdate(units); // the class has no OnUpdate
    EXPECT_EQ(log.Text(), "[S] OnSetup 24\n[S] OnActivate false\n[S] OnItemEnter 24 24\n[S] OnTrigger 24\n"
                          "[S] OnLogicUpdate 0.5\n[S] OnCollisionEx 24 7 true\n[S] OnCollision 24\n"
                          "[S] OnPhysicSleepStep\n");
    EXPECT_FALSE(vm.IsKilled());
}

TEST_F(ScriptUnitTest, UnitsFreedByTheirOwnCallbackEndTheWalkSafely) {
    WriteScript("clear.nut", R"(
class Clearer {
    function OnReset(owner) { print("reset"); ClearUnits(); print("still running") }
    function OnUpdate(owner) { print("update"); ClearUnits() }
}
)");
    AddNative("ClearUnits", &ClearUnits);
    zScriptUnitList units;
    for (int i = 0; i < 3; ++i)
        AddUnit<zSceneScriptUnit>(units, "clear.nut", "Clearer");
    g_units = &units;
    zSceneScriptEventDispatcher::GetShared().OnSetup(units);
    zSceneScriptEventDispatcher::GetShared().OnReset(units);
    EXPECT_EQ(units.GetCount(), 0u);
    EXPECT_EQ(log.Text(), "[S] reset\n[S] still running\n");
    for (int i = 0; i < 3; ++i)
        AddUnit<zSceneScriptUnit>(units, "clear.nut", "Clearer");
    zSceneScriptEventDispatcher::GetShared().OnSetup(units);
    log.Reset();
    zSceneScriptEventDispatcher::GetShared().OnUpdate(units);
    EXPECT_EQ(log.Text(), "[S] update\n");
    g_units = nullptr;
    EXPECT_FALSE(vm.IsKilled());
}

namespace {

std::unique_ptr<zScriptUnitList> g_ownedUnits;

// A native that frees the dispatched list itself, as deleting its owner does.
SQInteger FreeUnitList(HSQUIRRELVM) {
    g_ownedUnits.reset();
    return 0;
}

} // namespace

// The owner of the units deleted from inside one of its own events: the walk
// ends with the call that freed the list (it read the freed list before).
TEST_F(ScriptUnitTest, AListFreedByItsOwnCallbackEndsTheWalk) {
    WriteScript("free.nut", R"(
class Freer {
    function OnUpdate(owner) { print("update"); FreeUnitList(); print("after") }
}
)");
    AddNative("FreeUnitList", &FreeUnitList);
    g_ownedUnits = std::make_unique<zScriptUnitList>();
    for (int i = 0; i < 3; ++i)
        AddUnit<zSceneScriptUnit>(*g_ownedUnits, "free.nut", "Freer");
    zSceneScriptEventDispatcher::GetShared().OnSetup(*g_ownedUnits);
    log.Reset();
    zSceneScriptEventDispatcher::GetShared().OnUpdate(*g_ownedUnits);
    EXPECT_EQ(g_ownedUnits, nullptr);
    EXPECT_EQ(log.Text(), "[S] update\n[S] after\n");
    EXPECT_FALSE(vm.IsKilled());
}

namespace {

std::unique_ptr<zMetaTag> ParseFirstRoot(const std::string& text, zMetafile& doc) {
    if (!ParseMetafile(text.data(), text.size(), doc)) return nullptr;
    zLinkedListIterator iterator{};
    zMetaTag* root = doc.GetNextRoot(iterator);
    if (!root) return nullptr;
    doc.DetachRoot(root);
    return std::unique_ptr<zMetaTag>(root);
}

} // namespace

TEST(ScriptUnitTag, ReaderTable) {
    struct Case {
        const char* name;
        std::string text;
        bool parses;
        const char* log;
        u32 parameters;
    };
    const Case cases[] = {
        {"full",
         "<ScriptUnit=<Script=\"a.nut\"><Class=\"A\"><ParmList=<Parm=<Id=\"speed\"><Value=2.5>>"
         "<Parm=<Id=\"on\"><Value=True>><Parm=<Id=\"n\"><Value=3>><Parm=<Id=\"s\"><Value=\"x\">>>>",
         true, "", 4},
        {"missing id", "<ScriptUnit=<ParmList=<Parm=<Value=1>>>>", true,
         "[*] Incomplete script parameter declaration ignored.\n", 0},
        {"missing value", "<ScriptUnit=<ParmList=<Parm=<Id=\"a\">>>>", true,
         "[*] Incomplete script parameter declaration ignored.\n", 0},
        {"value without a value", "<ScriptUnit=<ParmList=<Parm=<Id=\"blob\"><Value>>>>", true,
         "[*] parameter 'blob' type is invalid.\n", 0},
        {"unknown child", "<ScriptUnit=<Colour=1><Class=\"A\">>", true, "[*] Unknown tag 'Colour' in <ScriptUnit>.\n",
         0},
        {"wrong root", "<Unit=<Class=\"A\">>", false,
         "[!] Could not parse script unit. Root tag id is incorrect (Unit).\n", 0},
    };
    for (const Case& c : cases) {
        zMetafile doc;
        std::unique_ptr<zMetaTag> root = ParseFirstRoot("<ZML=1.0>\n" + c.text + "\n", doc);
        ASSERT_NE(root, nullptr) << c.name;
        zScriptUnit unit(nullptr);
        LogCapture log;
        EXPECT_EQ(unit.Parse(&doc, root.get()), c.parses) << c.name;
        EXPECT_EQ(log.Text(), c.log) << c.name;
        EXPECT_EQ(unit.GetParameterCount(), c.parameters) << c.name;
    }
}

TEST(ScriptUnitTag, ListValueIsRefusedAndReadingKeepsEarlierParameters) {
    zMetaTag root("ScriptUnit");
    root.AddChild(new zMetaTag("Script", "a.nut"));
    zMetaTag* list = root.AddChild(new zMetaTag("ParmList"));
    zMetaTag* parm = list->AddChild(new zMetaTag("Parm"));
    parm->AddChild(new zMetaTag("Id", "items"));
    zMetaTag* value = parm->AddChild(new zMetaTag("Value"));
    value->GetValue().SetList();
    zMetaTag* binary = list->AddChild(new zMetaTag("Parm"));
    binary->AddChild(new zMetaTag("Id", "bytes"));
    const u8 bytes[] = {1, 2, 3};
    binary->AddChild(new zMetaTag("Value", bytes, 3));
    zScriptUnit unit(nullptr);
    unit.SetClassName("Old");
    unit.AddParameter("kept", zVariant("", 1));
    LogCapture log;
    EXPECT_TRUE(unit.Parse(nullptr, &root));
    EXPECT_EQ(log.Text(), "[*] parameter 'items' type is invalid.\n[*] parameter 'bytes' type is invalid.\n");
    EXPECT_EQ(unit.GetParameterCount(), 1u);
    EXPECT_EQ(unit.GetScriptPath(), "a.nut");
    EXPECT_TRUE(unit.GetClassName().IsEmpty()) << "reading empties the class name";
}

TEST(ScriptUnitTag, WriterOutputReadsBackEqual) {
    zScriptUnit unit(nullptr);
    unit.SetScriptPath("scripts/a.nut");
    unit.SetClassName("Walker");
    unit.AddParameter("speed", zVariant("", 2.5f));
    unit.AddParameter("count", zVariant("", 3));
    unit.AddParameter("name", zVariant("", "bob"));
    zVariant flag;
    flag.SetBool(true);
    unit.AddParameter("on", flag);

    zMetaTag parent("ScriptedObject");
    zMetaTag* tag = unit.Serialize(&parent);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(parent.GetChildCount(), 1u);
    zMetafile doc;
    doc.AddRoot(tag->Clone(true));
    std::string text;
    ASSERT_TRUE(SerializeMetafile(doc, text));

    zMetafile again;
    std::unique_ptr<zMetaTag> root = ParseFirstRoot(text, again);
    ASSERT_NE(root, nullptr) << text;
    zScriptUnit read(nullptr);
    ASSERT_TRUE(read.Parse(&again, root.get()));
    EXPECT_EQ(read.GetScriptPath(), "scripts/a.nut");
    EXPECT_EQ(read.GetClassName(), "Walker");
    ASSERT_EQ(read.GetParameterCount(), 4u);
    for (u32 i = 0; i < 4; ++i) {
        EXPECT_EQ(read.GetParameter(i)->GetName(), unit.GetParameter(i)->GetName()) << i;
        EXPECT_TRUE(*read.GetParameter(i) == *unit.GetParameter(i)) << i;
    }

    // An empty unit writes the bare tag.
    zScriptUnit empty(nullptr);
    std::unique_ptr<zMetaTag> bare(empty.Serialize(nullptr));
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetChildCount(), 0u);
}
