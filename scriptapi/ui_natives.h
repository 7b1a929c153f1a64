// What the two files of the UI group share: the rows widget.cpp adds to the
// registrar of ui.cpp, and the binding of a script closure to an event table.
//
// Sprite and window handles hold the zSprite2D*, widget handles the zWidget*
// of whatever widget class, and UI scene handles the zScene2D*; deleting any
// of them turns their handles into "Deleted native".
#pragma once

#include <cstddef>

#include "script/script_args.h"

class zEventTable;

extern const ScriptNative g_WidgetConstructorNatives[];
extern const size_t g_WidgetConstructorNativeCount;
extern const ScriptNative g_WidgetNatives[];
extern const size_t g_WidgetNativeCount;
extern const ScriptIntConstant g_WidgetConstants[];
extern const size_t g_WidgetConstantCount;

// UIDeleteWidget (UI, widget): a row of the UI scene's table.
SQInteger UIDeleteWidget(HSQUIRRELVM vm);

// Binds the closure at closurePosition (and the context at contextPosition,
// 0 for none) to the event id in the table, when there is one. False, with
// the error raised, when the values cannot be held.
bool BindScriptEventHandler(ScriptArgs& args, zEventTable* table, i32 eventId, int contextPosition,
                            int closurePosition);

// The event-handler natives: the table of the first argument (Fetch raises
// or gives null by the row's null policy), the event id, the context when
// WithContext, the closure last.
template <zEventTable* (*Fetch)(ScriptArgs&), bool WithContext> SQInteger SetEventHandlerNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEventTable* table = Fetch(args);
    const SQInteger eventId = args.Integer(2);
    if (!args) return args.Fail();
    if (!BindScriptEventHandler(args, table, i32(eventId), WithContext ? 3 : 0, WithContext ? 4 : 3))
        return args.Fail();
    return args.None();
}
