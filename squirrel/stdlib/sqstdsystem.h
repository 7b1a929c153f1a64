/*
 * The system library: getenv, system, clock, time, date, remove and rename.
 */
#ifndef SQSTDSYSTEM_H
#define SQSTDSYSTEM_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

SQUIRREL_API SQInteger sqstd_register_systemlib(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDSYSTEM_H*/
