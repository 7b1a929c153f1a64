// Text-parameter tables: scripts describe text layout as a table of keys
// ("size", "color", "align", "format", "tracking", "heading") applied over
// a zTextParameters.
#pragma once

#include "squirrel/squirrel.h"

struct zTextParameters;

// Walks the table at the stack index in the library's order. Unknown keys
// and values log "[*] unknown text attribute '<key>'.", "[*] unknown text
// alignment command '<value>'." or "[*] unknown text format command
// '<value>'." and are skipped; a value of the wrong type leaves its field
// as it was; keys that are not strings are skipped.
void ApplyTextParameterTable(HSQUIRRELVM vm, SQInteger index, zTextParameters& parameters);
