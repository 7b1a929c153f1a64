#include "squirrel/stdlib/sqstdsystem.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "squirrel/stdlib/registration.h"

namespace {

SQInteger SystemGetenv(HSQUIRRELVM v) {
    const SQChar* name = nullptr;
    sq_getstring(v, 2, &name);
    const char* value = getenv(name);
    if (value != nullptr)
        sq_pushstring(v, value, -1);
    else
        sq_pushnull(v);
    return 1;
}

SQInteger SystemSystem(HSQUIRRELVM v) {
    const SQChar* command = nullptr;
    sq_getstring(v, 2, &command);
    fflush(nullptr); // keep the script's buffered output ahead of the command's
    sq_pushinteger(v, (SQInteger)system(command));
    return 1;
}

SQInteger SystemClock(HSQUIRRELVM v) {
    sq_pushfloat(v, (SQFloat)clock() / (SQFloat)CLOCKS_PER_SEC);
    return 1;
}

// Seconds since the epoch, cut to the 32 bits of an integer.
SQInteger SystemTime(HSQUIRRELVM v) {
    time_t now = time(nullptr);
    sq_pushinteger(v, (SQInteger)(unsigned int)(long long)now);
    return 1;
}

SQInteger SystemRemove(HSQUIRRELVM v) {
    const SQChar* path = nullptr;
    sq_getstring(v, 2, &path);
    if (remove(path) == -1) return sq_throwerror(v, "remove() failed");
    return 0;
}

SQInteger SystemRename(HSQUIRRELVM v) {
    const SQChar* from = nullptr;
    const SQChar* to = nullptr;
    sq_getstring(v, 2, &from);
    sq_getstring(v, 3, &to);
    if (rename(from, to) == -1) return sq_throwerror(v, "rename() failed");
    return 0;
}

// date([time [, 'l' local | 'u' universal]]): a table of the broken-down time.
SQInteger SystemDate(HSQUIRRELVM v) {
    time_t when;
    SQInteger format = 'l';
    if (sq_gettop(v) > 1) {
        SQInteger seconds = 0;
        sq_getinteger(v, 2, &seconds);
        when = (time_t)seconds;
        if (sq_gettop(v) > 2) sq_getinteger(v, 3, &format);
    } else {
        when = time(nullptr);
    }
    struct tm parts;
    struct tm* date = format == 'u' ? gmtime_r(&when, &parts) : localtime_r(&when, &parts);
    if (date == nullptr) return sq_throwerror(v, "crt api failure");
    sq_newtable(v);
    sqstd::SetIntegerSlot(v, "sec", date->tm_sec);
    sqstd::SetIntegerSlot(v, "min", date->tm_min);
    sqstd::SetIntegerSlot(v, "hour", date->tm_hour);
    sqstd::SetIntegerSlot(v, "day", date->tm_mday);
    sqstd::SetIntegerSlot(v, "month", date->tm_mon);
    sqstd::SetIntegerSlot(v, "year", date->tm_year + 1900);
    sqstd::SetIntegerSlot(v, "wday", date->tm_wday);
    sqstd::SetIntegerSlot(v, "yday", date->tm_yday);
    return 1;
}

const SQRegFunction kSystemFunctions[] = {
    {"getenv", SystemGetenv, 2, ".s"},  {"system", SystemSystem, 2, ".s"}, {"clock", SystemClock, 0, nullptr},
    {"time", SystemTime, 1, nullptr},   {"date", SystemDate, -1, ".nn"},   {"remove", SystemRemove, 2, ".s"},
    {"rename", SystemRename, 3, ".ss"}, {nullptr, nullptr, 0, nullptr},
};

} // namespace

extern "C" SQInteger sqstd_register_systemlib(HSQUIRRELVM v) {
    sqstd::RegisterFunctions(v, kSystemFunctions);
    return SQ_OK;
}
