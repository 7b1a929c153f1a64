/*
 * The math library: the C maths functions on 32-bit floats, srand/rand, abs, PI and RAND_MAX.
 */
#ifndef SQSTDMATH_H
#define SQSTDMATH_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

SQUIRREL_API SQRESULT sqstd_register_mathlib(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDMATH_H*/
