#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/null_renderer.h"
#include "render/shader/shader_library.h"
#include "tests/shader/shader_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"

namespace {

// Records each Setup; programs whose name is in failing do not set up.
struct RecordingShader : zShader {
    RecordingShader(zRenderer* renderer, std::vector<std::string>* setups, const std::string* failing)
        : zShader(renderer), m_setups(setups), m_failing(failing) {}
    bool Setup(const char* name, const char* vertex, const char* pixel) override {
        m_setups->push_back(std::string(name) + "|" + vertex + "|" + pixel);
        vertexSource = vertex;
        return *m_failing != name;
    }
    std::string vertexSource;

  private:
    std::vector<std::string>* m_setups;
    const std::string* m_failing;
};

struct ShaderRenderer : zNull_Renderer {
    explicit ShaderRenderer(zRenderHost* host) : zNull_Renderer(host, false) {}
    zShader* NewShader() override { return new RecordingShader(this, &setups, &failing); }
    std::vector<std::string> setups;
    std::string failing;
};

// A host with the engine's two file hooks.
struct HookHost : NoRendererHost {
    std::string redirectTo;
    std::vector<std::string> missing;
    std::vector<std::string> opened;
    bool RedirectMissingFile(zString& path) override {
        missing.push_back(path.CStr());
        if (redirectTo.empty()) return false;
        path.Set(redirectTo.c_str());
        return true;
    }
    void NotifyFileOpened(const char* path) override { opened.push_back(path); }
};

std::string ShaderEntry(const char* name, const char* vertex = "v", const char* pixel = "p") {
    return std::string("<Shader=<Name=\"") + name + "\"><Vertex=\"" + vertex + "\"><Pixel=\"" + pixel +
           "\">>";
}

std::string IncludeEntry(const char* uri, const char* tag) {
    return std::string("<Include=<Uri=\"") + uri + "\"><Tag=\"" + tag + "\">>";
}

void PutLibrary(const char* path, const std::string& roots) {
    PutMemoryFile(path, "<ZML=1.0>\n" + roots);
}

std::vector<std::string> Names(const zShaderLibrary& library) {
    std::vector<std::string> names;
    for (auto* node = library.GetShaders().GetHead(); node; node = node->next) {
        names.push_back(node->value->GetName().CStr());
    }
    return names;
}

struct ShaderLibraryTest : ::testing::Test {
    HookHost host;
    ShaderRenderer renderer{&host};
    zShaderLibrary library{&renderer};
    LogCapture log;
};

TEST_F(ShaderLibraryTest, LoadsShadersOfTheDefaultProfileInFileOrder) {
    PutLibrary("sl_default.zml", "<Other=" + ShaderEntry("other::a") + ">" +
                                     "<Default=" + ShaderEntry("core::fog", "fv", "fp") +
                                     "<Note=\"ignored\">" + ShaderEntry("core::ambient", "av", "ap") + ">");
    ASSERT_TRUE(library.Load("sl_default.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"core::fog", "core::ambient"}));
    EXPECT_EQ(renderer.setups, (std::vector<std::string>{"core::fog|fv|fp", "core::ambient|av|ap"}));
    EXPECT_EQ(log.Text(), "2 shader in library 'sl_default.zml'.\n");
    EXPECT_EQ(host.opened, (std::vector<std::string>{"sl_default.zml"}));
    ASSERT_NE(library.Find("core::ambient"), nullptr);
    EXPECT_EQ(library.Find("core::ambient")->GetRefCount(), 1u);
    EXPECT_EQ(library.Find("Core::ambient"), nullptr);
    EXPECT_EQ(library.Find(nullptr), nullptr);
}

TEST_F(ShaderLibraryTest, NamedProfileAsPathAndCountsAccumulateOverLoads) {
    PutLibrary("sl_profiles.zml", "<GLSL_Deferred=" + ShaderEntry("a") + ShaderEntry("b") +
                                      "><Default=" + ShaderEntry("c") + ">");
    ASSERT_TRUE(library.Load("sl_profiles.zml", "GLSL_Deferred;"));
    ASSERT_TRUE(library.Load("sl_profiles.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(log.Text(), "2 shader in library 'sl_profiles.zml'.\n3 shader in library 'sl_profiles.zml'.\n");
}

TEST_F(ShaderLibraryTest, IncludesInsertTheirShadersAtTheIncludeAndFindTakesTheFirst) {
    PutLibrary("sl_inc.zml", "<Lib=" + ShaderEntry("dup", "inner") + ShaderEntry("inner") + ">");
    PutLibrary("sl_outer.zml", "<Default=" + ShaderEntry("first") + IncludeEntry("sl_inc.zml", "Lib") +
                                   ShaderEntry("dup", "outer") + ">");
    ASSERT_TRUE(library.Load("sl_outer.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"first", "dup", "inner", "dup"}));
    auto* dup = static_cast<RecordingShader*>(library.Find("dup"));
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->vertexSource, "inner");
    EXPECT_EQ(log.Text(), "3 shader in library 'sl_inc.zml'.\n4 shader in library 'sl_outer.zml'.\n");
}

TEST_F(ShaderLibraryTest, IncludeWithoutTheProfileIsLoggedAndTheOuterLoadSucceeds) {
    PutLibrary("sl_noprof.zml", "<Default=" + ShaderEntry("x") + ">");
    PutLibrary("sl_outer2.zml",
               "<Default=" + ShaderEntry("a") + IncludeEntry("sl_noprof.zml", "P") + ShaderEntry("b") + ">");
    ASSERT_TRUE(library.Load("sl_outer2.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(log.Text(), "[!] profile 'P' not found.\n"
                          "[!] Failed to include external shader library 'sl_noprof.zml'.\n"
                          "2 shader in library 'sl_outer2.zml'.\n");
}

// Both strings are needed for an include and all three for a shader; the
// entry is skipped silently otherwise.
TEST_F(ShaderLibraryTest, IncompleteEntriesAreSkippedSilently) {
    PutLibrary("sl_partial.zml",
               "<Default=<Include=<Uri=\"nowhere.zml\">><Include=<Uri=\"x.zml\"><Tag=3>>"
               "<Shader=<Name=\"n\"><Vertex=\"v\">><Shader=<Name=\"n\"><Vertex=\"v\"><Pixel=1>>"
               "<Shader=\"flat\">" +
                   ShaderEntry("ok") + ">");
    ASSERT_TRUE(library.Load("sl_partial.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(log.Text(), "1 shader in library 'sl_partial.zml'.\n");
}

TEST_F(ShaderLibraryTest, RefusalsOfTheProfile) {
    PutLibrary("sl_valued.zml", "<X=\"text\"><Default=" + ShaderEntry("a") + ">");
    struct Case {
        const char* profile;
        const char* expectedLog;
    } cases[] = {
        {"X", "[!] profile 'X' empty.\n"},
        {"Missing", "[!] profile 'Missing' not found.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        log.Reset();
        EXPECT_FALSE(library.Load("sl_valued.zml", c.profile));
        EXPECT_EQ(log.Text(), c.expectedLog);
    }
    EXPECT_EQ(library.GetCount(), 0u);
}

TEST_F(ShaderLibraryTest, NullPathAndMissingFileWithoutRedirectFail) {
    EXPECT_FALSE(library.Load(nullptr, nullptr));
    EXPECT_FALSE(library.Load("sl_absent.zml", nullptr));
    EXPECT_EQ(host.missing, (std::vector<std::string>{"sl_absent.zml"}));
    EXPECT_TRUE(host.opened.empty());
}

TEST_F(ShaderLibraryTest, MissingFileHookAnswersAnotherPathThatIsLoaded) {
    PutLibrary("sl_elsewhere.zml", "<Default=" + ShaderEntry("found") + ">");
    host.redirectTo = "sl_elsewhere.zml";
    ASSERT_TRUE(library.Load("sl_gone.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"found"}));
    EXPECT_EQ(host.missing, (std::vector<std::string>{"sl_gone.zml"}));
    EXPECT_EQ(host.opened, (std::vector<std::string>{"sl_elsewhere.zml"}));
    EXPECT_NE(log.Text().find("1 shader in library 'sl_elsewhere.zml'.\n"), std::string::npos);

    host.redirectTo = "sl_also_gone.zml";
    EXPECT_FALSE(library.Load("sl_gone.zml", nullptr));
}

TEST_F(ShaderLibraryTest, ShaderThatFailsSetupStaysFindableWithAWarning) {
    renderer.failing = "broken";
    PutLibrary("sl_broken.zml", "<Default=" + ShaderEntry("broken") + ShaderEntry("fine") + ">");
    ASSERT_TRUE(library.Load("sl_broken.zml", nullptr));
    ASSERT_NE(library.Find("broken"), nullptr);
    EXPECT_EQ(library.Find("broken")->GetName(), "broken");
    EXPECT_EQ(log.Text(),
              "[*] Shader 'broken' of library 'sl_broken.zml' did not set up; it stays in the library.\n"
              "2 shader in library 'sl_broken.zml'.\n");
}

TEST_F(ShaderLibraryTest, ClearReleasesEveryShader) {
    PutLibrary("sl_clear.zml", "<Default=" + ShaderEntry("a") + ShaderEntry("b") + ">");
    ASSERT_TRUE(library.Load("sl_clear.zml", nullptr));
    zSharedPtr<zShader> kept(library.Find("a"));
    EXPECT_EQ(kept->GetRefCount(), 2u);
    library.Clear();
    EXPECT_EQ(library.GetCount(), 0u);
    EXPECT_EQ(library.Find("a"), nullptr);
    EXPECT_EQ(kept->GetRefCount(), 1u);
}

// Library files are outside input: an include cycle must end, not recurse
// until the stack runs out.
TEST_F(ShaderLibraryTest, IncludeCycleIsRefusedAndTheLoadEnds) {
    PutLibrary("sl_cycle_a.zml",
               "<Default=" + ShaderEntry("a") + IncludeEntry("sl_cycle_b.zml", "Default") + ">");
    PutLibrary("sl_cycle_b.zml",
               "<Default=" + ShaderEntry("b") + IncludeEntry("sl_cycle_a.zml", "Default") + ">");
    ASSERT_TRUE(library.Load("sl_cycle_a.zml", nullptr));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(log.Text(), "[!] Shader library 'sl_cycle_a.zml' includes itself.\n"
                          "[!] Failed to include external shader library 'sl_cycle_a.zml'.\n"
                          "2 shader in library 'sl_cycle_b.zml'.\n"
                          "2 shader in library 'sl_cycle_a.zml'.\n");
}

TEST_F(ShaderLibraryTest, IncludeChainDeeperThanTheBoundIsRefused) {
    const u32 files = zShaderLibrary::MaxIncludeDepth + 2;
    for (u32 index = 0; index < files; ++index) {
        const std::string next = "sl_chain" + std::to_string(index + 1) + ".zml";
        PutLibrary(("sl_chain" + std::to_string(index) + ".zml").c_str(),
                   "<Default=" + ShaderEntry("s") + IncludeEntry(next.c_str(), "Default") + ">");
    }
    ASSERT_TRUE(library.Load("sl_chain0.zml", nullptr));
    EXPECT_EQ(library.GetCount(), zShaderLibrary::MaxIncludeDepth + 1);
    EXPECT_NE(log.Text().find("[!] Shader library 'sl_chain17.zml' is included more than 16 levels deep.\n"
                              "[!] Failed to include external shader library 'sl_chain17.zml'.\n"),
              std::string::npos);
}

TEST(ShaderLibraryNullRenderer, LoadsWithNoShadersAndCountsZero) {
    NoRendererHost host;
    zNull_Renderer renderer(&host, false);
    zShaderLibrary library(&renderer);
    LogCapture log;
    PutLibrary("sl_null.zml", "<Default=" + ShaderEntry("a") + ShaderEntry("b") + ">");
    ASSERT_TRUE(library.Load("sl_null.zml", nullptr));
    EXPECT_EQ(library.GetCount(), 0u);
    EXPECT_EQ(log.Text(), "0 shader in library 'sl_null.zml'.\n");
}

TEST(ShaderBase, SetupKeepsTheNameAndAcceptsAnything) {
    zSharedPtr<zShader> shader(new zShader(nullptr));
    EXPECT_TRUE(shader->Setup("n", "", ""));
    EXPECT_EQ(shader->GetName(), "n");
    EXPECT_EQ(shader->GetWord(), 0u);
    shader->Free();
    EXPECT_EQ(shader->GetName(), "n");
}

} // namespace
