/*
 * Error reporting for hosts: a runtime error handler that prints the error with the call stack
 * and the locals, and a compile error handler, both through the VM's error print function.
 */
#ifndef SQSTDAUX_H
#define SQSTDAUX_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

SQUIRREL_API void sqstd_seterrorhandlers(HSQUIRRELVM v);
SQUIRREL_API void sqstd_printcallstack(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDAUX_H*/
