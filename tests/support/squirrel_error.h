// The text of a Squirrel VM's last error, for test messages and checks.
#pragma once

#include "squirrel/squirrel.h"

#include <string>

inline std::string SquirrelLastError(HSQUIRRELVM v) {
    sq_getlasterror(v);
    const SQChar *s = nullptr;
    std::string text = SQ_SUCCEEDED(sq_getstring(v, -1, &s)) ? s : "(not a string)";
    sq_pop(v, 1);
    return text;
}
