// Command lists ("ACE"): small timed scripts, written as text, that move,
// scale, rotate or fade their owner over time without script code.
//
// A zACEManager holds the vocabulary (name, code, parameter count), compiles a
// text into a unit's list and steps a unit by a time step. A zACEUnit owns the
// compiled list, a cursor on the first command of the group being run and a
// loop mark; owners override Execute for their own codes (0 and up) and pass
// every other code to the base, which runs the reserved built-ins.
//
// Text: commands "name duration[, p0[, p1[, p2]]]" each followed by '+' (the
// next command joins the group, running in parallel) or ';' (the group ends).
// Blanks, "//" and "/* */" comments may stand between tokens. A name or a
// duration ends at '-' as at any word delimiter; a parameter does not, so it
// may be negative. Durations below 0.001 s become 0.001 s.
//
// UpdateUnit runs the current group once per call: each command gets
// min(dt, remaining) and a group is done once every command has 1e-5 s or
// less left. "loop" marks its group; "next" jumps back to the mark and gives
// every command from the mark to its own group its duration back. Without a
// mark, "next" ends the list. Main thread only.
#pragma once

#include "core/linked_list.h"
#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"

// Reserved codes; owners use 0 and up.
constexpr i32 ACECodeNop = -1;
constexpr i32 ACECodeGroupEnd = -2; // made by ';', never named
constexpr i32 ACECodeLoop = -3;
constexpr i32 ACECodeNext = -4;

constexpr u32 ACEMaxParameters = 3;

// The verbs of the 3D scene, in the order the scene defines them; managed
// items execute them.
struct zACEVerb {
    const char* name;
    i32 code;
    u32 parameterCount;
};
constexpr zACEVerb SceneACEVerbs[] = {
    {"toposition", 0, 3}, {"offsetposition", 1, 3}, {"tooffset", 2, 3},
    {"toscale", 3, 3},    {"torotation", 4, 3},     {"toalpha", 5, 1},
};

// One entry of the vocabulary; the entry's id is the command name.
class zACEDefine : public zLinkedListEntryId {
  public:
    zACEDefine(const zString& name, i32 code, u32 parameterCount)
        : zLinkedListEntryId(name), code(code), parameterCount(parameterCount) {}

    i32 code;
    u32 parameterCount; // exactly this many parameters must be given
};

// One compiled command.
struct zACECommand {
    i32 code = 0;
    f32 duration = 0.0f;  // seconds, at least 0.001 once compiled
    f32 remaining = 0.0f; // seconds left; back to duration when a loop restarts
    f32 parameters[ACEMaxParameters] = {0.0f, 0.0f, 0.0f};

    // Code, duration and parameters; the remaining time is not compared.
    bool operator==(const zACECommand& other) const;
    bool operator!=(const zACECommand& other) const { return !(*this == other); }
    // Copies all six fields into target and returns it.
    zACECommand& CopyTo(zACECommand& target) const;
};

using zACECommandList = zList<zACECommand>;
using zACECommandNode = zACECommandList::Node;

// List operations used by the compiler and offered to owners. Each returns the
// node, null when it cannot be allocated.
// A null node appends at the tail.
zACECommandNode* InsertAfter(zACECommandList& list, const zACECommand& command, zACECommandNode* node);
// A null node inserts at the head.
zACECommandNode* InsertBefore(zACECommandList& list, const zACECommand& command, zACECommandNode* node);
// The first node equal in code, duration and the three parameters.
zACECommandNode* FindCommand(const zACECommandList& list, i32 code, f32 duration, const f32 parameters[3]);
// Unless duplicates are allowed an equal command already in the list is
// returned; otherwise a new one goes at the tail (atTail) or the head.
zACECommandNode* AddCommand(zACECommandList& list, i32 code, f32 duration, f32 remaining, f32 p0, f32 p1,
                            f32 p2, bool atTail, bool allowDuplicate);

class zACEUnit {
  public:
    zACEUnit() = default;
    virtual ~zACEUnit();

    // Performs one command for a time share. The base: no command or a share
    // of exactly 0 is false; "next" moves the cursor to the loop mark, "loop"
    // sets the mark to the cursor (both zero their own remaining time); a group
    // end warns; anything else does nothing. True otherwise.
    virtual bool Execute(zACECommand* command, f32 share);

    // Deletes every command; cursor and loop mark become none.
    void ResetCommandList();
    // Null when index is not below the count.
    zACECommand* GetCommand(u32 index) const;
    // One log line per command.
    void DumpCommandList() const;

    zACECommandList& GetCommands() { return m_commands; }
    const zACECommandList& GetCommands() const { return m_commands; }
    // None when the list is finished, failed to compile or was never loaded.
    zACECommandNode* GetCursor() const { return m_cursor; }
    zACECommandNode* GetLoopMark() const { return m_loopMark; }

  protected:
    // The cursor moved onto a command: the list runs from the next update.
    virtual void OnCommandsRunning() {}

  private:
    friend class zACEManager;
    void SetCursor(zACECommandNode* cursor);

    zACEUnit(const zACEUnit&) = delete;
    zACEUnit& operator=(const zACEUnit&) = delete;

    zACECommandList m_commands;          // in text order, group ends included
    zACECommandNode* m_cursor = nullptr; // first command of the running group
    zACECommandNode* m_loopMark = nullptr;
};

class zACEManager {
  public:
    // Defines "nop", "loop" and "next", then locks the reserved codes.
    zACEManager();
    ~zACEManager();

    // Appends a define; an existing name is not replaced (the first one wins
    // on lookup). False, logged, for a negative code once locked or when the
    // entry cannot be allocated.
    bool DefineCommand(const char* name, i32 code, u32 parameterCount);
    // The first define of that name, or null.
    const zACEDefine* FindDefine(const zString& name) const;

    // Compiles text into the unit, replacing its list. Returns the number of
    // entries (group ends included), or -1 after logging an error; then the
    // commands compiled so far stay but the cursor is none.
    i32 LoadCommandList(const char* text, zACEUnit& unit);
    // Runs the unit's current group for dt seconds.
    void UpdateUnit(zACEUnit& unit, f32 dt);

    // Entries an owner keeps with its vocabulary; cleared with the manager.
    zLinkedList& GetEntries() { return m_entries; }
    // Empties the owner's own command list (the entries above); the
    // vocabulary stays. The scene file resets it before every read.
    void ResetCommandList() { m_entries.Clear(); }

  private:
    zACEManager(const zACEManager&) = delete;
    zACEManager& operator=(const zACEManager&) = delete;

    bool m_locked = false; // set once the built-ins are defined
    zLinkedList m_entries;
    zLinkedListId m_defines; // owning
};
