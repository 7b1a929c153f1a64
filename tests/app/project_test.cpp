#include <fstream>
#include <string>

#include "app/project.h"
#include "app_fixture.h"
#include "engine/resource_cache.h"
#include "markup/reader.h"
#include "markup/script_value.h"
#include "markup/writer.h"

namespace {

using ProjectTest = AppTest;

std::vector<std::string> Paths(const zList<zString>& list) {
    std::vector<std::string> paths;
    for (auto* node = list.GetHead(); node; node = node->next)
        paths.push_back(Text(node->value));
    return paths;
}

// Scripts are found by the VM on the disk, through the search paths.
void WriteDiskFile(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The global's value as text, or "<none>".
std::string Global(zSquirrelVM& vm, const char* name) {
    zScriptValue value;
    if (!vm.GetValue(name, value, nullptr)) return "<none>";
    const zVariant& variant = value.GetVariant();
    switch (variant.GetType()) {
    case VariantBool: {
        bool flag = false;
        variant.GetBool(flag);
        return flag ? "true" : "false";
    }
    case VariantInt: {
        i32 number = 0;
        variant.GetInt(number);
        return "int " + std::to_string(number);
    }
    case VariantFloat: {
        f32 number = 0.0f;
        variant.GetFloat(number);
        return "float " + std::to_string(number);
    }
    case VariantString: {
        const char* text = nullptr;
        variant.GetString(text);
        return std::string("string ") + (text ? text : "");
    }
    default:
        return value.GetObject() ? "object" : "other";
    }
}

TEST_F(ProjectTest, DefaultsOfANewProject) {
    zEngine engine;
    zProject project(&engine);
    EXPECT_EQ(Text(project.name), "New Project");
    EXPECT_EQ(Text(project.authors), "Authors");
    EXPECT_EQ(Text(project.description), "New project");
    EXPECT_EQ(Text(project.copyright), "Empty Notice");
    EXPECT_EQ(Text(project.fileName), "");
    EXPECT_EQ(project.flags, 0u);
    EXPECT_FALSE(project.GetVM().IsOpen());
}

TEST_F(ProjectTest, EnvironmentReader) {
    PutMemoryFile("p.zgp",
                  "<ZML=1.0>\n<Environment=<Name=\"P\"><Authors=\"A\"><Description=\"D\"><Copyright=\"C\">"
                  "<Include=<URI=\"a.nut\"><Other=\"x\"><URI=\"b.nut\">>"
                  "<SearchPaths=<Path=\"one\"><Path=2><Dir=\"two\">>"
                  "<ScriptUnit=<Script=\"p.nut\"><Class=\"P\">><Unknown=1>>\n");
    zEngine engine;
    zProject project(&engine);
    project.includes.Add(zString("old.nut"));
    ASSERT_TRUE(project.LoadFromFile("p.zgp"));
    EXPECT_EQ(log.Text(), "Parsing ZML environment...\n");
    EXPECT_EQ(Text(project.name), "P");
    EXPECT_EQ(Text(project.authors), "A");
    EXPECT_EQ(Text(project.description), "D");
    EXPECT_EQ(Text(project.copyright), "C");
    EXPECT_EQ(Paths(project.includes), (std::vector<std::string>{"a.nut", "b.nut"}));
    EXPECT_EQ(Paths(project.searchPaths), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(Text(project.fileName), "p.zgp");
    EXPECT_EQ(Text(project.GetUnit().GetScriptPath()), "p.nut");
    EXPECT_EQ(Text(project.GetUnit().GetClassName()), "P");
}

TEST_F(ProjectTest, EnvironmentReaderRefusesOtherRoots) {
    struct Case {
        const char* file;
        std::string log;
    };
    const Case cases[] = {
        {"<ZML=1.0><Scene=<Items>>", "[!] Could not parse environment. Root tag id is incorrect (Scene).\n"},
        {"<ZML=1.0><environment=<Name=\"P\">>",
         "[!] Could not parse environment. Root tag id is incorrect (environment).\n"},
        {"<ZML=1.0>", "[!] No root tag in 'p.zgp'.\n"},
    };
    for (const Case& c : cases) {
        FileSystemReset();
        PutMemoryFile("p.zgp", c.file);
        zEngine engine;
        zProject project(&engine);
        log.Reset();
        EXPECT_FALSE(project.LoadFromFile("p.zgp"));
        EXPECT_EQ(log.Text(), c.log);
        EXPECT_EQ(Text(project.name), "New Project");
    }
}

TEST_F(ProjectTest, WriterThenReaderGivesAnEqualProject) {
    zEngine engine;
    zProject written(&engine);
    written.name.Set("Demo");
    written.authors.Set("Me \"quoted\"");
    written.description.Set("");
    written.copyright.Set("c:\\path\\");
    written.includes.Add(zString("x.nut"));
    written.includes.Add(zString("y.nut"));
    written.searchPaths.Add(zString("data/"));
    written.GetUnit().SetScriptPath("p.nut");
    written.GetUnit().SetClassName("P");
    written.GetUnit().AddParameter("speed", zVariant(2.5f));
    ASSERT_TRUE(written.SaveToFile("saved.zgp"));

    zProject read(&engine);
    ASSERT_TRUE(read.LoadFromFile("saved.zgp"));
    EXPECT_EQ(Text(read.name), "Demo");
    EXPECT_EQ(Text(read.authors), "Me \"quoted\"");
    EXPECT_EQ(Text(read.description), "");
    EXPECT_EQ(Text(read.copyright), "c:\\path\\");
    EXPECT_EQ(Paths(read.includes), Paths(written.includes));
    EXPECT_EQ(Paths(read.searchPaths), Paths(written.searchPaths));
    EXPECT_EQ(Text(read.GetUnit().GetScriptPath()), "p.nut");
    EXPECT_EQ(Text(read.GetUnit().GetClassName()), "P");
    EXPECT_EQ(read.GetUnit().GetParameterCount(), 1u);

    // Written again, the same text.
    zMetafile again;
    zMetafile before;
    ASSERT_TRUE(written.SaveToMetafile(before));
    ASSERT_TRUE(read.SaveToMetafile(again));
    std::string beforeText;
    std::string againText;
    ASSERT_TRUE(SerializeMetafile(before, beforeText));
    ASSERT_TRUE(SerializeMetafile(again, againText));
    EXPECT_EQ(againText, beforeText);
}

TEST_F(ProjectTest, OpenSetsTheGlobalsInTheVM) {
    WriteDiskFile("a.nut",
                  "::seen <- typeof g_engine + \" \" + typeof g_project + \" \" + typeof g_mixer + \" \" + "
                  "typeof g_render + \" \" + (\"g_context_project\" in getroottable());");
    zEngine engine;
    engine.GetRenderer()->Open(320, 200, 32, false);
    zProject project(&engine);
    project.includes.Add(zString("a.nut"));
    ASSERT_TRUE(project.Open(true));
    zSquirrelVM& vm = project.GetVM();
    // The includes ran before g_context_project was set.
    EXPECT_EQ(Global(vm, "seen"), "string CObject CObject CObject CObject false");
    EXPECT_EQ(Global(vm, "g_width"), "float 320.000000");
    EXPECT_EQ(Global(vm, "g_height"), "float 200.000000");
    EXPECT_EQ(Global(vm, "g_dt_frame"), "float 0.016667");
    EXPECT_EQ(Global(vm, "g_raw_dt_frame"), "float 0.016667");
    EXPECT_EQ(Global(vm, "g_clock"), "float 0.000000");
    EXPECT_EQ(Global(vm, "g_context_project"), "true");
    EXPECT_EQ(log.Text(), "");

    project.Close(false);
    EXPECT_TRUE(vm.IsOpen());
    project.Close(true);
    EXPECT_FALSE(vm.IsOpen());
    ASSERT_TRUE(project.Open(false));
    EXPECT_EQ(Global(vm, "g_context_project"), "false");
}

// The project's scripts see a texture freed under their picture handle as a
// dead handle.
TEST_F(ProjectTest, ScriptHandlesOfFreedTexturesGoDead) {
    WriteDiskFile("keep.nut", "::p <- TextureGetPicture(EngineLoadTexture(g_engine, \"none.tga\"));");
    WriteDiskFile("look.nut", "::alive <- ObjectIsValid(p);");
    zEngine engine;
    zProject project(&engine);
    project.includes.Add(zString("keep.nut"));
    ASSERT_TRUE(project.Open(false));
    zSquirrelVM& vm = project.GetVM();
    ASSERT_TRUE(vm.Include("look.nut"));
    EXPECT_EQ(Global(vm, "alive"), "true");
    engine.GetResourceCache()->Clear();
    ASSERT_TRUE(vm.Include("look.nut"));
    EXPECT_EQ(Global(vm, "alive"), "false");
}

TEST_F(ProjectTest, ScriptClockFollowsTheEngine) {
    zEngine engine;
    zProject project(&engine);
    ASSERT_TRUE(project.Open(false));
    engine.SetFixedStep(250);
    engine.StepClock();
    engine.StepClock();
    project.UpdateScriptClock();
    EXPECT_EQ(Global(project.GetVM(), "g_dt_frame"), "float 0.025000");
    EXPECT_EQ(Global(project.GetVM(), "g_clock"), "float 250.000000");
}

TEST_F(ProjectTest, ResetRestoresNameAndLists) {
    zEngine engine;
    zProject project(&engine);
    project.name.Set("P");
    project.authors.Set("A");
    project.fileName.Set("p.zgp");
    project.flags = ProjectEnd;
    project.includes.Add(zString("a.nut"));
    project.searchPaths.Add(zString("d"));
    project.Reset(true);
    EXPECT_EQ(Text(project.name), "New Project");
    EXPECT_EQ(Text(project.authors), "A");
    EXPECT_EQ(Text(project.fileName), "");
    EXPECT_EQ(project.flags, 0u);
    EXPECT_EQ(project.includes.GetCount(), 0u);
    EXPECT_EQ(project.searchPaths.GetCount(), 0u);
}

} // namespace
