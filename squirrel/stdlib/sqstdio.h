/*
 * The io library: the `file` class, the stdin/stdout/stderr file objects, dofile, loadfile and
 * writeclosuretofile, and the C side to open, load, run and write script files.
 * Source files may start with a UTF-8 or UTF-16 byte-order mark; a file that starts with the
 * two bytes of SQ_BYTECODE_STREAM_TAG holds a compiled closure as written by sq_writeclosure.
 */
#ifndef SQSTDIO_H
#define SQSTDIO_H

#include "squirrel/squirrel.h"

#ifdef __cplusplus

#define SQSTD_STREAM_TYPE_TAG 0x80000000

/* A byte stream a script sees through the stream methods (readn, writen, seek...). */
struct SQStream {
    virtual ~SQStream() {}
    virtual SQInteger Read(void* buffer, SQInteger size) = 0;
    virtual SQInteger Write(void* buffer, SQInteger size) = 0;
    virtual SQInteger Flush() = 0;
    virtual SQInteger Tell() = 0;
    virtual SQInteger Len() = 0;
    /* 0 on success, non-zero when the position would be invalid (the position is kept). */
    virtual SQInteger Seek(SQInteger offset, SQInteger origin) = 0;
    virtual bool IsValid() = 0;
    virtual bool EOS() = 0;
};

extern "C" {
#endif

#define SQ_SEEK_CUR 0
#define SQ_SEEK_END 1
#define SQ_SEEK_SET 2

typedef void* SQFILE;

SQUIRREL_API SQFILE sqstd_fopen(const SQChar* filename, const SQChar* mode);
SQUIRREL_API SQInteger sqstd_fread(SQUserPointer buffer, SQInteger size, SQInteger count, SQFILE file);
SQUIRREL_API SQInteger sqstd_fwrite(const SQUserPointer buffer, SQInteger size, SQInteger count, SQFILE file);
SQUIRREL_API SQInteger sqstd_fseek(SQFILE file, SQInteger offset, SQInteger origin);
SQUIRREL_API SQInteger sqstd_ftell(SQFILE file);
SQUIRREL_API SQInteger sqstd_fflush(SQFILE file);
SQUIRREL_API SQInteger sqstd_fclose(SQFILE file);
SQUIRREL_API SQInteger sqstd_feof(SQFILE file);

/* Pushes a `file` instance over an open FILE*; the instance closes it only when `own` is set. */
SQUIRREL_API SQRESULT sqstd_createfile(HSQUIRRELVM v, SQFILE file, SQBool own);
SQUIRREL_API SQRESULT sqstd_getfile(HSQUIRRELVM v, SQInteger idx, SQFILE* file);

/* Compiles (or reads, when compiled) a file and pushes the closure. */
SQUIRREL_API SQRESULT sqstd_loadfile(HSQUIRRELVM v, const SQChar* filename, SQBool printerror);
/* Loads a file and calls it with the value on top of the stack as `this`; with retval the
   result is pushed. */
SQUIRREL_API SQRESULT sqstd_dofile(HSQUIRRELVM v, const SQChar* filename, SQBool retval, SQBool printerror);
/* Writes the closure on top of the stack to a file, in the format sqstd_loadfile reads. */
SQUIRREL_API SQRESULT sqstd_writeclosuretofile(HSQUIRRELVM v, const SQChar* filename);

SQUIRREL_API SQRESULT sqstd_register_iolib(HSQUIRRELVM v);

#ifdef __cplusplus
} /*extern "C"*/
#endif

#endif /*SQSTDIO_H*/
