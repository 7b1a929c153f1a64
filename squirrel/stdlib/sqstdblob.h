/*
 * The blob library: a growable block of bytes that scripts read and write as a stream
 * (the `blob` class) and the byte-order helpers casti2f, castf2i, swap2, swap4, swapfloat.
 * A host makes and reads blobs on the stack through the three functions below.
 */
#ifndef SQSTDBLOB_H
#define SQSTDBLOB_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Pushes a new zero-filled blob of `size` bytes; returns its bytes, or NULL (nothing pushed)
   when the size is negative or the blob library is not registered. */
SQUIRREL_API SQUserPointer sqstd_createblob(HSQUIRRELVM v, SQInteger size);
SQUIRREL_API SQRESULT sqstd_getblob(HSQUIRRELVM v, SQInteger idx, SQUserPointer* ptr);
/* The blob's length in bytes, or -1 when the value is not a blob. */
SQUIRREL_API SQInteger sqstd_getblobsize(HSQUIRRELVM v, SQInteger idx);

/* Registers `blob` and the global helpers into the table on top of the stack. */
SQUIRREL_API SQRESULT sqstd_register_bloblib(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDBLOB_H*/
