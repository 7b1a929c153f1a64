// zProject: the top of a multi-scene application, read from an environment
// file (.zgp, root tag "Environment"). It owns the one script VM of the
// application in both view modes; in scene mode only the VM is used.
//
// Built so far: the VM start with the script API and the script globals, the
// environment reader and writer, Open, Close, Reset and the script clock.
// The project's own script unit, its scene stack and its layers come with
// script units and scenes; the environment's "ScriptUnit" tag is kept as
// read, for that unit, and written back unchanged.
//
// Operations refused while the project evaluates or draws its stack log
// "[!] Cannot call '<operation>' while rendering or evaluating the project
// scene stack.".
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "markup/meta_object.h"
#include "script/squirrel_vm.h"

class zEngine;

// Bit of the project's flag word: the script asked to end the project.
constexpr u32 ProjectEnd = 1;

class zProject : public zMetaObject {
  public:
    explicit zProject(zEngine* engine);
    ~zProject() override;
    zProject(const zProject&) = delete;
    zProject& operator=(const zProject&) = delete;

    // The environment reader and writer.
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;

    // Starts scripting, then sets "g_context_project" to isProject.
    bool Open(bool isProject);
    // Opens the VM, registers the script API, sets g_engine, g_project,
    // g_mixer, g_render, g_width, g_height, g_dt_frame, g_raw_dt_frame and
    // g_clock in that order, then runs the includes.
    bool StartScripting();
    // g_dt_frame and g_raw_dt_frame (seconds) and g_clock (clock units).
    void UpdateScriptClock();
    // Empties the file name and the flag word; closeVM also closes the VM.
    bool Close(bool closeVM);
    // Close, then the name, includes and search paths back to the defaults.
    void Reset(bool closeVM);

    zSquirrelVM& GetVM() { return m_vm; }
    zEngine* GetEngine() const { return m_engine; }
    bool IsBusy() const { return m_busy != 0; }

    zString name;
    zString fileName; // of the environment document
    zString authors;
    zString description;
    zString copyright;
    u32 flags = 0; // ProjectEnd
    zList<zString> includes;
    zList<zString> searchPaths; // read and written, never applied
    // The environment's "ScriptUnit" tag as read.
    std::unique_ptr<zMetaTag> scriptUnitTag;

  private:
    // False, with the refusal logged, while busy.
    bool Guard(const char* operation) const;

    zEngine* m_engine;
    zSquirrelVM m_vm;
    u8 m_busy = 0;
};
