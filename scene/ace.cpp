#include "scene/ace.h"

#include <new>

#include "core/log.h"
#include "markup/number_token.h"

namespace {

constexpr f32 MinimumDuration = 0.001f;
// A command with this much time left or less is finished.
constexpr f32 FinishedEpsilon = 1e-5f;

// The reader over a command-list text: blanks, comments and the two token kinds.
struct ACEText {
    const char* at;

    bool AtEnd() const { return *at == '\0'; }

    // Blanks, "//" comments to the end of the line, "/* */" comments (an
    // unclosed one runs to the end of the text).
    void SkipBlanks() {
        for (;;) {
            while (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n')
                ++at;
            if (at[0] == '/' && at[1] == '/') {
                while (*at != '\0' && *at != '\n')
                    ++at;
            } else if (at[0] == '/' && at[1] == '*') {
                at += 2;
                while (*at != '\0' && !(at[0] == '*' && at[1] == '/'))
                    ++at;
                if (*at != '\0') at += 2;
            } else {
                return;
            }
        }
    }

    // A name or duration token ends at any word delimiter, '-' included; a
    // parameter token does not end at '-'.
    const char* TokenEnd(bool parameter) const {
        const char* end = at;
        while (*end != '\0' && (!IsWordDelimiter(*end) || (parameter && *end == '-')))
            ++end;
        return end;
    }

    f32 ReadNumber(bool parameter) {
        const char* end = TokenEnd(parameter);
        const char* begin = at;
        bool negative = begin < end && *begin == '-';
        if (negative) ++begin;
        at = end;
        return ParseFloatToken(begin, end, negative);
    }
};

void LogError(const char* text) {
    GetLog() << "[!] " << text;
}

} // namespace

bool zACECommand::operator==(const zACECommand& other) const {
    return code == other.code && duration == other.duration && parameters[0] == other.parameters[0] &&
           parameters[1] == other.parameters[1] && parameters[2] == other.parameters[2];
}

zACECommand& zACECommand::CopyTo(zACECommand& target) const {
    target = *this;
    return target;
}

zACECommandNode* InsertAfter(zACECommandList& list, const zACECommand& command, zACECommandNode* node) {
    return list.InsertAfter(command, node);
}

zACECommandNode* InsertBefore(zACECommandList& list, const zACECommand& command, zACECommandNode* node) {
    return list.InsertBefore(command, node);
}

zACECommandNode* FindCommand(const zACECommandList& list, i32 code, f32 duration, const f32 parameters[3]) {
    zACECommand wanted;
    wanted.code = code;
    wanted.duration = duration;
    for (u32 index = 0; index < ACEMaxParameters; ++index)
        wanted.parameters[index] = parameters[index];
    return list.Find(wanted);
}

zACECommandNode* AddCommand(zACECommandList& list, i32 code, f32 duration, f32 remaining, f32 p0, f32 p1,
                            f32 p2, bool atTail, bool allowDuplicate) {
    zACECommand command;
    command.code = code;
    command.duration = duration;
    command.remaining = remaining;
    command.parameters[0] = p0;
    command.parameters[1] = p1;
    command.parameters[2] = p2;
    return list.Add(command, atTail, allowDuplicate);
}

zACEUnit::~zACEUnit() {
    ResetCommandList();
}

bool zACEUnit::Execute(zACECommand* command, f32 share) {
    if (!command || share == 0.0f) return false;
    switch (command->code) {
    case ACECodeNext:
        command->remaining = 0.0f;
        SetCursor(m_loopMark);
        return true;
    case ACECodeLoop:
        command->remaining = 0.0f;
        m_loopMark = m_cursor;
        return true;
    case ACECodeGroupEnd:
        GetLog() << "[*] ACE unit is executing exec opcode (?!).\n";
        return true;
    default:
        return true;
    }
}

void zACEUnit::SetCursor(zACECommandNode* cursor) {
    m_cursor = cursor;
    if (cursor) OnCommandsRunning();
}

void zACEUnit::ResetCommandList() {
    m_commands.Clear();
    m_cursor = nullptr;
    m_loopMark = nullptr;
}

zACECommand* zACEUnit::GetCommand(u32 index) const {
    zACECommandNode* node = m_commands.GetNodeAt(index);
    return node ? &node->value : nullptr;
}

void zACEUnit::DumpCommandList() const {
    for (const zACECommandNode* node = m_commands.GetHead(); node; node = node->next) {
        const zACECommand& command = node->value;
        GetLog() << "Command [" << command.code << "] : " << command.duration << "s, parm = {"
                 << command.parameters[0] << ", " << command.parameters[1] << ", " << command.parameters[2]
                 << "}.\n";
    }
}

zACEManager::zACEManager() {
    DefineCommand("nop", ACECodeNop, 0);
    DefineCommand("loop", ACECodeLoop, 0);
    DefineCommand("next", ACECodeNext, 0);
    m_locked = true;
}

zACEManager::~zACEManager() {
    m_entries.Clear();
    m_defines.Clear();
}

bool zACEManager::DefineCommand(const char* name, i32 code, u32 parameterCount) {
    if (m_locked && code < 0) {
        LogError("Negative command codes are reserved.\n");
        return false;
    }
    auto* define = new (std::nothrow) zACEDefine(zString(name), code, parameterCount);
    if (!define) {
        GetLog() << "[!] Failed to allocate new container to define ACE command '" << (name ? name : "")
                 << "'.\n";
        return false;
    }
    m_defines.Add(define, true, true);
    return true;
}

const zACEDefine* zACEManager::FindDefine(const zString& name) const {
    return static_cast<const zACEDefine*>(m_defines.Find(name));
}

i32 zACEManager::LoadCommandList(const char* text, zACEUnit& unit) {
    if (!text) {
        LogError("Cannot load a null command list.\n");
        return -1;
    }
    unit.ResetCommandList();
    zACECommandList& list = unit.m_commands;
    ACEText reader{text};
    reader.SkipBlanks();
    while (!reader.AtEnd()) {
        zACECommandNode* node = list.Add(zACECommand());
        if (!node) return -1;
        zACECommand& command = node->value;

        const char* nameEnd = reader.TokenEnd(false);
        zString name(reader.at, nameEnd);
        const zACEDefine* define = FindDefine(name);
        if (!define) {
            GetLog() << "[!] Undefined ACE command '" << name << "'.\n";
            return -1;
        }
        command.code = define->code;
        reader.at = nameEnd;
        reader.SkipBlanks();
        if (reader.AtEnd()) {
            GetLog() << "[!] No duration for ACE command '" << name << "'.\n";
            return -1;
        }
        f32 duration = reader.ReadNumber(false);
        // Also catches NaN, which the token reader cannot produce anyway.
        if (!(duration >= MinimumDuration)) duration = MinimumDuration;
        command.duration = duration;
        command.remaining = duration;
        reader.SkipBlanks();

        u32 parameterCount = 0;
        while (!reader.AtEnd() && *reader.at != '+' && *reader.at != ';') {
            if (parameterCount == ACEMaxParameters) {
                GetLog() << "[!] ACE compiled with " << ACEMaxParameters
                         << " command parameter(s) maximum.\n";
                return -1;
            }
            if (*reader.at != ',') {
                LogError("Expected ',' in ACE list declaration.\n");
                return -1;
            }
            ++reader.at;
            reader.SkipBlanks();
            if (reader.AtEnd()) {
                LogError("Expected ACE command parameter following ','.\n");
                return -1;
            }
            command.parameters[parameterCount++] = reader.ReadNumber(true);
            reader.SkipBlanks();
        }
        if (reader.AtEnd()) {
            LogError("Mangled ACE command list.\n");
            return -1;
        }
        if (define->parameterCount != parameterCount) {
            GetLog() << "[!] ACE command '" << name << "' takes " << define->parameterCount
                     << " parameter(s), found " << parameterCount << ".\n";
            return -1;
        }
        if (*reader.at == ';') {
            zACECommand groupEnd;
            groupEnd.code = ACECodeGroupEnd;
            if (!list.Add(groupEnd)) return -1;
        }
        ++reader.at;
        reader.SkipBlanks();
    }
    unit.SetCursor(list.GetHead());
    return static_cast<i32>(list.GetCount());
}

void zACEManager::UpdateUnit(zACEUnit& unit, f32 dt) {
    if (!unit.m_cursor) return;
    bool unfinished = false;
    bool sawNext = false;
    zACECommandNode* node = unit.m_cursor;
    for (; node; node = node->next) {
        zACECommand& command = node->value;
        if (command.code == ACECodeGroupEnd) {
            node = node->next;
            break;
        }
        if (command.remaining <= FinishedEpsilon) continue;
        f32 share = command.remaining;
        if (command.remaining > dt) {
            share = dt;
            unfinished = true;
        }
        unit.Execute(&command, share);
        command.remaining -= share;
        if (command.code == ACECodeNext) sawNext = true;
    }
    zACECommandNode* stop = node;

    if (sawNext) {
        // "next" has moved the cursor to the loop mark. Without a mark (a "next"
        // before any "loop", or in the same group before it) the list has
        // ended and nothing is reset.
        if (!unit.m_loopMark) return;
        for (zACECommandNode* reset = unit.m_loopMark; reset && reset != stop; reset = reset->next)
            reset->value.remaining = reset->value.duration;
        return;
    }
    if (!unfinished) unit.SetCursor(stop);
}
