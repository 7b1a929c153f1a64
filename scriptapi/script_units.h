// Script units as scripts reach them: the instance of a unit as a script
// value and the unit of an owner picked by its class name.
#pragma once

#include "script/script_args.h"

class zScriptUnit;
class zScriptedObject;

// Pushes the unit's script instance; "Script unit is not open" when the unit
// has none.
SQInteger ReturnUnitInstance(ScriptArgs& args, const zScriptUnit& unit);

// The owner's first unit whose class name is className; null when none.
const zScriptUnit* FindUnitOfClass(const zScriptedObject& owner, const char* className);
