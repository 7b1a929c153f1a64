// A script VM with the whole script API registered over an engine with the
// null renderer and the null mixer, the start-up script loaded and g_engine,
// g_mixer and g_render set; scripts are written to a scratch folder that is
// the only search path. The log is captured.
//
// Tests are tables of snippets and the "[S] " lines they print:
//     const ScriptRow rows[] = {{"print(Pow(2.0, 3.0))", "8"}, ...};
//     ExpectScripts(rows);
// A snippet's uncaught error prints "error: <text>".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "audio/null_mixer.h"
#include "engine/engine.h"
#include "io/file_road.h"
#include "render/null_renderer.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "scriptapi/script_api.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch_search_path.h"

struct ScriptRow {
    const char* script;
    const char* printed; // the "[S] " lines without their tag, joined by '\n'
};

class ScriptApiFixture : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_FALSE(m_scratch.Path().empty());
        ASSERT_TRUE(vm.Open());
        ASSERT_TRUE(RegisterScriptApi(V()));
        std::ifstream file(std::string(ZE_SCRIPTLIB) + "/zad.nut");
        std::stringstream text;
        text << file.rdbuf();
        ASSERT_TRUE(Run(text.str(), "zad.nut"));
        SetHandle("g_engine", &engine, ScriptKindEngine);
        SetHandle("g_mixer", &mixer, ScriptKindMixer);
        SetHandle("g_render", &renderer, ScriptKindRenderer);
        log.Reset();
    }

    void TearDown() override { vm.Close(); }

    HSQUIRRELVM V() const { return vm.GetHandle(); }
    std::filesystem::path Folder() const { return m_scratch.Path(); }

    void WriteFile(const char* name, const std::string& text) { m_scratch.Write(name, text); }

    // Writes the source as name and includes it.
    bool Run(const std::string& source, const char* name = "t.nut") {
        WriteFile(name, source);
        return m_target->Include(name);
    }

    // Runs the snippets in another VM with the API (a project's) from here on.
    void RunScriptsIn(zSquirrelVM& target) { m_target = &target; }

    // The "[S] " lines a snippet prints, tags and final newline removed; an
    // uncaught error prints "error: <text>". Other log lines are dropped.
    std::string Printed(const std::string& snippet) {
        log.Reset();
        std::string source = "try {\n" + snippet + "\n} catch (e) { print(\"error: \" + e); }";
        EXPECT_TRUE(Run(source, "snippet.nut")) << snippet << "\n" << log.Text();
        std::istringstream lines(log.Text());
        std::string line, out;
        while (std::getline(lines, line)) {
            if (line.rfind("[S] ", 0) != 0) continue;
            if (!out.empty()) out += '\n';
            out += line.substr(4);
        }
        return out;
    }

    template <size_t Count> void ExpectScripts(const ScriptRow (&rows)[Count]) {
        for (const ScriptRow& row : rows)
            EXPECT_EQ(Printed(row.script), row.printed) << row.script;
    }

    // Binds an engine object handle to a root slot.
    void SetHandle(const char* name, void* object, i32 kind, bool owned = false) {
        ASSERT_TRUE(PushScriptObject(V(), object, kind, owned));
        SetRoot(name);
    }

    // Moves the value on top of the stack to a root slot.
    void SetRoot(const char* name) {
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        sq_push(V(), -3);
        sq_newslot(V(), -3, SQFalse);
        sq_pop(V(), 2);
    }

  private:
    // First in, last out: the search path outlives the VM.
    ScratchSearchPath m_scratch{"ze_scriptapi"};

  public:
    LogCapture log;
    zEngine engine;
    zNull_Renderer renderer{&engine, true};
    zNull_Mixer mixer{&engine, true};
    zSquirrelVM vm{&engine};

  private:
    zSquirrelVM* m_target = &vm;
};
